#include "engine/fields.h"

#include <algorithm>
#include <cstring>

#include "support/text.h"

namespace quillon::engine {

namespace {

bool IsValidField(const DbfTable& t, int32_t field) { return field >= 1 && field <= t.fieldCount; }

const DbfFieldDesc& Desc(const DbfTable& t, int32_t field) {
  return t.fields[static_cast<size_t>(field)];
}

// The part of the record buffer a field covers, cut at the buffer's end.
std::pair<size_t, size_t> FieldSpan(const DbfFieldDesc& desc) {
  const size_t begin = std::min<size_t>(desc.offset - 1u, kRecordBufferSize);
  const size_t end = std::min<size_t>(begin + desc.width, kRecordBufferSize);
  return {begin, end - begin};
}

}  // namespace

int32_t FieldIndex(const DbfTable& t, std::string_view name) {
  if (name.empty()) return 0;
  std::string wanted = static_cast<unsigned char>(name[0]) >= 0x61 ? support::UpperAscii(name)
                                                                   : std::string(name);
  size_t blank = wanted.find(' ', 1);
  if (blank != std::string::npos) wanted.resize(blank);
  for (int32_t i = 1; i <= t.fieldCount; ++i) {
    const auto& stored = Desc(t, i).name;
    const auto* end = std::find(stored.begin(), stored.end(), uint8_t{0});
    if (end == stored.end()) continue;  // no NUL: the name reads as empty
    const size_t length = static_cast<size_t>(end - stored.begin());
    if (length == wanted.size() && std::memcmp(stored.data(), wanted.data(), length) == 0) {
      return i;
    }
  }
  return 0;
}

std::string FieldName(DbfTable& t, int32_t field) {
  if (!IsValidField(t, field)) {
    RecordError(t, EngineError::kFieldName, field);
    return {};
  }
  const auto& stored = Desc(t, field).name;
  const auto* end = std::find(stored.begin(), stored.begin() + 10, uint8_t{0});
  return std::string(stored.begin(), end);
}

uint8_t FieldTypeCode(DbfTable& t, int32_t field) {
  if (!IsValidField(t, field)) {
    RecordError(t, EngineError::kFieldType, field);
    return kOtherField;
  }
  switch (Desc(t, field).type) {
    case 'C': return kCharacterField;
    case 'D': return kDateField;
    case 'N': return kNumericField;
    case 'L': return kLogicalField;
    case 'M': return kMemoField;
    default: return kOtherField;
  }
}

std::string FieldText(DbfTable& t, int32_t field) {
  if (!IsValidField(t, field)) {
    RecordError(t, EngineError::kFieldByNumber, field);
    return {};
  }
  std::span<uint8_t> bytes = FieldBytes(t, field);
  return support::TrimRight(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::span<uint8_t> FieldBytes(DbfTable& t, int32_t field) {
  if (!IsValidField(t, field)) return {};
  auto [begin, length] = FieldSpan(Desc(t, field));
  return std::span<uint8_t>(t.recordBuffer).subspan(begin, length);
}

std::string AlignRight(std::string_view text, size_t width) {
  if (text.size() >= width) return std::string(text.substr(text.size() - width));
  return std::string(width - text.size(), ' ') + std::string(text);
}

std::string AlignLeft(std::string_view text, size_t width) {
  if (text.size() >= width) return std::string(text.substr(0, width));
  return std::string(text) + std::string(width - text.size(), ' ');
}

void PutFieldByNumber(DbfTable& t, int32_t field, std::string_view value) {
  if (!IsValidField(t, field)) {
    RecordError(t, EngineError::kPutByNumber, field);
    return;
  }
  const DbfFieldDesc& desc = Desc(t, field);
  const bool right = desc.type == 'N' || desc.type == 'M';
  const std::string fitted = right ? AlignRight(value, desc.width) : AlignLeft(value, desc.width);
  if (desc.type == 'N' && desc.decimals > 0) {
    // The point belongs at position width - decimals. A field with no room
    // for digits before its point can never hold a well-placed one.
    const int point = int{desc.width} - int{desc.decimals};
    if (point < 1 || fitted[static_cast<size_t>(point - 1)] != '.') {
      RecordError(t, EngineError::kDecimalPoint, field);
    }
  }
  std::span<uint8_t> bytes = FieldBytes(t, field);
  std::copy_n(fitted.begin(), bytes.size(), bytes.begin());
  t.recordModified = true;
}

void PutFieldByName(DbfTable& t, std::string_view name, std::string_view value) {
  const int32_t field = FieldIndex(t, name);
  if (field > 0) {
    PutFieldByNumber(t, field, value);
  } else {
    RecordError(t, EngineError::kPutByName, name);
  }
}

}  // namespace quillon::engine
