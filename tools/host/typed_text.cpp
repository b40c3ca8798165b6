// Typed text as values and paths; see the header.
#include "typed_text.h"

#include "cp1251.h"
#include "failure.h"
#include "os.h"

namespace quillon_host {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const char* simple = next == 'n' ? "\n" : next == 'r' ? "\r" : next == 't' ? "\t" : nullptr;
    if (simple != nullptr || next == '\\') {
      out += simple != nullptr ? *simple : '\\';
      ++i;
    } else if (next == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 &&
               HexDigit(text[i + 3]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
      i += 3;
    } else {
      throw Failure("unknown escape '\\" + std::string(1, next) +
                    "' (the escapes are \\n \\r \\t \\\\ and \\xHH)");
    }
  }
  return out;
}

}  // namespace

std::string AsValue(std::string_view typed, const InputRules& rules) {
  std::string value(typed);
  std::string problem;
  if (rules.utf8 && !Utf8ToCp1251(typed, value, problem)) throw Failure(problem);
  return rules.escapes ? Unescaped(value) : value;
}

bool PathOf(std::string_view typed, const InputRules& rules, std::string& path) {
  path = typed;
  return !rules.utf8 || PathFromUtf8(std::string(typed), path);
}

std::string AsPath(std::string_view typed, const InputRules& rules) {
  std::string path;
  if (!PathOf(typed, rules, path)) {
    throw Failure("the file system cannot spell the path '" + Quoted(typed, rules) + "'");
  }
  return path;
}

std::string Quoted(std::string_view typed, const InputRules& rules) {
  std::string value;
  std::string problem;
  return rules.utf8 && Utf8ToCp1251(typed, value, problem) ? value : std::string(typed);
}

}  // namespace quillon_host
