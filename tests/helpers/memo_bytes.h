// Builds memo files byte by byte, independently of the engine: the
// fixed-block layout (512-byte blocks, texts ended by 0x1A 0x1A) and the
// sized-block layout (big-endian header, a 512-byte header area).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::testing {

std::string LittleEndian(uint32_t value);
std::string BigEndian(uint32_t value);

// A fixed-block memo file holding the texts from block 1 on.
std::string FixedMemoFile(const std::vector<std::string>& texts);

// A memo field's stored pointer: the block number right-aligned in 10 bytes.
std::string MemoPointer(int block);

// A sized-block memo file: a 512-byte header, then the texts, each starting
// on a block of its own.
std::string SizedMemoFile(uint32_t blockSize, const std::vector<std::string>& texts);

}  // namespace quillon::testing
