// What the commands for people read from the open table, each piece made
// only of export calls: the record count, the field names, one field's
// values in many records, the cursor and putting it back, and the range of
// records a command names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plugin.h"
#include "printer.h"

namespace quillon_host {

// The items of a list the plug-in gave, each of which it ended with "|".
std::vector<std::string> Items(std::string_view list);

std::string Joined(const std::vector<std::string>& items, std::string_view between);

// SetFile `request`, the export, GetFile.
std::string Ask(Plugin& plugin, const Printer& printer, const char* name,
                const std::string& request);
// The export, GetData.
int32_t Number(Plugin& plugin, const Printer& printer, const char* name);

// countrec; Failure when no table is open.
int32_t RecordCountOfOpenTable(Plugin& plugin, const Printer& printer);

std::vector<std::string> FieldNames(Plugin& plugin, const Printer& printer);

// One field's value in each of the records, in their order.
std::vector<std::string> ColumnValues(Plugin& plugin, const Printer& printer,
                                      const std::string& field,
                                      const std::vector<int32_t>& records);

// Reading records moves the cursor; commands put it back afterwards.
void MoveCursorBack(Plugin& plugin, const Printer& printer, int32_t cursor);

// Records FROM to TO, as a command names them: no words, all of them; FROM
// alone, to the end; TO a number or max.
struct RecordRange {
  int32_t from = 1;
  int32_t to = 0;
  bool toTheEnd = true;
};
// `command` names the command in complaints.
RecordRange ParseRange(const std::vector<std::string_view>& words, std::string_view command);
// The range cut to the `count` records that exist; Failure when FROM is past
// the last record (of a table that has any), which would show nothing.
std::vector<int32_t> RecordsIn(const RecordRange& range, int32_t count, std::string_view command);


// The argument's words, split at blanks.
std::vector<std::string_view> Words(std::string_view text);

}  // namespace quillon_host
