#include "api/field_values.h"

#include "engine/fields.h"
#include "engine/memo.h"
#include "support/text.h"

namespace quillon::api {

bool IsMemoField(engine::DbfTable& table, int32_t field) {
  return engine::FieldTypeCode(table, field) == engine::kMemoField;
}

std::string ExportedValue(engine::DbfTable& table, int32_t field) {
  std::string raw;
  if (IsMemoField(table, field)) {
    // Left empty when the table has no memo file to read from.
    engine::MemoText(table, field, raw);
  } else {
    raw = engine::FieldText(table, field);
  }
  return support::Trim(raw);
}

}  // namespace quillon::api
