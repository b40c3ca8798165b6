// make: creates "newbase.dbf" in the current folder from the field
// definitions in the text slot, and answers "OK!" or the pending engine
// error, which it clears.
#include <string>
#include <string_view>

#include "engine/creation.h"
#include "host/library.h"
#include "quillon.h"
#include "support/text.h"

namespace {

namespace engine = quillon::engine;
namespace support = quillon::support;

constexpr char kNewTable[] = "newbase.dbf";
// The answer when the creation itself failed and no other error was pending:
// the host must never read "OK!" when no table was made.
constexpr char kCreateFailed[] = "DBF create error: newbase.dbf";

void MakeTable() {
  engine::DbfTable* table = quillon::host::ResidentTable();
  quillon::host::Slots* slots = quillon::host::TheSlots();
  if (table == nullptr || slots == nullptr) return;
  engine::FieldDefs defs;
  std::string_view items = slots->file;
  while (!items.empty()) defs.push_back(support::Trim(support::TakeItem(items, '|')));
  slots->file.clear();
  const bool created = engine::CreateTable(*table, kNewTable, defs);
  std::string error = engine::TakeLastError(*table);
  if (error.empty() && !created) error = kCreateFailed;
  slots->file = error.empty() ? "OK!" : error;
}

}  // namespace

void make() { quillon::host::Guarded(MakeTable); }
