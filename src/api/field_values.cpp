#include "api/field_values.h"

#include "engine/fields.h"
#include "engine/memo.h"
#include "support/text.h"

namespace quillon::api {

bool IsMemoField(engine::DbfTable& table, int32_t field) {
  return engine::FieldTypeCode(table, field) == engine::kMemoField;
}

std::string ExportedValue(engine::DbfTable& table, int32_t field, bool* whole) {
  std::string raw;
  if (IsMemoField(table, field)) {
    // Left empty when the table has no memo file to read from.
    const bool read = engine::MemoText(table, field, raw);
    if (whole != nullptr) *whole = read;
    return support::Trim(raw);
  }
  // Trimmed straight from the record buffer: a search or a range reads a
  // value of every record. A bad field number takes the way that records
  // its error.
  const std::span<uint8_t> bytes = engine::FieldBytes(table, field);
  if (bytes.empty()) return support::Trim(engine::FieldText(table, field));
  return support::Trim(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace quillon::api
