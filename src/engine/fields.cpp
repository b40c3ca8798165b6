#include "engine/fields.h"

#include <algorithm>
#include <cstring>

#include "support/field_names.h"
#include "support/text.h"

namespace quillon::engine {

namespace {

bool IsValidField(const DbfTable& t, int32_t field) { return field >= 1 && field <= t.fieldCount; }

const DbfFieldDesc& Desc(const DbfTable& t, int32_t field) {
  return t.fields[static_cast<size_t>(field)];
}

// Both sides go through the same lookup rule, so that a name another
// program stored in small letters is found by the text it is listed with.
int32_t FindListedName(const DbfTable& t, std::string_view wanted) {
  for (int32_t i = 1; i <= t.fieldCount; ++i) {
    if (support::LookupFieldName(support::ListedFieldName(Desc(t, i).name)) == wanted) return i;
  }
  return 0;
}

}  // namespace

int32_t FieldIndex(const DbfTable& t, std::string_view name) {
  if (name.empty()) return 0;
  const std::string wanted = support::LookupFieldName(name);
  // A name is looked up whole first, so that a name another program stored
  // with a blank inside can be found by the text it is listed with.
  if (const int32_t whole = FindListedName(t, wanted); whole > 0) return whole;
  const size_t blank = wanted.find(' ', 1);
  return blank == std::string::npos ? 0 : FindListedName(t, wanted.substr(0, blank));
}

std::string FieldName(DbfTable& t, int32_t field) {
  if (!IsValidField(t, field)) {
    RecordError(t, EngineError::kFieldName, field);
    return {};
  }
  return support::ListedFieldName(Desc(t, field).name);
}

uint8_t FieldTypeCode(DbfTable& t, int32_t field) {
  if (!IsValidField(t, field)) {
    RecordError(t, EngineError::kFieldType, field);
    return kOtherField;
  }
  return FieldTypeOfLetter(Desc(t, field).type);
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
  const FieldSpan span = SpanOf(t, Desc(t, field));
  return std::span<uint8_t>(t.recordBuffer).subspan(span.begin, span.length);
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
  // A number cut on the left would be another number: it is refused and the
  // field keeps its value. Leading blanks may go.
  if (right && value.size() > desc.width &&
      !std::all_of(value.begin(), value.end() - desc.width, support::IsBlankByte)) {
    RecordError(t, EngineError::kFieldSize, field);
    return;
  }
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
