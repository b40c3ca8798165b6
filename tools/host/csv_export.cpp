// The table as CSV; see the header.
#include "csv_export.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

#include "cp1251.h"
#include "failure.h"
#include "os.h"
#include "table_file.h"
#include "table_reading.h"

namespace quillon_host {

namespace {

// So many records are read with one request per field, which keeps the
// answers small however large the table is.
constexpr size_t kRecordsPerRequest = 1000;

// A whole number (FROM or TO), or max (TO); anything else starts the file name.
bool IsRangeWord(std::string_view word, bool first) {
  if (!first && word == "max") return true;
  if (!word.empty() && (word.front() == '-' || word.front() == '+')) word.remove_prefix(1);
  return !word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos;
}

struct Request {
  bool withDeleted = false;
  bool bom = false;
  std::vector<std::string_view> range;
  std::string_view file;
};

// The format, then the options, then at most two range words, then the
// file name: the rest, from its first character that is no blank.
Request ParseRequest(std::string_view argument) {
  Request request;
  auto next_word = [&] {
    argument.remove_prefix(std::min(argument.find_first_not_of(' '), argument.size()));
    return argument.substr(0, std::min(argument.find(' '), argument.size()));
  };
  if (next_word() != "csv") throw Failure("export writes csv: export csv [FROM [TO]] [FILE]");
  argument.remove_prefix(3);
  for (std::string_view word; (word = next_word()).starts_with("--");
       argument.remove_prefix(word.size())) {
    if (word == "--with-deleted") {
      request.withDeleted = true;
    } else if (word == "--bom") {
      request.bom = true;
    } else {
      throw Failure("export csv knows the options --with-deleted and --bom, not '" +
                    std::string(word) + "'");
    }
  }
  for (std::string_view word;
       request.range.size() < 2 && IsRangeWord(word = next_word(), request.range.empty());) {
    request.range.push_back(word);
    argument.remove_prefix(word.size());
  }
  next_word();
  request.file = argument;
  return request;
}

}  // namespace

std::string CsvLine(const std::vector<std::string>& values) {
  std::string line;
  for (size_t i = 0; i < values.size(); ++i) {
    const std::string& value = values[i];
    if (i > 0) line += ',';
    if (value.find_first_of(",\"\r\n") == std::string::npos) {
      line += value;
      continue;
    }
    line += '"';
    for (char c : value) line += c == '"' ? std::string("\"\"") : std::string(1, c);
    line += '"';
  }
  return line;
}

void ExportCsv(Plugin& plugin, const Printer& printer, std::string_view argument,
               const InputRules& rules) {
  const Request request = ParseRequest(argument);
  const RecordRange range = ParseRange(request.range, "export csv");
  std::vector<int32_t> records =
      RecordsIn(range, RecordCountOfOpenTable(plugin, printer), "export csv");
  if (request.bom && printer.raw()) {
    throw Failure("--bom marks UTF-8, and --raw writes Windows-1251: leave one out");
  }
  // Records marked deleted go at the next change, so by default they are
  // left out as if gone already.
  const std::vector<int32_t> deleted = DeletedRecords(plugin.TablePath());
  auto isDeleted = [&](int32_t record) {
    return std::binary_search(deleted.begin(), deleted.end(), record);
  };
  const size_t before = records.size();
  if (!request.withDeleted) std::erase_if(records, isDeleted);
  const size_t leftOut = before - records.size();
  const std::string path = request.file.empty() ? "" : AsPath(request.file, rules);
  std::ofstream file;
  if (!path.empty()) {
    ClearSystemError();
    file.open(path, std::ios::binary | std::ios::trunc);
    if (!file) throw Failure("cannot write " + path + ": " + SystemError(), path);
  }
  auto emit = [&](const std::vector<std::string>& values) {
    const std::string line = CsvLine(values);
    if (path.empty()) {
      printer.Line("", line);
    } else {
      file << (printer.raw() ? line : Cp1251ToUtf8(line)) << "\r\n";
    }
  };
  const std::vector<std::string> names = FieldNames(plugin, printer);
  const int32_t cursor = Number(plugin, printer, "curnum");
  // A field called DELETED keeps its name; the column gets underscores.
  std::string underscores;
  while (std::find(names.begin(), names.end(), underscores + "DELETED") != names.end()) {
    underscores += '_';
  }
  const std::string deletedColumn = underscores + "DELETED";
  std::vector<std::string> heading = names;
  if (request.withDeleted) heading.push_back(deletedColumn);
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (request.bom && path.empty()) printer.Prompt(kBom);
  if (request.bom && !path.empty()) file << kBom;
  emit(heading);
  for (size_t start = 0; start < records.size(); start += kRecordsPerRequest) {
    const std::vector<int32_t> part(
        records.begin() + start,
        records.begin() + std::min(records.size(), start + kRecordsPerRequest));
    std::vector<std::vector<std::string>> columns;
    for (const std::string& name : names) {
      columns.push_back(ColumnValues(plugin, printer, name, part));
    }
    for (size_t i = 0; i < part.size(); ++i) {
      std::vector<std::string> values;
      for (const auto& column : columns) values.push_back(column[i]);
      if (request.withDeleted) values.push_back(isDeleted(part[i]) ? "yes" : "no");
      emit(values);
    }
  }
  MoveCursorBack(plugin, printer, cursor);
  if (!path.empty()) {
    file.close();
    if (!file) throw Failure("cannot write " + path + ": " + SystemError(), path);
    printer.Line("exported: ", std::to_string(records.size()) + " records to " + path, path);
  }
  if (leftOut > 0) {
    // Beside the CSV, not in it: on the screen it goes to standard error.
    const std::string note = "left out " + std::to_string(leftOut) +
                             " records marked deleted (--with-deleted keeps them)";
    if (path.empty()) {
      printer.Complain("", note);
    } else {
      printer.Line("", note);
    }
  }
}

}  // namespace quillon_host
