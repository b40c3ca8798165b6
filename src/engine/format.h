// The table file's fixed parts: the 32-byte header and the 32-byte field
// descriptor, with their conversion from and to file bytes (little-endian,
// whatever the machine). The limits of what the engine holds live here too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillon::engine {

inline constexpr int kMaxFields = 128;
inline constexpr int kRecordBufferSize = 4800;
inline constexpr int kHeaderSize = 32;
inline constexpr int kDescriptorSize = 32;
inline constexpr uint8_t kDescriptorEnd = 0x0D;
inline constexpr uint8_t kEndOfFile = 0x1A;
inline constexpr uint8_t kLiveFlag = 0x20;
inline constexpr uint8_t kDeletedFlag = 0x2A;

struct DbfHeader {
  uint8_t version = 0;
  std::array<uint8_t, 3> lastUpdate{};  // year modulo 100, month, day
  uint32_t recordCount = 0;
  uint16_t headerLength = 0;
  uint16_t recordLength = 0;
  std::array<uint8_t, 20> reserved{};  // kept exactly as read
};

struct DbfFieldDesc {
  std::array<uint8_t, 11> name{};
  uint8_t type = 0;
  // In the file: the position counted from field 1. In memory: the field's
  // 1-based position in the record (the deletion flag is position 1).
  uint32_t offset = 0;
  uint8_t width = 0;
  uint8_t decimals = 0;
  std::array<uint8_t, 14> reserved{};
};

// Header byte 29 names the code page of the table's texts (0xC9 for
// Windows-1251, as some writers mark it); other programs read texts by it.
inline constexpr size_t kCodePageByte = 29;
inline uint8_t& CodePageOf(DbfHeader& header) { return header.reserved[kCodePageByte - 12]; }
inline uint8_t CodePageOf(const DbfHeader& header) { return header.reserved[kCodePageByte - 12]; }

using HeaderBytes = std::array<uint8_t, kHeaderSize>;
using DescriptorBytes = std::array<uint8_t, kDescriptorSize>;

DbfHeader DecodeHeader(const HeaderBytes& bytes);

// How many records a table file of `fileSize` bytes really holds: whole
// records, and a last record the file ends inside (read with its missing
// bytes blank). A single byte after the last whole record is an end-of-file
// mark, not a record. A header never gets more records than this.
uint32_t RecordsHeld(const DbfHeader& header, uint64_t fileSize);
HeaderBytes EncodeHeader(const DbfHeader& header);
DbfFieldDesc DecodeDescriptor(const DescriptorBytes& bytes);
DescriptorBytes EncodeDescriptor(const DbfFieldDesc& desc);

inline uint32_t LoadU32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline void StoreU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace quillon::engine
