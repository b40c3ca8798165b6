#include "cp1251.h"

#include <array>
#include <cstdio>

namespace quillon_host {

namespace {

// The characters of the bytes 0x80 to 0xFF, in byte order, eight a row.
// clang-format off
constexpr HighHalf kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
// clang-format on

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Reads one character at `at` and moves past it; false on a malformed,
// overlong or surrogate sequence.
bool ReadUtf8(std::string_view text, size_t& at, char32_t& c) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = 0;
  char32_t smallest = 0;
  if (lead < 0x80) {
    c = lead;
    ++at;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, smallest = 0x10000;
  } else {
    return false;
  }
  if (text.size() - at < length) return false;
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return false;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  at += length;
  return true;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char byte : text) AppendUtf8(Cp1251Character(byte), out);
  return out;
}

bool Utf8ToCp1251(std::string_view text, std::string& out, std::string& problem) {
  out.clear();
  size_t at = 0;
  while (at < text.size()) {
    char32_t c = 0;
    if (!ReadUtf8(text, at, c)) {
      problem = "the text is not valid UTF-8 (byte " + std::to_string(at + 1) + ")";
      return false;
    }
    char byte = 0;
    if (!Cp1251ByteOf(c, byte)) {
      problem = "the character " + CharacterName(c) + " has no Windows-1251 byte";
      return false;
    }
    out += byte;
  }
  return true;
}

bool IsUtf8(std::string_view text) {
  char32_t c = 0;
  for (size_t at = 0; at < text.size();) {
    if (!ReadUtf8(text, at, c)) return false;
  }
  return true;
}

char32_t CharacterOf(const HighHalf& high, char byte) {
  const auto b = static_cast<unsigned char>(byte);
  return b < 0x80 ? b : high[b - 0x80];
}

bool ByteOf(const HighHalf& high, char32_t c, char& byte) {
  if (c < 0x80) {
    byte = static_cast<char>(c);
    return true;
  }
  if (c == kReplacement) return false;
  for (size_t found = 0; found < high.size(); ++found) {
    if (high[found] == c) {
      byte = static_cast<char>(0x80 + found);
      return true;
    }
  }
  return false;
}

char32_t Cp1251Character(char byte) { return CharacterOf(kHighHalf, byte); }

bool Cp1251ByteOf(char32_t c, char& byte) { return ByteOf(kHighHalf, c, byte); }

std::string CharacterName(char32_t c) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
  return name;
}

}  // namespace quillon_host
