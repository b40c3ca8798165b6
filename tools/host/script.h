// Runs the host's lines: one call or command per line, "#" comments and
// blank lines, from a script, from standard input or typed at a prompt. A
// line that fails is reported with its place and stops a script unless the
// script is told to keep going.
#pragma once

#include <istream>
#include <string>
#include <string_view>

#include "plugin.h"
#include "printer.h"
#include "typed_text.h"

namespace quillon_host {

struct ScriptSettings {
  bool keepGoing = false;
  // Print comments and blank lines as they are and each command after "> ".
  bool echo = false;
  // How the lines are written, and whether values hold escapes.
  InputRules input;
};

class Interpreter {
 public:
  enum class Outcome { kDone, kFailed, kQuit };

  Interpreter(Plugin& plugin, const Printer& printer, ScriptSettings settings)
      : plugin_(plugin), printer_(printer), settings_(settings) {}

  // `where` names the line in complaints (empty at the prompt).
  Outcome RunLine(std::string_view line, std::string_view where);

  // Every line of `input`: 0 when every line ran, 1 when one failed.
  int RunScript(std::istream& input, const std::string& name);

  // A prompt for each line until end of input or quit; a failed line does
  // not end the session. Always 0.
  int RunInteractive(std::istream& input);

 private:
  // `argument` as typed.
  void Dispatch(std::string_view command, const std::string& argument);
  void Echo(std::string_view label, std::string_view line) const;

  Plugin& plugin_;
  const Printer& printer_;
  ScriptSettings settings_;
};

}  // namespace quillon_host
