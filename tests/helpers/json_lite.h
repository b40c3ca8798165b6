// A small JSON reader for the fixtures' descriptions. Strings come back as
// byte strings: each \u escape must name a code point up to 0xFF and becomes
// that one byte, which is how the fixtures store Latin-1 byte values.
// Malformed input throws std::runtime_error.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon::testing {

struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  bool IsNull() const { return kind == Kind::kNull; }
  // The member with that name; throws when there is none.
  const Json& operator[](std::string_view name) const;
};

Json ParseJson(std::string_view text);

}  // namespace quillon::testing
