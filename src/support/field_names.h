// Field names, in one place: how a new table stores a name, which names can
// be found again, how stored bytes are listed, and how a name asked for is
// compared with the listed ones. Names are at most 10 bytes of
// Windows-1251; only the ASCII letters change case.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::support {

inline constexpr size_t kMaxFieldNameLength = 10;

// A name as a new table stores it: blanks and control bytes trimmed at both
// ends, a-z upper-cased, cut to 10 bytes.
std::string NewFieldName(std::string_view text);

// Whether a stored name can be found by its listed text: not empty, and no
// blank or control byte inside (a lookup ends a name at its first blank).
bool IsFindableName(std::string_view name);

// A stored name as it is listed: the bytes before the first NUL, at most 10.
std::string ListedFieldName(const std::array<uint8_t, 11>& stored);

// The text a name asked for is compared with: a-z upper-cased when it starts
// with "a" or a later byte, exactly as given otherwise.
std::string LookupFieldName(std::string_view asked);

// The name a search request gives, as it is looked up: blanks and control
// bytes trimmed at both ends and a-z upper-cased, so "city" and " City "
// both find CITY.
std::string SearchedFieldName(std::string_view asked);

}  // namespace quillon::support
