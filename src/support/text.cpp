#include "support/text.h"

namespace quillon::support {

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsBlankByte(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string_view TrimmedView(std::string_view text) {
  // The ends go first, then the value stops at a NUL: blanks that stand
  // before an inner NUL belong to the value. Skipping at the start stops at
  // a NUL, so a value that starts with one ends up empty.
  size_t end = text.size();
  while (end > 0 && IsBlankByte(text[end - 1])) --end;
  std::string_view rest = text.substr(0, end);
  size_t begin = 0;
  while (begin < rest.size() && IsBlankByte(rest[begin]) && rest[begin] != '\0') ++begin;
  rest.remove_prefix(begin);
  return rest.substr(0, rest.find('\0'));
}

std::string Trim(std::string_view text) { return std::string(TrimmedView(text)); }

int32_t ReadWholeNumber(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    i = 1;
  }
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<uint32_t>(text[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

std::string_view TakeItem(std::string_view& list, char separator) {
  size_t at = list.find(separator);
  std::string_view item = list.substr(0, at);
  list.remove_prefix(at == std::string_view::npos ? list.size() : at + 1);
  return item;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string Decimal(int64_t value) { return std::to_string(value); }

}  // namespace quillon::support
