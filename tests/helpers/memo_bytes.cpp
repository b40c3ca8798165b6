#include "helpers/memo_bytes.h"

namespace quillon::testing {

namespace {

std::string PadTo(std::string bytes, size_t block) {
  bytes.resize((bytes.size() + block - 1) / block * block, '\0');
  return bytes;
}

}  // namespace

std::string LittleEndian(uint32_t v) {
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

std::string BigEndian(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string FixedMemoFile(const std::vector<std::string>& texts) {
  std::string blocks;
  for (const auto& text : texts) blocks += PadTo(text + "\x1A\x1A", 512);
  return PadTo(LittleEndian(static_cast<uint32_t>(1 + blocks.size() / 512)), 512) + blocks;
}

std::string MemoPointer(int block) {
  const std::string digits = std::to_string(block);
  return std::string(10 - digits.size(), ' ') + digits;
}

std::string SizedMemoFile(uint32_t blockSize, const std::vector<std::string>& texts) {
  std::string blocks;
  for (const auto& text : texts) {
    blocks += PadTo(BigEndian(1) + BigEndian(static_cast<uint32_t>(text.size())) + text, blockSize);
  }
  std::string header = BigEndian(static_cast<uint32_t>((512 + blocks.size()) / blockSize));
  header += BigEndian(blockSize);
  header.resize(512, '\0');
  return header + blocks;
}

}  // namespace quillon::testing
