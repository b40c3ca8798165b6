// The input format of the targets that open any table: an options byte, the
// table file and the memo file as pieces, and the rest for the target.
// Options: bits 0-2 pick the table's version byte (0 keeps the file's own,
// 1-7 put in one of the versions that have a memo layout, so that any table
// bytes get read with either memo layout); bit 3 leaves the memo file out.
#pragma once

#include <cstdint>
#include <string>

#include "fuzz_input.h"

namespace quillon::fuzz {

inline constexpr uint8_t kNoMemoFile = 0x08;

struct TableFiles {
  std::string table;
  std::string memo;
  bool hasMemo = true;
};

TableFiles ReadTableFiles(InputReader& in);

// The input bytes ReadTableFiles reads back as these files.
std::string TableFilesInput(const std::string& table, const std::string& memo, uint8_t options);

// Writes the files into the scratch folder as t.dbf and t.dbt, the names the
// library pairs; returns the table's path.
std::string WriteTableFiles(const TableFiles& files);

}  // namespace quillon::fuzz
