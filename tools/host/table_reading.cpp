// Reading the open table for the commands; see the header.
#include "table_reading.h"

#include <algorithm>

#include "exchange.h"
#include "failure.h"

namespace quillon_host {

namespace {

std::string WithoutEnd(const std::string& text, std::string_view end) {
  return text.ends_with(end) ? text.substr(0, text.size() - end.size()) : text;
}

}  // namespace

std::vector<std::string> Items(std::string_view list) {
  std::vector<std::string> items;
  while (!list.empty()) {
    const size_t end = list.find('|');
    items.emplace_back(list.substr(0, end));
    list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
  }
  return items;
}

std::string Joined(const std::vector<std::string>& items, std::string_view between) {
  std::string joined;
  for (const std::string& item : items) {
    if (!joined.empty()) joined += between;
    joined += item;
  }
  return joined;
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

// Read with getdataotdo, one request per record. The plug-in does not
// escape values, so an answer in which a value itself holds the group end
// "|#" is asked again record by record.
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
    values.push_back(printer.TableText(answer.substr(0, end)));
  }
  if (values.size() == records.size() && answer.empty()) return values;
  values.clear();
  for (int32_t record : records) {
    values.push_back(printer.TableText(
        WithoutEnd(Ask(plugin, printer, "getdataotdo", request(record)), "|#")));
  }
  return values;
}

void MoveCursorBack(Plugin& plugin, const Printer& printer, int32_t cursor) {
  plugin.SetData(cursor);
  PrintMessages(printer, plugin.Run("gotorec"));
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  for (size_t start; (start = text.find_first_not_of(' ')) != std::string_view::npos;) {
    text.remove_prefix(start);
    const size_t end = std::min(text.find(' '), text.size());
    words.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
  return words;
}

RecordRange ParseRange(const std::vector<std::string_view>& words, std::string_view command) {
  if (words.size() > 2) throw Failure(std::string(command) + " takes at most FROM and TO");
  const std::string name(command);
  RecordRange range;
  if (!words.empty()) range.from = WholeNumber(words[0], name + " FROM");
  range.toTheEnd = words.size() < 2 || words[1] == "max";
  if (!range.toTheEnd) range.to = WholeNumber(words[1], name + " TO (or max)");
  return range;
}

std::vector<int32_t> RecordsIn(const RecordRange& range, int32_t count, std::string_view command) {
  if (range.from > std::max(count, 1)) {
    throw Failure(std::string(command) + ": there is no record " + std::to_string(range.from) +
                  ", the table has " + std::to_string(count) + " records");
  }
  std::vector<int32_t> records;
  const int32_t last = range.toTheEnd ? count : std::min(range.to, count);
  for (int32_t record = std::max(range.from, 1); record <= last; ++record) {
    records.push_back(record);
  }
  return records;
}

}  // namespace quillon_host
