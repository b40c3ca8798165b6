// The help texts of the commands; the exports' own come from the exchange
// table. See the header.
#include "help.h"

#include <string>
#include <vector>

#include "exchange.h"

namespace quillon_host {

namespace {

struct Command {
  const char* name;
  const char* usage;
  std::vector<const char*> text;
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"open",
       "open PATH",
       {"opens a table (SetFile, loaddb, fiedscount, getfields, countrec) and prints its",
        "record count and field names; says why when it did not open, and when it",
        "could be opened for reading only"}},
      {"fields",
       "fields",
       {"the table's version, record count, date of last update and memo file, then",
        "every field's name, type, width and decimals (read from the table file)"}},
      {"show", "show", {"the current record, field by field"}},
      {"list",
       "list [FROM [TO]]",
       {"records FROM to TO (TO a number or max) as a table; the cursor stays"}},
      {"find",
       "find NAME=PATTERN",
       {"the records whose field NAME holds PATTERN (* and ? match any run and any",
        "one character; case is ignored); the cursor stays"}},
      {"export",
       "export csv [FROM [TO]] [FILE]",
       {"the records (all, or FROM to TO) as CSV into FILE, or onto the screen;",
        "UTF-8, or Windows-1251 with --raw"}},
      {"help", "help [NAME]", {"all commands and exports, or one of them"}},
      {"quit", "quit", {"ends the session"}},
  };
  return commands;
}

void PrintOverview(const Printer& printer) {
  printer.Line("", "Commands, one a line (# starts a comment; help NAME tells more):");
  for (const Command& command : Commands()) printer.Line("  ", command.usage);
  printer.Line("", "Raw calls, one export each, showing what a host sees afterwards:");
  printer.Line("  ", "SetFile TEXT, SetPath PATH (everything after the first blank), SetData N");
  std::string names;
  for (std::string_view name : ArgumentlessExchanges()) {
    if (names.size() + name.size() > 74) {
      printer.Line("  ", names);
      names.clear();
    }
    if (!names.empty()) names += ' ';
    names += name;
  }
  printer.Line("  ", names);
}

}  // namespace

bool PrintHelp(const Printer& printer, std::string_view topic) {
  if (topic.empty()) {
    PrintOverview(printer);
    return true;
  }
  for (const Command& command : Commands()) {
    if (topic != command.name) continue;
    printer.Line("", command.usage);
    for (const char* line : command.text) printer.Line("  ", line);
    return true;
  }
  const std::vector<std::string> lines = ExchangeHelp(topic);
  for (const std::string& line : lines) printer.Line("", line);
  return !lines.empty();
}

}  // namespace quillon_host
