// A test fixture that plays the host: the library is "loaded" (slots empty,
// resident table created) for each test and unloaded afterwards, and the
// exports are called exactly as a host calls them. Messages are captured by
// the fault platform instead of being shown.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/table.h"
#include "helpers/fault_platform.h"
#include "helpers/scratch_dir.h"

namespace quillon::testing {

class HostSession : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // SetFile, the export, GetFile.
  std::string CallWithText(void (*exported)(), const std::string& text);
  // SetData, the export, GetData.
  int32_t CallWithData(void (*exported)(), int32_t value);
  // SetFile(path), loaddb; returns GetFile.
  std::string Load(const std::string& path);
  int32_t CurrentRecord();
  engine::DbfTable& Resident();

  FaultPlatform platform_;
  ScratchDir dir_;
};

}  // namespace quillon::testing
