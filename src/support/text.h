// Small text helpers shared by the engine and the exports. Texts are
// Windows-1251 byte strings; nothing here converts character sets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::support {

// True for the blank and every control byte (values 0x00 to 0x20).
inline bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Removes bytes at or below 0x20 from the end only.
std::string TrimRight(std::string_view text);

// Removes bytes at or below 0x20 from both ends, then ends the result before
// its first remaining NUL byte.
std::string Trim(std::string_view text);
// The same, as a part of `text`.
std::string_view TrimmedView(std::string_view text);

// An optional "+" or "-" as the first byte, then decimal digits up to the
// first other byte; no digits gives 0. Blanks are not skipped. The value
// wraps as a 32-bit integer would.
int32_t ReadWholeNumber(std::string_view text);

// Takes the item before the first separator off the front of list (the item
// and the separator are removed); without a separator the whole rest is the
// item and the list becomes empty.
// Works on a view so that taking many items stays linear in the list length.
std::string_view TakeItem(std::string_view& list, char separator);

// Changes the ASCII letters a-z to A-Z; other bytes stay.
std::string UpperAscii(std::string_view text);

// Changes the ASCII letters A-Z to a-z; other bytes stay.
std::string LowerAscii(std::string_view text);

// Plain decimal with "-" for negative values.
std::string Decimal(int64_t value);

}  // namespace quillon::support
