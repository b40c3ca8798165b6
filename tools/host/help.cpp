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
       {"records FROM to TO (TO a number or max) as a table; the cursor stays; a",
        "record marked deleted in the table file has * before its number"}},
      {"find",
       "find NAME=PATTERN",
       {"the records whose field NAME holds PATTERN (* and ? match any run and any",
        "one character; case is ignored); the cursor stays"}},
      {"export",
       "export csv [--with-deleted] [--bom] [FROM [TO]] [FILE]",
       {"the records (all, or FROM to TO) as CSV into FILE, or onto the screen;",
        "UTF-8, or Windows-1251 with --raw; records marked deleted are left out",
        "unless --with-deleted keeps them (with a DELETED column of yes and no);",
        "--bom starts the UTF-8 with a byte-order mark"}},
      {"edit",
       "edit N NAME=VALUE|NAME=VALUE...",
       {"changes those fields of record N (gotorec, editrec) and shows it; every name",
        "and value is checked first, and nothing is written when one is wrong: a date",
        "is YYYYMMDD, DD.MM.YYYY or YYYY-MM-DD, a logical T F Y N ? (or \xE4\xE0, \xED\xE5\xF2), a",
        "number fits the field's width and decimals (with a point), a text its width"}},
      {"add",
       "add NAME=VALUE|NAME=VALUE...",
       {"appends a record with those values (addrec), checked as edit checks them,",
        "and shows it"}},
      {"delete",
       "delete N",
       {"deletes record N (gotorec, delrec) without asking; the records after it move",
        "down by one"}},
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

std::vector<std::string> CommandNames() {
  std::vector<std::string> names;
  for (const Command& command : Commands()) names.emplace_back(command.name);
  return names;
}

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
