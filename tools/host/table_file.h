// What the host reads from a table file itself, because no export tells
// it: the header's version, date of last update and code page, every
// field's name, type, width and decimals, which records are marked deleted,
// and the state of the memo file. The structure is read by the engine's own
// reader, so the host sees a table exactly as the library does. Also why
// the plug-in left a table closed, in one sentence, told from the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table_encoding.h"

namespace quillon_host {

struct FieldFacts {
  std::string name;  // as getfields lists it
  char type = ' ';
  int width = 0;
  int decimals = 0;
};

struct TableFacts {
  uint8_t version = 0;
  int year = 0;
  int month = 0;
  int day = 0;
  uint8_t codePage = 0;  // header byte 29
  std::vector<FieldFacts> fields;
};

enum class TableShape {
  kTable,
  kTooShort,    // shorter than a header
  kNotATable,   // a structure the library refuses to hold
  kUnreadable,  // the file cannot be opened for reading
};

TableShape ReadTableFacts(const std::string& path, TableFacts& facts);

bool IsMemoField(const FieldFacts& field);

// "0x83 (memo texts in 512-byte blocks)": the version byte and what the
// library makes of it.
std::string VersionName(uint8_t version);

// The numbers of the records whose flag byte marks them deleted ("*"),
// read from the file; empty when it cannot be read. The plug-in counts and
// shows them like any other, and its next change packs them away.
std::vector<int32_t> DeletedRecords(const std::string& path);

// Where the memo texts of a table with memo fields come from, or why they
// read as empty; `memo` is the memo file the plug-in named.
struct MemoFileState {
  bool found = false;
  // Why the memo fields read as empty, when they do; says so of a
  // FoxPro-style memo file lying beside the table instead.
  std::string problem;
};
MemoFileState MemoFileOf(const std::string& table, const std::string& memo);

// What the header's code-page byte says, when it names another code page
// than the one the texts are shown in: the warning to give, empty when
// there is none.
std::string CodePageWarning(uint8_t codePage, TableEncoding shownAs);

// The sentence, in Windows-1251; it quotes `path` as it is.
std::string WhyNotOpened(const std::string& path);

}  // namespace quillon_host
