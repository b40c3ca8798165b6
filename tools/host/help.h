// The host's help: every command and raw export at a glance, and each one
// on its own (help NAME).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "printer.h"

namespace quillon_host {

// `topic` empty: the overview. False when the topic is neither a command
// nor an export.
bool PrintHelp(const Printer& printer, std::string_view topic);

// The commands for people, quit and help among them.
std::vector<std::string> CommandNames();

}  // namespace quillon_host
