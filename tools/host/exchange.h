// The raw exchanges: one line calls one export by its own name, and prints
// what a host would see. A getter prints "= value". A table export prints
// "message: text" for each message box it showed, then "file: text" and
// "data: n" for the slots it writes (and for any other slot it changed).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plugin.h"
#include "printer.h"
#include "typed_text.h"

namespace quillon_host {

// The exports a line calls without an argument, in the order help lists
// them (the setters, SetFile, SetPath and SetData, take one).
std::vector<std::string_view> ArgumentlessExchanges();

// Every export a line may call.
std::vector<std::string> ExchangeNames();

// False when `name` is no export. Throws Failure on a bad argument or a
// missing export, and on an export that needs a table when none is open.
// `argument` is as typed.
bool RunExchange(Plugin& plugin, const Printer& printer, std::string_view name,
                 const std::string& argument, const InputRules& rules);

// The help of one export: how it is written and what it does, one line
// each; empty when `name` is no export.
std::vector<std::string> ExchangeHelp(std::string_view name);

// Prints the texts of message boxes the way every command does; `path` is
// the file name the call was given, which a message may quote.
void PrintMessages(const Printer& printer, const std::vector<std::string>& messages,
                   std::string_view path = {});

// The argument as a signed 32-bit whole number, or Failure naming `what`.
int32_t WholeNumber(std::string_view argument, std::string_view what);

}  // namespace quillon_host
