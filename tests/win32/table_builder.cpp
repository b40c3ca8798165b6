#include "table_builder.h"

namespace host_test {

namespace {

void PutLittleEndian(std::string& bytes, size_t at, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace

std::string BuildTable(const std::vector<FieldSpec>& fields,
                       const std::vector<std::vector<std::string>>& rows) {
  uint32_t record_length = 1;
  for (const FieldSpec& field : fields) record_length += field.width;
  const uint32_t header_length = 32 + 32 * static_cast<uint32_t>(fields.size()) + 1;

  std::string bytes(32, '\0');
  bytes[0] = 0x03;
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

}  // namespace host_test
