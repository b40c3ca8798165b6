// What the host reads from a table file itself, because no export tells
// it: the header's version and date of last update, and every field's
// name, type, width and decimals, and which records are marked deleted.
// Also why the plug-in left a table closed, in one sentence, told from the
// file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon_host {

struct FieldFacts {
  std::string name;
  char type = ' ';
  int width = 0;
  int decimals = 0;
};

struct TableFacts {
  uint8_t version = 0;
  int year = 0;
  int month = 0;
  int day = 0;
  std::vector<FieldFacts> fields;
};

enum class TableShape {
  kTable,
  kNotATable,   // too short for a header, or a first byte that is no dBase version
  kUnreadable,  // the file cannot be opened for reading
};

TableShape ReadTableFacts(const std::string& path, TableFacts& facts);

// "0x83 (dBase III with memo)".
std::string VersionName(uint8_t version);

// The numbers of the records whose flag byte marks them deleted ("*"),
// read from the file; empty when it cannot be read. The plug-in counts and
// shows them like any other, and its next change packs them away.
std::vector<int32_t> DeletedRecords(const std::string& path);

// The sentence, in Windows-1251; it quotes `path` as it is.
std::string WhyNotOpened(const std::string& path);

}  // namespace quillon_host
