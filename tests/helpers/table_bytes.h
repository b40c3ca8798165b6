// Builds table files byte by byte, independently of the engine, so tests
// compare the engine against the file format rather than against itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon::testing {

struct FieldSpec {
  std::string name;  // stored as given, NUL-padded to 11 bytes
  char type = 'C';
  int width = 10;
  int decimals = 0;
};

struct TableBytes {
  uint8_t version = 0x03;
  std::vector<FieldSpec> fields;
  // Each record's bytes after the deletion flag; padded with blanks to the
  // record length.
  std::vector<std::string> records;
  std::vector<char> flags;  // deletion flag per record; blank when missing
  std::optional<uint32_t> recordCount;
  std::optional<uint16_t> headerLength;
  std::optional<uint16_t> recordLength;
  std::string afterTerminator;  // bytes between 0x0D and the first record
  std::string afterRecords;     // e.g. "\x1A"
  uint8_t year = 24, month = 1, day = 31;

  uint16_t RecordLength() const;
  uint16_t HeaderLength() const;
  std::string Build() const;
  // Appends a record of one value per field, each padded with blanks to its
  // field's width (missing values are blank).
  void AddValues(const std::vector<std::string>& values);
};

// Little-endian helpers for reading header values out of file bytes; 0 when
// the bytes end before the value does.
uint32_t U32At(const std::string& bytes, size_t at);
uint16_t U16At(const std::string& bytes, size_t at);

}  // namespace quillon::testing
