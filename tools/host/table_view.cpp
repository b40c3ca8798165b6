// The commands for people: open, show, list and find; see the header.
#include "table_view.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "exchange.h"
#include "failure.h"
#include "layout.h"

namespace quillon_host {

namespace {

// The items of a list the plug-in gave, each of which it ended with "|".
std::vector<std::string> Items(std::string_view list) {
  std::vector<std::string> items;
  while (!list.empty()) {
    const size_t end = list.find('|');
    items.emplace_back(list.substr(0, end));
    list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
  }
  return items;
}

std::string Ask(Plugin& plugin, const Printer& printer, const char* name,
                const std::string& request) {
  plugin.SetFile(request);
  PrintMessages(printer, plugin.Run(name));
  return plugin.GetFile();
}

int32_t Number(Plugin& plugin, const Printer& printer, const char* name) {
  PrintMessages(printer, plugin.Run(name));
  return plugin.GetData();
}

// countrec leaves the integer slot alone while no table is loaded.
int32_t RecordCountOfOpenTable(Plugin& plugin, const Printer& printer) {
  plugin.SetData(-1);
  const int32_t count = Number(plugin, printer, "countrec");
  if (count < 0) throw Failure("no table is open (open PATH opens one)");
  return count;
}

std::vector<std::string> FieldNames(Plugin& plugin, const Printer& printer) {
  return Items(Ask(plugin, printer, "getfields", ""));
}

std::string WithoutEnd(const std::string& text, std::string_view end) {
  return text.ends_with(end) ? text.substr(0, text.size() - end.size()) : text;
}

// One field's value in each record, read with getdataotdo, one request per
// record. The plug-in does not escape values, so an answer in which a value
// itself holds the group end "|#" is asked again record by record.
std::vector<std::string> ColumnValues(Plugin& plugin, const Printer& printer,
                                      const std::string& field,
                                      const std::vector<int32_t>& records) {
  std::vector<std::string> values;
  if (records.empty()) return values;
  auto request = [&](int32_t record) {
    const std::string number = std::to_string(record);
    return field + "|" + number + "|" + number + "#";
  };
  std::string requests;
  for (int32_t record : records) requests += request(record);
  const std::string reply = Ask(plugin, printer, "getdataotdo", requests);
  std::string_view answer = reply;
  for (size_t end; (end = answer.find("|#")) != std::string_view::npos;
       answer.remove_prefix(end + 2)) {
    values.emplace_back(answer.substr(0, end));
  }
  if (values.size() == records.size() && answer.empty()) return values;
  values.clear();
  for (int32_t record : records) {
    values.push_back(WithoutEnd(Ask(plugin, printer, "getdataotdo", request(record)), "|#"));
  }
  return values;
}

// Reading records moves the cursor; list and find put it back afterwards.
void MoveCursorBack(Plugin& plugin, const Printer& printer, int32_t cursor) {
  plugin.SetData(cursor);
  PrintMessages(printer, plugin.Run("gotorec"));
}

// The records as a table under a heading of the field names.
void PrintRecords(Plugin& plugin, const Printer& printer, const std::vector<std::string>& names,
                  const std::vector<int32_t>& records) {
  std::vector<std::vector<std::string>> columns;
  for (const std::string& name : names) {
    columns.push_back(ColumnValues(plugin, printer, name, records));
  }
  std::vector<Row> rows(1, Row{"#"});
  rows.front().insert(rows.front().end(), names.begin(), names.end());
  for (size_t i = 0; i < records.size(); ++i) {
    Row& row = rows.emplace_back(1, std::to_string(records[i]));
    for (const auto& column : columns) row.push_back(column[i]);
  }
  for (const std::string& line : Columns(rows)) printer.Line("", line);
}

std::string Joined(const std::vector<std::string>& items, std::string_view between) {
  std::string joined;
  for (const std::string& item : items) {
    if (!joined.empty()) joined += between;
    joined += item;
  }
  return joined;
}

// finddata's reading of a field name: trimmed, ASCII letters upper-cased.
std::string AsFieldName(std::string_view name) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!name.empty() && blank(name.front())) name.remove_prefix(1);
  while (!name.empty() && blank(name.back())) name.remove_suffix(1);
  std::string upper(name);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

}  // namespace

void OpenTable(Plugin& plugin, const Printer& printer, const std::string& path) {
  if (path.empty()) throw Failure("open needs the path of a table file");
  plugin.SetFile(path);
  const std::vector<std::string> messages = plugin.Run("loaddb");
  PrintMessages(printer, messages);
  if (!messages.empty()) throw Failure("the table was not opened");
  const std::vector<std::string> names = FieldNames(plugin, printer);
  printer.Line("records: ", std::to_string(RecordCountOfOpenTable(plugin, printer)));
  printer.Line("fields: ", Joined(names, ", "));
}

void ShowRecord(Plugin& plugin, const Printer& printer) {
  const int32_t count = RecordCountOfOpenTable(plugin, printer);
  const int32_t cursor = Number(plugin, printer, "curnum");
  const std::vector<std::string> names = FieldNames(plugin, printer);
  std::vector<std::string> values = Items(Ask(plugin, printer, "getcurrecall", ""));
  if (values.size() != names.size()) {
    // A value holds "|": each field is asked for on its own.
    values.clear();
    for (const std::string& name : names) {
      values.push_back(WithoutEnd(Ask(plugin, printer, "getcurn", name), "|"));
    }
  }
  printer.Line("record: ", std::to_string(cursor) + " of " + std::to_string(count));
  for (const std::string& line : NamesAndValues(names, values)) printer.Line("", line);
}

void ListRecords(Plugin& plugin, const Printer& printer, std::string_view range) {
  std::vector<std::string_view> words;
  for (size_t start; (start = range.find_first_not_of(' ')) != std::string_view::npos;) {
    range.remove_prefix(start);
    const size_t end = std::min(range.find(' '), range.size());
    words.push_back(range.substr(0, end));
    range.remove_prefix(end);
  }
  if (words.size() > 2) throw Failure("list takes at most FROM and TO");
  const int32_t from = words.empty() ? 1 : WholeNumber(words[0], "list FROM");
  const bool toTheEnd = words.size() < 2 || words[1] == "max";
  const int32_t to = toTheEnd ? 0 : WholeNumber(words[1], "list TO (or max)");
  const int32_t count = RecordCountOfOpenTable(plugin, printer);
  std::vector<int32_t> records;
  for (int32_t record = std::max(from, 1); record <= (toTheEnd ? count : std::min(to, count));
       ++record) {
    records.push_back(record);
  }
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
  const std::string name = AsFieldName(std::string_view(request).substr(0, equals));
  if (std::find(names.begin(), names.end(), name) == names.end()) {
    throw Failure("the table has no field '" + name + "' (its fields: " + Joined(names, ", ") +
                  ")");
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
