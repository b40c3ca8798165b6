// Checked changes to the open table; see the header.
#include "editing.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/structure.h"
#include "exchange.h"
#include "failure.h"
#include "os.h"
#include "suggestion.h"
#include "support/field_names.h"
#include "table_reading.h"
#include "table_view.h"

namespace quillon_host {

using quillon::support::SearchedFieldName;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

std::string Trimmed(std::string_view text) {
  const size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return "";
  return std::string(text.substr(start, text.find_last_not_of(' ') - start + 1));
}

// Windows-1251 letters in lower case: ASCII, then А..Я (0xC0..0xDF).
std::string Lower1251(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDF))
      c = static_cast<char>(byte + 0x20);
  }
  return lower;
}

bool RealDate(int year, int month, int day) {
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month != 2 || day <= 28 || leap;
}

std::string Says(const FieldFacts& field, const std::string& value) {
  return "'" + value + "' for " + field.name;
}

std::string CheckedDate(const FieldFacts& field, const std::string& value) {
  const std::string date = Trimmed(value);
  if (date.empty()) return date;
  std::string digits;
  if (date.size() == 10 && date[2] == '.' && date[5] == '.') {
    digits = date.substr(6, 4) + date.substr(3, 2) + date.substr(0, 2);  // DD.MM.YYYY
  } else if (date.size() == 10 && date[4] == '-' && date[7] == '-') {
    digits = date.substr(0, 4) + date.substr(5, 2) + date.substr(8, 2);  // YYYY-MM-DD
  } else {
    digits = date;
  }
  if (digits.size() != 8 || !AllDigits(digits) ||
      !RealDate(std::stoi(digits.substr(0, 4)), std::stoi(digits.substr(4, 2)),
                std::stoi(digits.substr(6, 2)))) {
    throw Failure(Says(field, value) +
                  " is no date: write YYYYMMDD, DD.MM.YYYY or YYYY-MM-DD, a day that exists, "
                  "or nothing");
  }
  return digits;
}

std::string CheckedLogical(const FieldFacts& field, const std::string& value) {
  const std::string word = Lower1251(Trimmed(value));
  if (word.empty()) return word;
  if (word == "\xE4\xE0") return "T";      // "да"
  if (word == "\xED\xE5\xF2") return "F";  // "нет"
  if (word.size() == 1 && std::string_view("tfyn?").find(word[0]) != std::string_view::npos) {
    return Trimmed(value);
  }
  throw Failure(Says(field, value) +
                " is no logical value: write T, F, Y, N, ?, \xE4\xE0, \xED\xE5\xF2 or nothing");
}

std::string CheckedNumber(const FieldFacts& field, const std::string& value) {
  const std::string number = Trimmed(value);
  if (number.empty()) return number;
  std::string_view rest = number;
  const bool sign = rest.front() == '-' || rest.front() == '+';
  if (sign) rest.remove_prefix(1);
  const size_t point = rest.find('.');
  const std::string_view whole = rest.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : rest.substr(point + 1);
  const bool digits = (whole.empty() || AllDigits(whole)) &&
                      (fraction.empty() || AllDigits(fraction)) &&
                      !(whole.empty() && fraction.empty());
  if (!digits) {
    if (number.find(',') != std::string::npos && number.find('.') == std::string::npos) {
      throw Failure(Says(field, value) +
                    " is no number: use a point for the decimals, not a comma");
    }
    throw Failure(Says(field, value) + " is no number");
  }
  // A width holds the sign, the whole digits, and the point with the decimals.
  const int room = field.width - (field.decimals > 0 ? field.decimals + 1 : 0);
  const int wholeDigits = static_cast<int>(std::max<size_t>(1, whole.size()));
  if (static_cast<int>(fraction.size()) > field.decimals ||
      wholeDigits + (number.front() == '-' ? 1 : 0) > room ||
      static_cast<int>(number.size()) > field.width) {
    throw Failure(Says(field, value) + " does not fit: the field is " +
                  std::to_string(field.width) + " wide with " + std::to_string(field.decimals) +
                  " decimals");
  }
  return number;
}

struct Assignment {
  const FieldFacts* field;
  std::string value;
};

// The field facts of the open table, read from its file.
TableFacts FactsOfOpenTable(Plugin& plugin) {
  TableFacts facts;
  const std::string& path = plugin.TablePath();
  if (path.empty() || ReadTableFacts(path, facts) != TableShape::kTable || facts.fields.empty()) {
    throw Failure("the table's file cannot be read again (open it again with open PATH)");
  }
  return facts;
}

// NAME=VALUE|NAME=VALUE, every name a field of the table, every value
// checked; the last "|" may be left out.
std::vector<Assignment> Assignments(const TableFacts& facts, const std::string& text,
                                    std::string_view usage) {
  std::vector<std::string> items = Items(text);
  std::vector<std::string> names;
  for (const FieldFacts& field : facts.fields) names.push_back(field.name);
  std::vector<Assignment> assignments;
  for (const std::string& item : items) {
    if (Trimmed(item).empty()) continue;
    const size_t equals = item.find('=');
    if (equals == std::string::npos) {
      throw Failure("'" + item + "' is no NAME=VALUE: " + std::string(usage));
    }
    const std::string name = SearchedFieldName(std::string_view(item).substr(0, equals));
    const auto field =
        std::find_if(facts.fields.begin(), facts.fields.end(),
                     [&](const FieldFacts& f) { return SearchedFieldName(f.name) == name; });
    if (field == facts.fields.end()) {
      throw Failure("the table has no field '" + name + "'" + DidYouMean(name, names) +
                    " (its fields: " + Joined(names, ", ") + ")");
    }
    assignments.push_back({&*field, CheckedValue(*field, item.substr(equals + 1))});
  }
  if (assignments.empty()) throw Failure(std::string(usage));
  return assignments;
}

// The values in the table's code page, once they are checked.
std::string Request(const std::vector<Assignment>& assignments, TableEncoding table) {
  std::string request;
  for (const Assignment& a : assignments) {
    request += a.field->name + "=" + ToTableText(a.value, table) + "|";
  }
  return request;
}

// A record number the table has, from the line's first word.
int32_t RecordNumber(std::string_view word, int32_t count, std::string_view command) {
  const int32_t number = WholeNumber(word, std::string(command) + " N");
  if (number < 1 || number > count) {
    throw Failure("there is no record " + std::to_string(number) + ": the table has " +
                  std::to_string(count) + " records (1 to " + std::to_string(count) + ")");
  }
  return number;
}

// A table the plug-in could open only for reading takes every change
// without a word and keeps none of them.
void RequireWritable(Plugin& plugin) {
  if (!HeldForWriting(plugin.TablePath())) {
    throw Failure(
        "the table is open for reading only (the file, its folder or another program does not "
        "let it be written), so nothing was changed");
  }
}

// The change's call; a message box from it means the change was refused.
void Change(Plugin& plugin, const Printer& printer, const char* name) {
  const std::vector<std::string> messages = plugin.Run(name);
  PrintMessages(printer, messages);
  if (!messages.empty()) {
    throw Failure(std::string(name) + " showed a message, so the change may not have been made");
  }
}

void ShowNumber(Plugin& plugin, const Printer& printer, int32_t record) {
  plugin.SetData(record);
  PrintMessages(printer, plugin.Run("gotorec"));
  ShowRecord(plugin, printer);
}

// Records marked deleted before `record`: the change packs them away, so
// the record moves up by as many.
int32_t DeletedBefore(const std::vector<int32_t>& deleted, int32_t record) {
  return static_cast<int32_t>(std::lower_bound(deleted.begin(), deleted.end(), record) -
                              deleted.begin());
}

}  // namespace

std::string CheckedValue(const FieldFacts& field, const std::string& value) {
  namespace engine = quillon::engine;
  // A float field holds a number for people, though the library stores it
  // as it stores text.
  if (field.type == 'F') return CheckedNumber(field, value);
  switch (engine::FieldTypeOfLetter(static_cast<uint8_t>(field.type))) {
    case engine::kDateField:
      return CheckedDate(field, value);
    case engine::kLogicalField:
      return CheckedLogical(field, value);
    case engine::kNumericField:
      return CheckedNumber(field, value);
    case engine::kMemoField:
      return value;
    case engine::kCharacterField:
    case engine::kOtherField:
      break;
  }
  if (static_cast<int>(value.size()) > field.width) {
    throw Failure(Says(field, value) + " is " + std::to_string(value.size()) +
                  " characters long; the field holds " + std::to_string(field.width));
  }
  return value;
}

void EditRecord(Plugin& plugin, const Printer& printer, std::string_view argument,
                const InputRules& rules) {
  constexpr std::string_view kUsage = "edit needs N NAME=VALUE|NAME=VALUE...";
  const int32_t count = RecordCountOfOpenTable(plugin, printer);
  const std::vector<std::string_view> words = Words(argument);
  if (words.empty()) throw Failure(std::string(kUsage));
  const int32_t record = RecordNumber(words[0], count, "edit");
  const std::string_view rest =
      argument.substr(words[0].data() + words[0].size() - argument.data());
  const TableFacts facts = FactsOfOpenTable(plugin);
  const std::vector<Assignment> assignments =
      Assignments(facts, AsValue(rest.empty() ? rest : rest.substr(1), rules), kUsage);
  const std::vector<int32_t> deleted = DeletedRecords(plugin.TablePath());
  if (std::binary_search(deleted.begin(), deleted.end(), record)) {
    // editrec would write it and then pack it away, change and all.
    throw Failure("record " + std::to_string(record) +
                  " is marked deleted, and the pack that follows every change would remove it, "
                  "edit and all: add it again instead");
  }
  RequireWritable(plugin);
  plugin.SetData(record);
  PrintMessages(printer, plugin.Run("gotorec"));
  plugin.SetFile(Request(assignments, rules.table));
  Change(plugin, printer, "editrec");
  ShowNumber(plugin, printer, record - DeletedBefore(deleted, record));
}

void AddRecord(Plugin& plugin, const Printer& printer, std::string_view argument,
               const InputRules& rules) {
  RecordCountOfOpenTable(plugin, printer);
  const TableFacts facts = FactsOfOpenTable(plugin);
  const std::vector<Assignment> assignments =
      Assignments(facts, AsValue(argument, rules), "add needs NAME=VALUE|NAME=VALUE...");
  RequireWritable(plugin);
  plugin.SetFile(Request(assignments, rules.table));
  Change(plugin, printer, "addrec");
  ShowNumber(plugin, printer, RecordCountOfOpenTable(plugin, printer));
}

void DeleteRecord(Plugin& plugin, const Printer& printer, std::string_view argument) {
  const int32_t count = RecordCountOfOpenTable(plugin, printer);
  const std::vector<std::string_view> words = Words(argument);
  if (words.size() != 1) throw Failure("delete needs one record number: delete N");
  const int32_t record = RecordNumber(words[0], count, "delete");
  RequireWritable(plugin);
  plugin.SetData(record);
  PrintMessages(printer, plugin.Run("gotorec"));
  Change(plugin, printer, "delrec");
  printer.Line("deleted: ", "record " + std::to_string(record));
  printer.Line("records: ", std::to_string(RecordCountOfOpenTable(plugin, printer)));
}

}  // namespace quillon_host
