// How the text people type reaches the plug-in and the file system. Lines
// are written in the locale's encoding (or the one --input-encoding names).
// Values go to the plug-in in Windows-1251; paths go to the file system as it
// spells names, which on Linux means unchanged. With escapes on, "\n", "\r",
// "\t", "\\" and "\xHH" in a value stand for their bytes; paths are never
// unescaped, so Windows paths keep their backslashes.
#pragma once

#include <string>
#include <string_view>

#include "table_encoding.h"

namespace quillon_host {

struct InputRules {
  bool utf8 = true;
  bool escapes = false;
  // What the values the commands store are turned into; raw calls pass
  // values on as typed.
  TableEncoding table = TableEncoding::kWindows1251;
};

// Throws Failure when the text is not well-formed UTF-8, holds a character
// that Windows-1251 lacks, or has an unknown escape.
std::string AsValue(std::string_view typed, const InputRules& rules);

// Throws Failure when the file system cannot spell the path.
std::string AsPath(std::string_view typed, const InputRules& rules);
// The same, false instead.
bool PathOf(std::string_view typed, const InputRules& rules, std::string& path);

// The typed text in Windows-1251 when it converts, for quoting it back to
// the person who typed it; otherwise as it was typed.
std::string Quoted(std::string_view typed, const InputRules& rules);

}  // namespace quillon_host
