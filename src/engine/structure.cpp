#include "engine/structure.h"

#include <algorithm>

namespace quillon::engine {

FieldType FieldTypeOfLetter(uint8_t letter) {
  switch (letter) {
    case 'C':
      return kCharacterField;
    case 'D':
      return kDateField;
    case 'N':
      return kNumericField;
    case 'L':
      return kLogicalField;
    case 'M':
      return kMemoField;
    default:
      return kOtherField;
  }
}

MemoLayout MemoLayoutOf(uint8_t version) {
  switch (version) {
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x83:
    case 0x84:
      return MemoLayout::kFixed;
    case 0x30:
    case 0xF5:
      return MemoLayout::kSized;
    default:
      return MemoLayout::kNone;
  }
}

bool HasBinaryMemoPointers(uint8_t version) { return version == 0x30; }

int FullYear(uint8_t yearByte) { return yearByte < 80 ? 2000 + yearByte : 1900 + yearByte; }

TableStructure ReadTableStructure(StructureSource& source) {
  TableStructure s;
  HeaderBytes header_bytes{};
  size_t got = 0;
  if (!source.Read(0, header_bytes.data(), kHeaderSize, &got) || got != kHeaderSize) return s;
  s.header = DecodeHeader(header_bytes);

  int count = 0;
  for (;;) {
    uint8_t first = 0;
    const uint64_t slot = kHeaderSize + uint64_t{kDescriptorSize} * static_cast<uint64_t>(count);
    if (!source.Read(slot, &first, 1, &got) || got != 1) return s;
    if (first == kDescriptorEnd) break;
    if (++count > kMaxFields) return s;
  }
  const uint32_t record_length = s.header.recordLength;
  if (record_length == 0 || record_length > kRecordBufferSize ||
      s.header.headerLength < kHeaderSize + kDescriptorSize * count + 1) {
    return s;
  }

  uint64_t size = 0;
  if (!source.Size(&size)) return s;
  s.header.recordCount = std::min(s.header.recordCount, RecordsHeld(s.header, size));

  s.fieldCount = count;
  uint32_t position = 2;
  for (int i = 1; i <= count; ++i) {
    DescriptorBytes bytes{};
    const uint64_t at = uint64_t{kDescriptorSize} * static_cast<uint64_t>(i);
    if (!source.Read(at, bytes.data(), kDescriptorSize, &got)) {
      bytes.fill(0);
      s.trouble = DescriptorTrouble::kReadFailed;
      s.troubledField = i;
    } else if (got < kDescriptorSize) {
      s.trouble = DescriptorTrouble::kShort;
      s.troubledField = i;
    }
    DbfFieldDesc& field = s.fields[static_cast<size_t>(i)];
    field = DecodeDescriptor(bytes);
    field.offset = position;
    position += field.width;
    for (auto& c : field.name) {
      if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
    }
  }
  s.verdict = position - 1 == record_length ? StructureVerdict::kHeld : StructureVerdict::kReadOnly;
  return s;
}

}  // namespace quillon::engine
