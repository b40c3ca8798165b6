// The line runner and the help text; see the header.
#include "script.h"

#include <exception>

#include "cp1251.h"
#include "exchange.h"
#include "failure.h"
#include "table_view.h"

namespace quillon_host {

namespace {

constexpr const char* kHelp[] = {
    "Commands, one a line (# starts a comment):",
    "  open PATH          open a table: SetFile, loaddb, getfields, countrec",
    "  show               the current record, field by field",
    "  list [FROM [TO]]   records FROM to TO (TO a number or max) as a table",
    "  find NAME=PATTERN  the records whose field NAME holds PATTERN (* and ? match",
    "                     any run and any one character; case is ignored)",
    "  help               this text",
    "  quit               end the session",
    "Raw calls, one export each, showing what a host sees afterwards:",
    "  SetFile TEXT, SetPath TEXT (the text is everything after the first blank)",
    "  SetData N",
};

// Blank and tab: what may stand before a command.
bool IsIndent(char c) { return c == ' ' || c == '\t'; }

bool ReadLine(std::istream& input, std::string& line) {
  if (!std::getline(input, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

Interpreter::Outcome Interpreter::RunLine(std::string_view written, std::string_view where) {
  std::string line(written);
  std::string problem;
  if (settings_.utf8Input && !Utf8ToCp1251(written, line, problem)) {
    printer_.Complain(where, problem);
    return Outcome::kFailed;
  }
  size_t start = 0;
  while (start < line.size() && IsIndent(line[start])) ++start;
  const bool comment = start == line.size() || line[start] == '#';
  if (settings_.echo) printer_.Line(comment ? "" : "> ", line);
  if (comment) return Outcome::kDone;

  const size_t blank = line.find(' ', start);
  const std::string command = line.substr(start, blank - start);
  const std::string argument = blank == std::string::npos ? "" : line.substr(blank + 1);
  if (command == "quit") return Outcome::kQuit;
  try {
    Dispatch(command, argument);
    return Outcome::kDone;
  } catch (const Failure& failure) {
    printer_.Complain(where, failure.what());
  } catch (const std::exception& error) {
    printer_.Complain(where, std::string("the host ran into trouble: ") + error.what());
  }
  return Outcome::kFailed;
}

void Interpreter::Dispatch(std::string_view command, const std::string& argument) {
  const bool noArgument = argument.find_first_not_of(' ') == std::string::npos;
  auto argumentless = [&] {
    if (!noArgument) throw Failure(std::string(command) + " takes no argument");
  };
  if (command == "help") {
    argumentless();
    PrintHelp();
  } else if (command == "open") {
    OpenTable(plugin_, printer_, argument);
  } else if (command == "show") {
    argumentless();
    ShowRecord(plugin_, printer_);
  } else if (command == "list") {
    ListRecords(plugin_, printer_, argument);
  } else if (command == "find") {
    FindRecords(plugin_, printer_, argument);
  } else if (!RunExchange(plugin_, printer_, command, argument)) {
    throw Failure("unknown command '" + std::string(command) + "' (help lists the commands)");
  }
}

void Interpreter::PrintHelp() const {
  for (const char* line : kHelp) printer_.Line("", line);
  std::string names;
  for (std::string_view name : ArgumentlessExchanges()) {
    if (names.size() + name.size() > 74) {
      printer_.Line("  ", names);
      names.clear();
    }
    if (!names.empty()) names += ' ';
    names += name;
  }
  printer_.Line("  ", names);
}

int Interpreter::RunScript(std::istream& input, const std::string& name) {
  int status = 0;
  std::string line;
  for (int number = 1; ReadLine(input, line); ++number) {
    const Outcome outcome = RunLine(line, name + ":" + std::to_string(number));
    if (outcome == Outcome::kQuit) break;
    if (outcome == Outcome::kFailed) {
      status = 1;
      if (!settings_.keepGoing) break;
    }
  }
  return status;
}

int Interpreter::RunInteractive(std::istream& input) {
  printer_.Line("", "quillon-host: type help for the commands, quit or end of input to leave");
  std::string line;
  while (true) {
    printer_.Prompt("quillon> ");
    if (!ReadLine(input, line)) {
      printer_.Line("", "");
      break;
    }
    if (RunLine(line, "") == Outcome::kQuit) break;
  }
  return 0;
}

}  // namespace quillon_host
