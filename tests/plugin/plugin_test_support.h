// Whole host sessions on the built plug-in, the same for both builds: the
// library is loaded for each test (and may be loaded again, as a host that
// starts anew), a scratch folder holds the files, the library's temporary
// folder lies inside it, and every message the plug-in shows must be
// expected, in order: one left over at the end fails the test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "helpers/plugin_library.h"
#include "helpers/scratch_dir.h"
#include "helpers/temp_folder.h"

namespace quillon::testing {

class PluginSession : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  const PluginLibrary& dll() const { return *library_; }
  // Unloads the library; dll() may be used again only after Reload().
  void Unload();
  // Loads the library again (unloading it first when it is loaded).
  void Reload();
  // The messages shown since the last look are exactly these.
  void ExpectMessages(const std::vector<std::string>& expected);

  ScratchDir dir_;
  TempFolderScope temp_{dir_.Folder("tmp")};

 private:
  std::unique_ptr<PluginLibrary> library_ = std::make_unique<PluginLibrary>();
};

// NAME C10, AGE N3 with North 42, South 7, East 100: enough for every
// cursor rule (first, middle, last).
std::string ThreeRecords();

// The item at a 0-based place of a list whose items each end in "|".
std::string Item(const std::string& list, int place);

// "Данные", a folder name in Windows-1251.
inline const std::string kCyrillicFolder = "\xC4\xE0\xED\xED\xFB\xE5";

}  // namespace quillon::testing
