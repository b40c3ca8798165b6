// Builds dBase III table files byte by byte, so the host's checks do not
// depend on any writer but this one: the 32-byte header, one 32-byte
// descriptor per field, 0x0D, the records, 0x1A.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host_test {

struct FieldSpec {
  std::string name;
  char type;
  uint8_t width;
};

// Each row holds one value per field, padded with blanks to the field's width.
std::string BuildTable(const std::vector<FieldSpec>& fields,
                       const std::vector<std::vector<std::string>>& rows);

}  // namespace host_test
