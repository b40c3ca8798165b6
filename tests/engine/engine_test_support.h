// Shared set-up for engine tests: a scratch folder, the fault platform
// installed as the current platform, and a table object over a file.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/table.h"
#include "helpers/fault_platform.h"
#include "helpers/scratch_dir.h"
#include "helpers/table_bytes.h"

namespace quillon::testing {

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : scope_(platform_) {}

  // Writes the table as t.dbf and opens it with automatic posting, closing
  // the table opened before (and ending its change, as the export that made
  // it would): Windows lets no one write a file it holds.
  engine::DbfTable& Open(const TableBytes& bytes, const std::string& memo = "") {
    Close();
    path_ = dir_.Write("t.dbf", bytes.Build());
    return OpenPath(path_, memo);
  }

  engine::DbfTable& OpenPath(const std::string& path, const std::string& memo = "") {
    Close();
    table_ = engine::NewDbfTable(path, memo);
    engine::SetActive(*table_, true);
    return *table_;
  }

  void Close() {
    if (table_ != nullptr) engine::EndChange(*table_);
    table_.reset();
  }
  std::string FileBytes() const { return ReadWholeFile(path_); }

  // Three C/N records: NAME C10, AGE N3.
  static TableBytes People() {
    TableBytes t;
    t.fields = {{"NAME", 'C', 10}, {"AGE", 'N', 3}};
    t.records = {"Birch      42", "Cedar       7", "Aspen     100"};
    return t;
  }

  FaultPlatform platform_;
  PlatformScope scope_;
  ScratchDir dir_;
  std::string path_;
  std::unique_ptr<engine::DbfTable> table_;
};

}  // namespace quillon::testing
