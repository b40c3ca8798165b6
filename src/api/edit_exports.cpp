// The edit exports: editrec changes fields of the current record, addrec
// appends a filled record, delrec deletes the current record. Each ends by
// moving on (which writes the record) and packing the table, so the cursor
// is on no record afterwards; all of it is one change of the table's files.
#include <string>
#include <string_view>

#include "api/field_values.h"
#include "engine/cursor.h"
#include "engine/fields.h"
#include "engine/memo.h"
#include "engine/records.h"
#include "host/library.h"
#include "quillon.h"
#include "support/text.h"

using quillon::engine::DbfTable;
using quillon::host::Slots;

namespace {

namespace engine = quillon::engine;
namespace support = quillon::support;

struct Assignment {
  std::string name;  // trimmed
  std::string_view value;
};

// NAME=VALUE: the name before the first "=", the value after it (further
// "=" included); without "=" the whole item is the name.
Assignment Split(std::string_view item) {
  const size_t equals = item.find('=');
  std::string_view value;
  if (equals != std::string_view::npos) value = item.substr(equals + 1);
  return {support::Trim(item.substr(0, equals)), value};
}

void FinishChange(DbfTable& t) {
  engine::GoNext(t);
  engine::Pack(t);
}

void EditRecord(DbfTable& t, Slots& slots) {
  const uint32_t record = t.currentRecord;
  engine::ProtectRecordChange(t, record);
  const std::string list = std::move(slots.file);
  slots.file.clear();
  std::string_view items = list;
  while (!items.empty()) {
    // Re-reading the record writes the previous assignment first.
    engine::GoToRecord(t, record);
    const Assignment a = Split(support::TakeItem(items, '|'));
    const int32_t field = engine::FieldIndex(t, a.name);
    if (!t.isOpen) continue;
    if (quillon::api::IsMemoField(t, field)) {
      engine::SetMemoText(t, field, a.value);
    } else {
      engine::PutFieldByNumber(t, field, quillon::api::FieldValueCut(a.value));
    }
  }
  FinishChange(t);
}

void AddRecord(DbfTable& t, Slots& slots) {
  const uint32_t current = t.currentRecord;
  if (!engine::BeginAppend(t)) {
    // No record was added: the assignments would land on the record that was
    // last before the call. Leave the table, the cursor and the request as
    // they were.
    if (t.isOpen) engine::GoToRecord(t, current);
    return;
  }
  engine::GoLast(t);
  const std::string list = std::move(slots.file);
  slots.file.clear();
  std::string_view items = list;
  while (!items.empty()) {
    const Assignment a = Split(support::TakeItem(items, '|'));
    const std::string value = support::Trim(a.value);
    const int32_t field = engine::FieldIndex(t, a.name);
    if (quillon::api::IsMemoField(t, field)) {
      engine::SetMemoText(t, field, value);
    } else {
      engine::PutFieldByName(t, a.name, quillon::api::FieldValueCut(value));
    }
  }
  engine::EndAppend(t);
  FinishChange(t);
}

void DeleteRecord(DbfTable& t, Slots&) {
  engine::ProtectRecordChange(t, t.currentRecord);
  engine::MarkDeleted(t, true);
  FinishChange(t);
}

}  // namespace

void editrec() { quillon::host::WithLoadedTable(EditRecord); }

void addrec() { quillon::host::WithLoadedTable(AddRecord); }

void delrec() { quillon::host::WithLoadedTable(DeleteRecord); }
