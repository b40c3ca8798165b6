// Conversion between Windows-1251, the plug-in's only text encoding, and
// UTF-8, what terminals and editors use today. The table is the host's own,
// so the host needs no conversion library. ASCII passes unchanged both ways.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace quillon_host {

// Every byte gives one character. The one byte that Windows-1251 leaves
// unassigned (0x98) is shown as U+FFFD, the replacement character.
std::string Cp1251ToUtf8(std::string_view text);

// False when the text is not well-formed UTF-8 or holds a character that
// Windows-1251 cannot store; `problem` then says which, and `out` is
// unspecified.
bool Utf8ToCp1251(std::string_view text, std::string& out, std::string& problem);

// Whether the text is well-formed UTF-8.
bool IsUtf8(std::string_view text);

// A code page of one byte a character with ASCII as its low half: the
// characters of its bytes 0x80 to 0xFF, in byte order.
using HighHalf = std::array<char32_t, 128>;
char32_t CharacterOf(const HighHalf& high, char byte);
// False when the code page has no byte for the character (never one for
// U+FFFD, which stands for an unassigned byte).
bool ByteOf(const HighHalf& high, char32_t c, char& byte);

// One byte's character; 0x98 gives U+FFFD.
char32_t Cp1251Character(char byte);
// The byte of a character; false when Windows-1251 has none for it.
bool Cp1251ByteOf(char32_t c, char& byte);
// "U+0416", how a character is named in complaints.
std::string CharacterName(char32_t c);

}  // namespace quillon_host
