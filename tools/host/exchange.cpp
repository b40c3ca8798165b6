// Raw exchanges with the plug-in's exports; see the header.
#include "exchange.h"

#include <charconv>

#include "failure.h"

namespace quillon_host {

namespace {

enum class Kind { kSetText, kSetPath, kSetNumber, kGetText, kGetNumber, kIgnored, kAction };

struct Exchange {
  const char* name;
  Kind kind;
  bool writesFile;
  bool writesData;
  // The line that gives the export its input, for help and for a line that
  // gives the input to the export itself; "" when it takes none.
  const char* input;
  const char* help;
};

// What each export writes is fixed by the exchange protocol; an export that
// changes a slot it is not listed for is still reported.
constexpr Exchange kExchanges[] = {
    {"SetFile", Kind::kSetText, false, false, "", "puts TEXT in the text slot"},
    {"GetFile", Kind::kGetText, false, false, "", "the text slot"},
    {"SetData", Kind::kSetNumber, false, false, "", "puts N in the integer slot"},
    {"GetData", Kind::kGetNumber, false, false, "", "the integer slot"},
    {"SetPath", Kind::kSetPath, false, false, "", "keeps PATH; no export uses it"},
    {"GetType", Kind::kGetNumber, false, false, "", "the plug-in's type: always 0"},
    {"GetShortInfo", Kind::kGetText, false, false, "", "the plug-in's short name"},
    {"GetInfo", Kind::kGetText, false, false, "", "four lines about the plug-in"},
    {"Copyright", Kind::kGetText, false, false, "", "the plug-in's copyright line"},
    {"Settings", Kind::kAction, false, false, "", "does nothing"},
    {"SetParentWindow", Kind::kIgnored, false, false, "",
     "takes a window and does nothing; the host gives it none"},
    {"Draw", Kind::kIgnored, false, false, "",
     "takes a canvas and does nothing; the host gives it none"},
    {"loaddb", Kind::kAction, true, false, "SetFile PATH",
     "opens the table PATH; the text slot becomes its memo file's name"},
    {"first", Kind::kAction, false, false, "", "moves to record 1"},
    {"last", Kind::kAction, false, false, "", "moves to the last record"},
    {"next1", Kind::kAction, false, false, "", "moves one record on (not past the last)"},
    {"prev", Kind::kAction, false, false, "", "moves one record back (not before record 1)"},
    {"gotorec", Kind::kAction, false, false, "SetData N", "moves to record N"},
    {"curnum", Kind::kAction, false, true, "", "the current record's number (0: none)"},
    {"countrec", Kind::kAction, false, true, "", "the number of records"},
    {"fiedscount", Kind::kAction, false, true, "", "the number of fields"},
    {"getfields", Kind::kAction, true, false, "", "the field names, | after each"},
    {"getcurn", Kind::kAction, true, false, "SetFile NAME|NAME|",
     "those fields' values in the current record, | after each"},
    {"getcurrecall", Kind::kAction, true, false, "", "every value of the current record"},
    {"getarrayrecords", Kind::kAction, true, false, "SetFile NAME|N|N|",
     "field NAME's value in each record N"},
    {"editrec", Kind::kAction, true, false, "SetFile NAME=VALUE|NAME=VALUE|",
     "changes those fields of the current record; the cursor goes to 0"},
    {"addrec", Kind::kAction, true, false, "SetFile NAME=VALUE|NAME=VALUE|",
     "appends a record with those values; the cursor goes to 0"},
    {"delrec", Kind::kAction, false, false, "", "deletes the current record; the cursor goes to 0"},
    {"finddata", Kind::kAction, true, false, "SetFile NAME=PATTERN",
     "the numbers of the records whose NAME holds PATTERN (* and ? match; no case)"},
    {"getdataotdo", Kind::kAction, true, false, "SetFile NAME|FROM|TO#",
     "field NAME of records FROM to TO (TO may be max), | after each, # after each request"},
    {"importasmaster", Kind::kAction, false, false, "SetFile PATH",
     "appends the records of the text file PATH (## after each, # between pieces)"},
    {"memopak", Kind::kAction, false, false, "",
     "rebuilds the table and its memo file, keeping the old ones as .baz and .mem"},
    {"make", Kind::kAction, true, false, "SetFile NAME=TW,D|",
     "creates newbase.dbf here with those fields (T: C N D L M, W width, D decimals)"},
};

const Exchange* Find(std::string_view name) {
  for (const Exchange& known : kExchanges) {
    if (name == known.name) return &known;
  }
  return nullptr;
}

std::string Usage(const Exchange& exchange) {
  switch (exchange.kind) {
    case Kind::kSetText:
      return std::string(exchange.name) + " TEXT";
    case Kind::kSetPath:
      return std::string(exchange.name) + " PATH";
    case Kind::kSetNumber:
      return std::string(exchange.name) + " N";
    default:
      return exchange.input[0] == '\0' ? exchange.name
                                       : exchange.input + std::string(", then ") + exchange.name;
  }
}

void RunAction(Plugin& plugin, const Printer& printer, const Exchange& exchange) {
  const std::string path = plugin.PathFor(exchange.name);
  const std::string fileBefore = plugin.GetFile();
  const int32_t dataBefore = plugin.GetData();
  PrintMessages(printer, plugin.Run(exchange.name), path);
  const std::string fileAfter = plugin.GetFile();
  const int32_t dataAfter = plugin.GetData();
  // loaddb answers a path, and a path the call was given stays one.
  const std::string_view answeredPath = path.empty() ? std::string_view() : fileAfter;
  if (exchange.writesFile || fileAfter != fileBefore) {
    printer.Line("file: ", fileAfter, answeredPath);
  }
  if (exchange.writesData || dataAfter != dataBefore) {
    printer.Line("data: ", std::to_string(dataAfter));
  }
}

// The table exports that do nothing until loaddb has opened a table:
// every action but loaddb itself, memopak, make and Settings.
bool NeedsTable(const Exchange& exchange) {
  const std::string_view name = exchange.name;
  return exchange.kind == Kind::kAction && name != "loaddb" && name != "memopak" &&
         name != "make" && name != "Settings";
}

// countrec leaves the integer slot alone while no table is loaded; the
// slot is given back, since the call that follows may take it.
void CheckTableIsOpen(Plugin& plugin, const Exchange& exchange) {
  if (!plugin.Has("countrec")) return;
  const int32_t data = plugin.GetData();
  plugin.SetData(-1);
  plugin.Run("countrec");
  const int32_t count = plugin.GetData();
  plugin.SetData(data);
  if (count < 0) {
    throw Failure(std::string(exchange.name) +
                  " needs an open table, and no table is open (open PATH opens one)");
  }
}

bool TakesArgument(const Exchange& exchange) {
  return exchange.kind == Kind::kSetText || exchange.kind == Kind::kSetPath ||
         exchange.kind == Kind::kSetNumber;
}

}  // namespace

std::vector<std::string> ExchangeNames() {
  std::vector<std::string> names;
  for (const Exchange& exchange : kExchanges) names.emplace_back(exchange.name);
  return names;
}

std::vector<std::string_view> ArgumentlessExchanges() {
  std::vector<std::string_view> names;
  for (const Exchange& exchange : kExchanges) {
    if (!TakesArgument(exchange)) names.emplace_back(exchange.name);
  }
  return names;
}

void PrintMessages(const Printer& printer, const std::vector<std::string>& messages,
                   std::string_view path) {
  for (const std::string& message : messages) printer.MessageLine(message, path);
}

std::vector<std::string> ExchangeHelp(std::string_view name) {
  const Exchange* exchange = Find(name);
  if (exchange == nullptr) return {};
  return {Usage(*exchange), std::string("  ") + exchange->help};
}

int32_t WholeNumber(std::string_view argument, std::string_view what) {
  int32_t value = 0;
  const char* end = argument.data() + argument.size();
  const char* start = argument.data();
  if (!argument.empty() && argument.front() == '+') ++start;
  const bool doubleSign = start != argument.data() && start != end && *start == '-';
  const auto [stop, error] = std::from_chars(start, end, value);
  if (argument.empty() || doubleSign || error != std::errc() || stop != end) {
    throw Failure(std::string(what) +
                  " needs a whole number from -2147483648 to 2147483647, not '" +
                  std::string(argument) + "'");
  }
  return value;
}

bool RunExchange(Plugin& plugin, const Printer& printer, std::string_view name,
                 const std::string& argument, const InputRules& rules) {
  const Exchange* exchange = Find(name);
  if (exchange == nullptr) return false;
  if (!TakesArgument(*exchange) && argument.find_first_not_of(' ') != std::string::npos) {
    std::string complaint = std::string(name) + " takes no argument";
    if (exchange->input[0] != '\0') {
      complaint += std::string("; give its input first: ") + Usage(*exchange);
    }
    throw Failure(complaint);
  }
  switch (exchange->kind) {
    case Kind::kSetText: {
      const std::string value = AsValue(argument, rules);
      std::string path;
      plugin.SetTypedFile(value, PathOf(argument, rules, path) ? path : value);
      break;
    }
    case Kind::kSetPath:
      plugin.PutText(exchange->name, AsPath(argument, rules));
      break;
    case Kind::kIgnored:
      plugin.PutNothing(exchange->name);
      break;
    case Kind::kSetNumber:
      plugin.SetData(WholeNumber(argument, name));
      break;
    case Kind::kGetText:
      printer.Line("= ", plugin.TakeText(exchange->name));
      break;
    case Kind::kGetNumber:
      printer.Line("= ", std::to_string(plugin.TakeNumber(exchange->name)));
      break;
    case Kind::kAction:
      if (NeedsTable(*exchange)) CheckTableIsOpen(plugin, *exchange);
      RunAction(plugin, printer, *exchange);
      break;
  }
  return true;
}

}  // namespace quillon_host
