// The commands for people: open, fields, show, list and find; see the header.
#include "table_view.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "exchange.h"
#include "failure.h"
#include "layout.h"
#include "os.h"
#include "suggestion.h"
#include "support/field_names.h"
#include "table_file.h"
#include "table_reading.h"

namespace quillon_host {

using quillon::support::SearchedFieldName;

namespace {

// The records as a table under a heading of the field names; a record
// marked deleted in the table file has "*" before its number.
void PrintRecords(Plugin& plugin, const Printer& printer, const std::vector<std::string>& names,
                  const std::vector<int32_t>& records) {
  const std::vector<int32_t> deleted = DeletedRecords(plugin.TablePath());
  std::vector<std::vector<std::string>> columns;
  for (const std::string& name : names) {
    columns.push_back(ColumnValues(plugin, printer, name, records));
  }
  std::vector<Row> rows(1, Row{"#"});
  rows.front().insert(rows.front().end(), names.begin(), names.end());
  for (size_t i = 0; i < records.size(); ++i) {
    const bool marked = std::binary_search(deleted.begin(), deleted.end(), records[i]);
    // Appended, not prefixed: GCC 12 for 32-bit Windows warns wrongly about
    // an overlap in a prefixing string concatenation.
    std::string number(marked ? "*" : "");
    number += std::to_string(records[i]);
    Row& row = rows.emplace_back(1, number);
    for (const auto& column : columns) row.push_back(column[i]);
  }
  for (const std::string& line : Columns(rows)) printer.Line("", line);
}

struct FieldType {
  char letter;
  const char* name;
};

constexpr FieldType kFieldTypes[] = {
    {'C', "character"}, {'N', "number"},  {'F', "float"},         {'D', "date"},
    {'L', "logical"},   {'M', "memo"},    {'G', "general"},       {'B', "binary"},
    {'P', "picture"},   {'I', "integer"}, {'T', "date and time"}, {'Y', "currency"},
};

// "C character"; a letter the host does not know stands alone.
std::string TypeName(char type) {
  for (const FieldType& known : kFieldTypes) {
    if (known.letter == type) return std::string(1, type) + " " + known.name;
  }
  return std::string(1, type);
}

// Said by open and fields when the table file has records marked deleted.
void TellDeleted(Plugin& plugin, const Printer& printer) {
  const size_t deleted = DeletedRecords(plugin.TablePath()).size();
  if (deleted == 0) return;
  printer.Line("marked deleted: ", std::to_string(deleted) +
                                       " (shown with * before the number; the next edit, "
                                       "add or delete removes them for good)");
}

// Said by open and fields when the header names another code page than the
// texts are shown in.
void TellCodePage(const Printer& printer, const TableFacts& facts) {
  const std::string warning = CodePageWarning(facts.codePage, printer.tableEncoding());
  if (!warning.empty()) printer.Line("warning: ", warning);
}

// Said by open: what makes texts of the table read wrongly or as empty.
void WarnOfForeignParts(Plugin& plugin, const Printer& printer, const std::string& path) {
  TableFacts facts;
  if (ReadTableFacts(path, facts) != TableShape::kTable) return;
  if (std::any_of(facts.fields.begin(), facts.fields.end(), IsMemoField)) {
    const MemoFileState memoFile = MemoFileOf(path, plugin.MemoPath());
    if (!memoFile.found) printer.Line("warning: memo file ", memoFile.problem, plugin.MemoPath());
  }
  TellCodePage(printer, facts);
}

std::string Date(const TableFacts& facts) {
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", facts.year, facts.month, facts.day);
  return date;
}

}  // namespace

void OpenTable(Plugin& plugin, const Printer& printer, const std::string& path) {
  if (path.empty()) throw Failure("open needs the path of a table file");
  plugin.SetFile(path);
  const std::vector<std::string> messages = plugin.Run("loaddb");
  PrintMessages(printer, messages, path);
  // A table the plug-in leaves closed counts as loaded, without fields.
  if (!messages.empty() || Number(plugin, printer, "fiedscount") <= 0) {
    throw Failure("the table was not opened: " + WhyNotOpened(path), path);
  }
  const std::vector<std::string> names = FieldNames(plugin, printer);
  printer.Line("records: ", std::to_string(RecordCountOfOpenTable(plugin, printer)));
  printer.Line("fields: ", Joined(names, ", "));
  TellDeleted(plugin, printer);
  WarnOfForeignParts(plugin, printer, path);
  if (!HeldForWriting(path)) {
    printer.Line("",
                 "open for reading only: the file, its folder or another program does not "
                 "let it be written, so every change is refused");
  }
}

void DescribeTable(Plugin& plugin, const Printer& printer) {
  const int32_t count = RecordCountOfOpenTable(plugin, printer);
  const std::string& path = plugin.TablePath();
  TableFacts facts;
  if (path.empty() || Number(plugin, printer, "fiedscount") <= 0 ||
      ReadTableFacts(path, facts) != TableShape::kTable) {
    throw Failure("the table's file cannot be read again (open it again with open PATH)");
  }
  const std::string& memo = plugin.MemoPath();
  printer.Line("table: ", path, path);
  printer.Line("version: ", VersionName(facts.version));
  printer.Line("records: ", std::to_string(count));
  TellDeleted(plugin, printer);
  printer.Line("last update: ", Date(facts));
  const MemoFileState memoFile = MemoFileOf(path, memo);
  if (memoFile.found) {
    printer.Line("memo file: ", memo, memo);
  } else if (!std::any_of(facts.fields.begin(), facts.fields.end(), IsMemoField)) {
    printer.Line("memo file: ", "none");
  } else {
    printer.Line("memo file: ", memoFile.problem, memo);
  }
  TellCodePage(printer, facts);
  std::vector<Row> rows(1, Row{"#", "NAME", "TYPE", "WIDTH", "DECIMALS"});
  for (size_t i = 0; i < facts.fields.size(); ++i) {
    const FieldFacts& field = facts.fields[i];
    rows.push_back({std::to_string(i + 1), field.name, TypeName(field.type),
                    std::to_string(field.width), std::to_string(field.decimals)});
  }
  for (const std::string& line : Columns(rows)) printer.Line("", line);
}

void ShowRecord(Plugin& plugin, const Printer& printer) {
  const int32_t count = RecordCountOfOpenTable(plugin, printer);
  const int32_t cursor = Number(plugin, printer, "curnum");
  if (cursor == 0) {
    // getcurrecall would answer some record's values, which are not the
    // current record's: there is none.
    printer.Line("record: ", "none of " + std::to_string(count) +
                                 " (no current record: move with first, or SetData N and "
                                 "gotorec)");
    return;
  }
  const std::vector<std::string> names = FieldNames(plugin, printer);
  std::vector<std::string> values = Items(Ask(plugin, printer, "getcurrecall", ""));
  for (std::string& value : values) value = printer.TableText(value);
  if (values.size() != names.size()) {
    // A value holds "|": each field is asked for on its own.
    values.clear();
    for (const std::string& name : names) {
      const std::string value = Ask(plugin, printer, "getcurn", name);
      values.push_back(
          printer.TableText(value.ends_with("|") ? value.substr(0, value.size() - 1) : value));
    }
  }
  printer.Line("record: ", std::to_string(cursor) + " of " + std::to_string(count));
  for (const std::string& line : NamesAndValues(names, values)) printer.Line("", line);
}

void ListRecords(Plugin& plugin, const Printer& printer, std::string_view range) {
  const RecordRange wanted = ParseRange(Words(range), "list");
  const std::vector<int32_t> records =
      RecordsIn(wanted, RecordCountOfOpenTable(plugin, printer), "list");
  const std::vector<std::string> names = FieldNames(plugin, printer);
  const int32_t cursor = Number(plugin, printer, "curnum");
  PrintRecords(plugin, printer, names, records);
  MoveCursorBack(plugin, printer, cursor);
}

void FindRecords(Plugin& plugin, const Printer& printer, const std::string& request) {
  const size_t equals = request.find('=');
  if (equals == std::string::npos) throw Failure("find needs NAME=PATTERN");
  RecordCountOfOpenTable(plugin, printer);
  const std::vector<std::string> names = FieldNames(plugin, printer);
  const std::string name = SearchedFieldName(std::string_view(request).substr(0, equals));
  if (std::find(names.begin(), names.end(), name) == names.end()) {
    throw Failure("the table has no field '" + name + "'" + DidYouMean(name, names) +
                  " (its fields: " + Joined(names, ", ") + ")");
  }
  const int32_t cursor = Number(plugin, printer, "curnum");
  const std::vector<std::string> found = Items(Ask(plugin, printer, "finddata", request));
  std::vector<int32_t> records;
  for (const std::string& number : found)
    records.push_back(WholeNumber(number, "finddata's answer"));
  printer.Line("found: ", found.empty() ? "none" : Joined(found, ", "));
  if (!records.empty()) PrintRecords(plugin, printer, names, records);
  MoveCursorBack(plugin, printer, cursor);
}

}  // namespace quillon_host
