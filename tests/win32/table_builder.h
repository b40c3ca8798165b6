// Builds dBase III table files and their memo files (512-byte blocks) byte
// by byte, so the host's checks do not depend on any writer but this one:
// the 32-byte header, one 32-byte descriptor per field, 0x0D, the records,
// 0x1A.
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

// Each row holds one value per field, padded with blanks to the field's
// width. Version 0x03, or 0x83 for a table with a memo file.
std::string BuildTable(const std::vector<FieldSpec>& fields,
                       const std::vector<std::vector<std::string>>& rows,
                       uint8_t version = 0x03);

// Sets the deletion flag of a record (numbered from 1) of a built table.
void MarkDeleted(std::string& table, uint32_t record);

// A memo file holding the texts in blocks 1, 2, ... in order, each text
// ended by 0x1A 0x1A and padded to whole blocks.
std::string BuildMemoFile(const std::vector<std::string>& texts);

// A memo field's value: the block number right-aligned in 10 bytes.
std::string MemoPointer(uint32_t block);

// `size` bytes of file bytes from `at`; "<short>" when the file ends before.
std::string BytesAt(const std::string& bytes, size_t at, size_t size);

// A little-endian number of `size` bytes in file bytes.
uint32_t LittleEndianAt(const std::string& bytes, size_t at, int size);

}  // namespace host_test
