#include "engine/format.h"

#include <algorithm>

namespace quillon::engine {

namespace {

uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void StoreU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

DbfHeader DecodeHeader(const HeaderBytes& b) {
  DbfHeader h;
  h.version = b[0];
  std::copy_n(&b[1], 3, h.lastUpdate.begin());
  h.recordCount = LoadU32(&b[4]);
  h.headerLength = LoadU16(&b[8]);
  h.recordLength = LoadU16(&b[10]);
  std::copy_n(&b[12], 20, h.reserved.begin());
  return h;
}

HeaderBytes EncodeHeader(const DbfHeader& h) {
  HeaderBytes b{};
  b[0] = h.version;
  std::copy_n(h.lastUpdate.begin(), 3, &b[1]);
  StoreU32(&b[4], h.recordCount);
  StoreU16(&b[8], h.headerLength);
  StoreU16(&b[10], h.recordLength);
  std::copy_n(h.reserved.begin(), 20, &b[12]);
  return b;
}

uint32_t RecordsHeld(const DbfHeader& h, uint64_t fileSize) {
  if (h.recordLength == 0 || fileSize <= h.headerLength) return 0;
  const uint64_t bytes = fileSize - h.headerLength;
  const uint64_t held = bytes / h.recordLength + (bytes % h.recordLength > 1 ? 1 : 0);
  return static_cast<uint32_t>(std::min<uint64_t>(held, UINT32_MAX));
}

DbfFieldDesc DecodeDescriptor(const DescriptorBytes& b) {
  DbfFieldDesc d;
  std::copy_n(&b[0], 11, d.name.begin());
  d.type = b[11];
  d.offset = LoadU32(&b[12]);
  d.width = b[16];
  d.decimals = b[17];
  std::copy_n(&b[18], 14, d.reserved.begin());
  return d;
}

DescriptorBytes EncodeDescriptor(const DbfFieldDesc& d) {
  DescriptorBytes b{};
  std::copy_n(d.name.begin(), 11, &b[0]);
  b[11] = d.type;
  StoreU32(&b[12], d.offset);
  b[16] = d.width;
  b[17] = d.decimals;
  std::copy_n(d.reserved.begin(), 14, &b[18]);
  return b;
}

}  // namespace quillon::engine
