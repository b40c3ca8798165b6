// The host's help: every command and raw export at a glance, and each one
// on its own (help NAME).
#pragma once

#include <string_view>

#include "printer.h"

namespace quillon_host {

// `topic` empty: the overview. False when the topic is neither a command
// nor an export.
bool PrintHelp(const Printer& printer, std::string_view topic);

}  // namespace quillon_host
