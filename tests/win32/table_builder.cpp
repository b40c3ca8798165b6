#include "table_builder.h"

namespace host_test {

namespace {

constexpr size_t kMemoBlock = 512;

void PutLittleEndian(std::string& bytes, size_t at, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

void PadToBlock(std::string& bytes) {
  bytes.resize((bytes.size() + kMemoBlock - 1) / kMemoBlock * kMemoBlock, '\0');
}

}  // namespace

std::string BuildTable(const std::vector<FieldSpec>& fields,
                       const std::vector<std::vector<std::string>>& rows, uint8_t version) {
  uint32_t record_length = 1;
  for (const FieldSpec& field : fields) record_length += field.width;
  const uint32_t header_length = 32 + 32 * static_cast<uint32_t>(fields.size()) + 1;

  std::string bytes(32, '\0');
  bytes[0] = static_cast<char>(version);
  bytes[1] = 24;  // 2024-01-31
  bytes[2] = 1;
  bytes[3] = 31;
  PutLittleEndian(bytes, 4, static_cast<uint32_t>(rows.size()), 4);
  PutLittleEndian(bytes, 8, header_length, 2);
  PutLittleEndian(bytes, 10, record_length, 2);

  for (const FieldSpec& field : fields) {
    std::string descriptor(32, '\0');
    descriptor.replace(0, field.name.size(), field.name);
    descriptor[11] = field.type;
    descriptor[16] = static_cast<char>(field.width);
    bytes += descriptor;
  }
  bytes += '\x0D';

  for (const auto& row : rows) {
    bytes += ' ';
    for (size_t i = 0; i < fields.size(); ++i) {
      std::string value = i < row.size() ? row[i] : "";
      value.resize(fields[i].width, ' ');
      bytes += value;
    }
  }
  bytes += '\x1A';
  return bytes;
}

void MarkDeleted(std::string& table, uint32_t record) {
  table[LittleEndianAt(table, 8, 2) + (record - 1) * LittleEndianAt(table, 10, 2)] = '*';
}

std::string BuildMemoFile(const std::vector<std::string>& texts) {
  std::string bytes(kMemoBlock, '\0');
  for (const std::string& text : texts) {
    bytes += text + "\x1A\x1A";
    PadToBlock(bytes);
  }
  PutLittleEndian(bytes, 0, static_cast<uint32_t>(bytes.size() / kMemoBlock), 4);
  return bytes;
}

std::string MemoPointer(uint32_t block) {
  const std::string digits = std::to_string(block);
  return std::string(10 - digits.size(), ' ') + digits;
}

std::string BytesAt(const std::string& bytes, size_t at, size_t size) {
  if (at + size > bytes.size()) return "<short>";
  return bytes.substr(at, size);
}

uint32_t LittleEndianAt(const std::string& bytes, size_t at, int size) {
  if (at + size > bytes.size()) return 0;  // a file shorter than its header
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

}  // namespace host_test
