#include "support/case_folding.h"

#include <array>

namespace quillon::support {

namespace {

constexpr unsigned char Lower(unsigned char byte) {
  if (byte >= 'A' && byte <= 'Z') return static_cast<unsigned char>(byte + 0x20);
  if (byte >= 0xC0 && byte <= 0xDF) return static_cast<unsigned char>(byte + 0x20);
  switch (byte) {
    case 0x80: return 0x90;  // Ђ
    case 0x81: return 0x83;  // Ѓ
    case 0x8A: return 0x9A;  // Љ
    case 0x8C: return 0x9C;  // Њ
    case 0x8D: return 0x9D;  // Ќ
    case 0x8E: return 0x9E;  // Ћ
    case 0x8F: return 0x9F;  // Џ
    case 0xA1: return 0xA2;  // Ў
    case 0xA3: return 0xBC;  // Ј
    case 0xA5: return 0xB4;  // Ґ
    case 0xA8: return 0xB8;  // Ё
    case 0xAA: return 0xBA;  // Є
    case 0xAF: return 0xBF;  // Ї
    case 0xB2: return 0xB3;  // І
    case 0xBD: return 0xBE;  // Ѕ
    default: return byte;
  }
}

// A search folds every byte of every value it scans: one look-up each.
constexpr std::array<unsigned char, 256> kLower = [] {
  std::array<unsigned char, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    table[static_cast<size_t>(byte)] = Lower(static_cast<unsigned char>(byte));
  }
  return table;
}();

}  // namespace

unsigned char LowerCp1251(unsigned char byte) { return kLower[byte]; }

void LowerCp1251(std::string& text) {
  for (char& c : text) c = static_cast<char>(kLower[static_cast<unsigned char>(c)]);
}

}  // namespace quillon::support
