// How a fuzz input is cut into pieces: single bytes, length-prefixed pieces
// (two bytes, little-endian, then that many bytes) and the rest. The seed
// maker builds inputs with Piece() so that both sides share one format.
// Reading never fails: what the input lacks reads as zero bytes or as a
// shorter piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::fuzz {

class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  uint8_t Byte();
  std::string TakePiece();
  std::string Rest();

 private:
  std::string_view rest_;
};

// The bytes TakePiece() reads back as `bytes` (cut to 65535 bytes).
std::string Piece(std::string_view bytes);

// Splits text at NUL bytes: each part is a text a host can pass through a
// 0-terminated string.
std::vector<std::string> SplitAtNul(std::string_view text);

}  // namespace quillon::fuzz
