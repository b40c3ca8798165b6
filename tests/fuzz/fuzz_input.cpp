#include "fuzz_input.h"

#include <algorithm>

namespace quillon::fuzz {

uint8_t InputReader::Byte() {
  if (rest_.empty()) return 0;
  const auto b = static_cast<uint8_t>(rest_.front());
  rest_.remove_prefix(1);
  return b;
}

std::string InputReader::TakePiece() {
  const size_t low = Byte();
  const size_t high = Byte();
  const size_t length = std::min(rest_.size(), low | high << 8);
  std::string piece(rest_.substr(0, length));
  rest_.remove_prefix(length);
  return piece;
}

std::string InputReader::Rest() {
  std::string all(rest_);
  rest_ = {};
  return all;
}

std::string Piece(std::string_view bytes) {
  bytes = bytes.substr(0, 0xFFFF);
  std::string out{static_cast<char>(bytes.size() & 0xFF), static_cast<char>(bytes.size() >> 8)};
  out += bytes;
  return out;
}

std::vector<std::string> SplitAtNul(std::string_view text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t nul = text.find('\0', start);
    parts.emplace_back(text.substr(start, nul - start));
    if (nul == std::string_view::npos) return parts;
    start = nul + 1;
  }
}

}  // namespace quillon::fuzz
