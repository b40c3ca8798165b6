// The host's command line: which plug-in, where the lines come from, and how
// texts are read and shown.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "table_encoding.h"

namespace quillon_host {

struct Options {
  std::string plugin;                 // empty: the plug-in beside the host
  std::vector<std::string> commands;  // the texts of -c, in order
  std::string script;                 // a script file, "-" for standard input
  bool keepGoing = false;
  bool raw = false;
  std::optional<bool> utf8Input;  // unset: as the locale has it
  bool escapes = false;
  TableEncoding tableEncoding = TableEncoding::kWindows1251;
  bool echo = false;
  bool help = false;
  bool version = false;
};

// False on a command line that makes no sense; `error` then says why.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

extern const char* const kUsage;

}  // namespace quillon_host
