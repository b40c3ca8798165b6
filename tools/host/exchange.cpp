// Raw exchanges with the plug-in's exports; see the header.
#include "exchange.h"

#include <charconv>

#include "failure.h"

namespace quillon_host {

namespace {

enum class Kind { kSetText, kSetNumber, kGetText, kGetNumber, kAction };

struct Exchange {
  const char* name;
  Kind kind;
  bool writesFile = false;
  bool writesData = false;
};

// What each export writes is fixed by the exchange protocol; an export that
// changes a slot it is not listed for is still reported.
constexpr Exchange kExchanges[] = {
    {"SetFile", Kind::kSetText},
    {"GetFile", Kind::kGetText},
    {"SetData", Kind::kSetNumber},
    {"GetData", Kind::kGetNumber},
    {"SetPath", Kind::kSetText},
    {"GetType", Kind::kGetNumber},
    {"GetShortInfo", Kind::kGetText},
    {"GetInfo", Kind::kGetText},
    {"Copyright", Kind::kGetText},
    {"Settings", Kind::kAction},
    {"loaddb", Kind::kAction, true, false},
    {"first", Kind::kAction},
    {"last", Kind::kAction},
    {"next1", Kind::kAction},
    {"prev", Kind::kAction},
    {"gotorec", Kind::kAction},
    {"curnum", Kind::kAction, false, true},
    {"countrec", Kind::kAction, false, true},
    {"fiedscount", Kind::kAction, false, true},
    {"getfields", Kind::kAction, true, false},
    {"getcurn", Kind::kAction, true, false},
    {"getcurrecall", Kind::kAction, true, false},
    {"getarrayrecords", Kind::kAction, true, false},
    {"editrec", Kind::kAction, true, false},
    {"addrec", Kind::kAction, true, false},
    {"delrec", Kind::kAction},
    {"finddata", Kind::kAction, true, false},
    {"getdataotdo", Kind::kAction, true, false},
    {"importasmaster", Kind::kAction},
    {"memopak", Kind::kAction},
    {"make", Kind::kAction, true, false},
};

void RunAction(Plugin& plugin, const Printer& printer, const Exchange& exchange) {
  const std::string fileBefore = plugin.GetFile();
  const int32_t dataBefore = plugin.GetData();
  PrintMessages(printer, plugin.Run(exchange.name));
  const std::string fileAfter = plugin.GetFile();
  const int32_t dataAfter = plugin.GetData();
  if (exchange.writesFile || fileAfter != fileBefore) printer.Line("file: ", fileAfter);
  if (exchange.writesData || dataAfter != dataBefore) {
    printer.Line("data: ", std::to_string(dataAfter));
  }
}

bool TakesArgument(const Exchange& exchange) {
  return exchange.kind == Kind::kSetText || exchange.kind == Kind::kSetNumber;
}

}  // namespace

std::vector<std::string_view> ArgumentlessExchanges() {
  std::vector<std::string_view> names;
  for (const Exchange& exchange : kExchanges) {
    if (!TakesArgument(exchange)) names.emplace_back(exchange.name);
  }
  return names;
}

void PrintMessages(const Printer& printer, const std::vector<std::string>& messages) {
  for (const std::string& message : messages) printer.Line("message: ", message);
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
                 const std::string& argument) {
  const Exchange* exchange = nullptr;
  for (const Exchange& known : kExchanges) {
    if (name == known.name) exchange = &known;
  }
  if (exchange == nullptr) return false;
  if (!TakesArgument(*exchange) && argument.find_first_not_of(' ') != std::string::npos) {
    throw Failure(std::string(name) + " takes no argument");
  }
  switch (exchange->kind) {
    case Kind::kSetText:
      plugin.PutText(exchange->name, argument);
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
      RunAction(plugin, printer, *exchange);
      break;
  }
  return true;
}

}  // namespace quillon_host
