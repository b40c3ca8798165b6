// A table file's header as the host reads it; see the header.
#include "table_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

#include "os.h"

namespace quillon_host {

namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kDescriptorSize = 32;
constexpr char kDescriptorEnd = 0x0D;

struct Version {
  uint8_t byte;
  const char* name;
};

// The first bytes dBase-family writers put in their tables.
constexpr Version kVersions[] = {
    {0x02, "FoxBASE"},
    {0x03, "dBase III, no memo"},
    {0x04, "dBase IV, no memo"},
    {0x05, "dBase V, no memo"},
    {0x30, "Visual FoxPro"},
    {0x31, "Visual FoxPro, autoincrement"},
    {0x32, "Visual FoxPro, varchar"},
    {0x43, "dBase IV SQL table"},
    {0x63, "dBase IV SQL system table"},
    {0x7B, "dBase IV with memo"},
    {0x83, "dBase III with memo"},
    {0x8B, "dBase IV with memo"},
    {0x8E, "dBase IV with SQL table"},
    {0xCB, "dBase IV SQL table with memo"},
    {0xF5, "FoxPro with memo"},
    {0xFB, "FoxBASE"},
};

const char* KnownVersion(uint8_t byte) {
  for (const Version& version : kVersions) {
    if (version.byte == byte) return version.name;
  }
  return nullptr;
}

}  // namespace

TableShape ReadTableFacts(const std::string& path, TableFacts& facts) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return TableShape::kUnreadable;
  std::array<char, kHeaderSize> header{};
  if (!file.read(header.data(), header.size())) return TableShape::kNotATable;
  auto byte = [&](size_t at) { return static_cast<uint8_t>(header[at]); };
  if (KnownVersion(byte(0)) == nullptr) return TableShape::kNotATable;
  facts.version = byte(0);
  facts.year = 1900 + byte(1);
  facts.month = byte(2);
  facts.day = byte(3);
  const size_t headerLength = byte(8) | byte(9) << 8;
  facts.fields.clear();
  std::array<char, kDescriptorSize> descriptor{};
  for (size_t at = kHeaderSize; at + kDescriptorSize <= headerLength; at += kDescriptorSize) {
    if (!file.read(descriptor.data(), 1) || descriptor[0] == kDescriptorEnd ||
        !file.read(descriptor.data() + 1, kDescriptorSize - 1)) {
      break;
    }
    FieldFacts& field = facts.fields.emplace_back();
    field.name.assign(descriptor.data(), 11);
    field.name.erase(std::min(field.name.find('\0'), field.name.size()));
    field.type = descriptor[11];
    field.width = static_cast<uint8_t>(descriptor[16]);
    field.decimals = static_cast<uint8_t>(descriptor[17]);
  }
  return TableShape::kTable;
}

std::vector<int32_t> DeletedRecords(const std::string& path) {
  std::vector<int32_t> deleted;
  std::ifstream file(path, std::ios::binary);
  std::array<char, kHeaderSize> header{};
  if (!file || !file.read(header.data(), header.size())) return deleted;
  auto byte = [&](size_t at) { return static_cast<uint32_t>(static_cast<uint8_t>(header[at])); };
  const uint32_t count = byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24;
  const size_t headerLength = byte(8) | byte(9) << 8;
  const size_t recordLength = byte(10) | byte(11) << 8;
  if (recordLength == 0) return deleted;
  // Whole records are read in large pieces: one seek per record would cost
  // a system call each on a table of many thousands.
  constexpr size_t kPiece = 1 << 16;
  const size_t perPiece = std::max<size_t>(1, kPiece / recordLength);
  std::vector<char> piece(perPiece * recordLength);
  file.seekg(static_cast<std::streamoff>(headerLength));
  for (uint32_t first = 0; first < count && file; first += perPiece) {
    const size_t wanted = std::min<size_t>(perPiece, count - first);
    file.read(piece.data(), static_cast<std::streamsize>(wanted * recordLength));
    const size_t got = static_cast<size_t>(file.gcount()) / recordLength;
    for (size_t i = 0; i < got; ++i) {
      if (piece[i * recordLength] == '*') deleted.push_back(static_cast<int32_t>(first + i + 1));
    }
  }
  return deleted;
}

std::string VersionName(uint8_t version) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", version);
  const char* known = KnownVersion(version);
  return std::string(hex) + " (" + (known != nullptr ? known : "not a version the host knows") +
         ")";
}

std::string WhyNotOpened(const std::string& path) {
  switch (KindOfFile(path)) {
    case FileKind::kMissing:
      return "there is no file " + path;
    case FileKind::kFolder:
      return path + " is a folder, not a table file";
    case FileKind::kFile:
      break;
  }
  if (HeldForWriting(path)) {
    return path +
           " is held by another program, which is writing it: close it there and open it "
           "again";
  }
  TableFacts facts;
  switch (ReadTableFacts(path, facts)) {
    case TableShape::kUnreadable:
      return path + " cannot be read (you may not have the right to read it)";
    case TableShape::kNotATable:
      return path + " is not a dBase table";
    case TableShape::kTable:
      break;
  }
  return path +
         " is damaged: its header and field list do not hold together, so the plug-in "
         "keeps it closed and writes nothing into it";
}

}  // namespace quillon_host
