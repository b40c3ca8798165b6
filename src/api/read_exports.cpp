// The read exports: field count, field names, and field values of the current
// record or of a list of records. Counts go out through the data slot, names
// and values through the text slot, each followed by "|".
#include <string>
#include <string_view>

#include "api/field_values.h"
#include "engine/cursor.h"
#include "engine/fields.h"
#include "host/library.h"
#include "quillon.h"
#include "support/text.h"

using quillon::api::ExportedValue;
using quillon::engine::DbfTable;
using quillon::host::Slots;
using quillon::host::WithLoadedTable;

void fiedscount() {
  WithLoadedTable([](DbfTable& t, Slots& slots) { slots.data = t.fieldCount; });
}

void getfields() {
  WithLoadedTable([](DbfTable& t, Slots& slots) {
    std::string names;
    for (int32_t field = 1; field <= t.fieldCount; ++field) {
      names += quillon::engine::FieldName(t, field) + "|";
    }
    slots.file = std::move(names);
  });
}

void getcurn() {
  WithLoadedTable([](DbfTable& t, Slots& slots) {
    const std::string request = slots.file;
    std::string_view names = request;
    std::string values;
    while (!names.empty()) {
      const int32_t field = quillon::engine::FieldIndex(t, quillon::support::TakeItem(names, '|'));
      values += ExportedValue(t, field) + "|";
    }
    slots.file = std::move(values);
  });
}

void getcurrecall() {
  WithLoadedTable([](DbfTable& t, Slots& slots) {
    std::string values;
    for (int32_t field = 1; field <= t.fieldCount; ++field) values += ExportedValue(t, field) + "|";
    slots.file = std::move(values);
  });
}

// Moves to each listed record in turn and leaves the cursor on the last one.
void getarrayrecords() {
  WithLoadedTable([](DbfTable& t, Slots& slots) {
    if (slots.file.empty()) return;
    const std::string request = slots.file;
    std::string_view items = request;
    const int32_t field = quillon::engine::FieldIndex(t, quillon::support::TakeItem(items, '|'));
    std::string values;
    while (!items.empty()) {
      const int32_t record =
          quillon::support::ReadWholeNumber(quillon::support::TakeItem(items, '|'));
      quillon::engine::GoToRecord(t, static_cast<uint32_t>(record));
      values += ExportedValue(t, field) + "|";
    }
    slots.file = std::move(values);
  });
}
