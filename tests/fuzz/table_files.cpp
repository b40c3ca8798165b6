#include "table_files.h"

#include <array>

#include "fuzz_setup.h"

namespace quillon::fuzz {

namespace {

// Fixed-block (0x03 to 0x84) and sized-block (0x30, 0xF5) memo layouts.
constexpr std::array<uint8_t, 7> kVersions = {0x03, 0x83, 0x30, 0xF5, 0x04, 0x05, 0x84};

}  // namespace

TableFiles ReadTableFiles(InputReader& in) {
  const uint8_t options = in.Byte();
  TableFiles files;
  files.table = in.TakePiece();
  files.memo = in.TakePiece();
  files.hasMemo = (options & kNoMemoFile) == 0;
  const unsigned version = options & 7u;
  if (version != 0 && !files.table.empty()) files.table[0] = static_cast<char>(kVersions[version - 1]);
  return files;
}

std::string TableFilesInput(const std::string& table, const std::string& memo, uint8_t options) {
  return std::string(1, static_cast<char>(options)) + Piece(table) + Piece(memo);
}

std::string WriteTableFiles(const TableFiles& files) {
  if (files.hasMemo) WriteScratchFile("t.dbt", files.memo);
  return WriteScratchFile("t.dbf", files.table);
}

}  // namespace quillon::fuzz
