// The line runner and the help text; see the header.
#include "script.h"

#include <exception>
#include <vector>

#include "cp1251.h"
#include "csv_export.h"
#include "editing.h"
#include "exchange.h"
#include "failure.h"
#include "help.h"
#include "suggestion.h"
#include "table_reading.h"
#include "table_view.h"

namespace quillon_host {

namespace {

// Blank and tab: what may stand before a command.
bool IsIndent(char c) { return c == ' ' || c == '\t'; }

bool ReadLine(std::istream& input, std::string& line) {
  if (!std::getline(input, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

Interpreter::Outcome Interpreter::RunLine(std::string_view line, std::string_view where) {
  size_t start = 0;
  while (start < line.size() && IsIndent(line[start])) ++start;
  const bool comment = start == line.size() || line[start] == '#';
  if (settings_.echo) Echo(comment ? "" : "> ", line);
  if (comment) return Outcome::kDone;

  const size_t blank = line.find(' ', start);
  const std::string command(line.substr(start, blank - start));
  const std::string argument =
      blank == std::string::npos ? "" : std::string(line.substr(blank + 1));
  if (command == "quit") return Outcome::kQuit;
  try {
    Dispatch(command, argument);
    return Outcome::kDone;
  } catch (const Failure& failure) {
    printer_.Complain(where, failure.what(), failure.path());
  } catch (const std::exception& error) {
    printer_.Complain(where, std::string("the host ran into trouble: ") + error.what());
  }
  return Outcome::kFailed;
}

// The line as the plug-in gets it; a line that is no Windows-1251 text
// (a path only the file system can spell) as it was written.
void Interpreter::Echo(std::string_view label, std::string_view line) const {
  std::string value;
  std::string problem;
  if (settings_.input.utf8 && !Utf8ToCp1251(line, value, problem)) {
    printer_.Utf8Line(std::string(label) + std::string(line));
  } else {
    printer_.Line(label, Quoted(line, settings_.input));
  }
}

void Interpreter::Dispatch(std::string_view command, const std::string& argument) {
  const InputRules& rules = settings_.input;
  const bool noArgument = argument.find_first_not_of(' ') == std::string::npos;
  auto argumentless = [&] {
    if (!noArgument) throw Failure(std::string(command) + " takes no argument");
  };
  if (command == "help") {
    const std::vector<std::string_view> topic = Words(argument);
    if (topic.size() > 1) throw Failure("help takes one command or export");
    if (!PrintHelp(printer_, topic.empty() ? "" : topic[0])) {
      throw Failure("no command or export is called '" + Quoted(topic[0], rules) +
                    "' (help lists them)");
    }
  } else if (command == "open") {
    OpenTable(plugin_, printer_, AsPath(argument, rules));
  } else if (command == "fields") {
    argumentless();
    DescribeTable(plugin_, printer_);
  } else if (command == "show") {
    argumentless();
    ShowRecord(plugin_, printer_);
  } else if (command == "list") {
    ListRecords(plugin_, printer_, argument);
  } else if (command == "find") {
    FindRecords(plugin_, printer_, ToTableText(AsValue(argument, rules), rules.table));
  } else if (command == "export") {
    ExportCsv(plugin_, printer_, argument, rules);
  } else if (command == "edit") {
    EditRecord(plugin_, printer_, argument, rules);
  } else if (command == "add") {
    AddRecord(plugin_, printer_, argument, rules);
  } else if (command == "delete") {
    DeleteRecord(plugin_, printer_, argument);
  } else if (!RunExchange(plugin_, printer_, command, argument, rules)) {
    std::vector<std::string> known = CommandNames();
    for (const std::string& name : ExchangeNames()) known.push_back(name);
    const std::string guess = Suggestion(command, known);
    throw Failure("unknown command '" + Quoted(command, rules) + "'" +
                  (guess.empty() ? "" : ": did you mean " + guess + "?") +
                  " (help lists the commands)");
  }
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
