#include "engine/creation.h"

#include <algorithm>
#include <cstring>

#include "engine/format.h"
#include "support/field_names.h"
#include "support/file_names.h"
#include "support/text.h"

namespace quillon::engine {

namespace {

constexpr size_t kMaxDefinitionLength = 255;
constexpr uint8_t kPlainVersion = 0x03;
constexpr uint8_t kMemoVersion = 0x83;

struct ParsedField {
  std::string name;
  char type = 'C';
  int width = 10;
  int decimals = 0;
};

int ReadWidth(std::string_view text) {
  if (text == "0") return 1;
  auto width = static_cast<uint16_t>(support::ReadWholeNumber(text));
  if (width == 0) return 8;
  return std::min<int>(width, 255);
}

int ReadDecimals(std::string_view text) {
  auto decimals = static_cast<int16_t>(support::ReadWholeNumber(text));
  return std::max<int>(decimals, 0);
}

ParsedField ParseDefinition(const std::string& line, size_t index) {
  ParsedField f;
  std::string_view name;
  std::string_view definition = line;
  const size_t equals = line.find('=');
  std::string generated;
  if (equals != std::string::npos) {
    name = std::string_view(line).substr(0, equals);
    definition = std::string_view(line).substr(equals + 1, kMaxDefinitionLength);
  } else {
    generated = "FIELD" + std::to_string(index);
    name = generated;
  }
  f.name = support::NewFieldName(name);

  std::string def = support::Trim(definition) + " ";
  const char letter = support::UpperAscii(def.substr(0, 1))[0];
  if (std::strchr("CNDLM", letter) != nullptr) {
    f.type = letter;
    def.erase(0, 1);
  }
  const size_t comma = def.find(',');
  const std::string width_text = support::Trim(std::string_view(def).substr(0, comma));
  const std::string decimals_text =
      comma == std::string::npos ? "0" : support::Trim(std::string_view(def).substr(comma + 1));
  // An empty width means the default; an empty decimals text reads as 0.
  f.width = ReadWidth(width_text.empty() ? "10" : width_text);
  f.decimals = ReadDecimals(decimals_text);

  switch (f.type) {
    case 'D': f.width = 16; f.decimals = 0; break;
    case 'L': f.width = 1; f.decimals = 0; break;
    case 'M': f.width = 10; f.decimals = 0; break;
    case 'N':
      f.width = std::min(f.width, 18);
      f.decimals = f.width < 3 ? 0 : std::min(f.decimals, f.width - 2);
      break;
    default: f.decimals = 0; break;
  }
  return f;
}

DescriptorBytes Descriptor(const ParsedField& f, uint32_t offset) {
  DbfFieldDesc desc;
  std::copy(f.name.begin(), f.name.end(), desc.name.begin());
  desc.type = static_cast<uint8_t>(f.type);
  desc.offset = offset;
  desc.width = static_cast<uint8_t>(f.width);
  desc.decimals = static_cast<uint8_t>(f.decimals);
  return EncodeDescriptor(desc);
}

bool CreateMemoFile(const std::string& tableName) {
  const std::string memoName = support::MemoFileName(tableName);
  if (memoName.empty()) return false;
  auto memo = platform::Current().Open(memoName, platform::OpenMode::kCreateExclusive);
  const uint8_t nextFreeBlock[4] = {1, 0, 0, 0};
  return memo != nullptr && WriteAt(memo.get(), 0, nextFreeBlock, sizeof nextFreeBlock);
}

}  // namespace

bool CreateTable(DbfTable& table, const std::string& fileName, const FieldDefs& defs,
                 uint8_t codePage) {
  const size_t count = std::min<size_t>(defs.size(), kMaxFields);
  std::vector<ParsedField> fields;
  uint8_t version = kPlainVersion;
  int sum = 0;
  for (size_t i = 0; i < count; ++i) {
    fields.push_back(ParseDefinition(defs[i], i));
    sum += fields.back().width;
    if (fields.back().type == 'M') version = kMemoVersion;
    // A field no lookup could ever find could never be set or read by name.
    if (!support::IsFindableName(fields.back().name)) {
      RecordError(table, EngineError::kFieldName, static_cast<int64_t>(i + 1));
      return false;
    }
  }
  // A record the engine could not hold in its buffer could never be read.
  if (sum + 1 > kRecordBufferSize) return false;

  auto file = platform::Current().Open(fileName, platform::OpenMode::kCreateExclusive);
  if (file == nullptr) return false;
  DbfHeader header;
  header.lastUpdate = TodayStamp();
  CodePageOf(header) = codePage;
  bool ok = WriteAt(file.get(), 0, EncodeHeader(header).data(), kHeaderSize);

  uint32_t offset = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    const DescriptorBytes bytes = Descriptor(fields[i], offset);
    ok = WriteAt(file.get(), kHeaderSize + kDescriptorSize * i, bytes.data(), bytes.size()) && ok;
    offset += static_cast<uint32_t>(fields[i].width);
  }
  const uint8_t ends[2] = {kDescriptorEnd, kEndOfFile};
  ok = WriteAt(file.get(), kHeaderSize + kDescriptorSize * count, ends, sizeof ends) && ok;

  header.version = version;
  header.headerLength = static_cast<uint16_t>(kDescriptorSize * count + kHeaderSize + 1);
  header.recordLength = static_cast<uint16_t>(sum + 1);
  ok = WriteAt(file.get(), 0, EncodeHeader(header).data(), kHeaderSize) && ok;
  if (version == kMemoVersion) ok = CreateMemoFile(fileName) && ok;
  return ok;
}

bool GetFieldDefs(DbfTable& table, FieldDefs& defs) {
  if (!table.isOpen) return false;
  defs.clear();
  for (int32_t k = 1; k <= table.fieldCount; ++k) {
    const DbfFieldDesc& f = table.fields[static_cast<size_t>(k)];
    defs.push_back(support::ListedFieldName(f.name) + "=" + static_cast<char>(f.type) +
                   std::to_string(f.width) + "," + std::to_string(f.decimals));
  }
  return true;
}

bool CreateTableLike(DbfTable& table, const std::string& fileName) {
  FieldDefs defs;
  return GetFieldDefs(table, defs) &&
         CreateTable(table, fileName, defs, CodePageOf(table.header));
}

}  // namespace quillon::engine
