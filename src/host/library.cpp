#include "host/library.h"

namespace quillon::host {

namespace {
// Plain pointers: they need no initialisation at load time, so the load
// notification never runs before them, whatever order the runtime picks.
Slots* slots = nullptr;
engine::DbfTable* resident = nullptr;
}  // namespace

Slots* TheSlots() { return slots; }

engine::DbfTable* ResidentTable() { return resident; }

void EndCall(engine::DbfTable& table, bool failed) noexcept {
  try {
    if (failed && table.change != nullptr) table.change->Fail();
    engine::EndChange(table);
  } catch (...) {
    // Whatever is left of the change stays for the next open to undo.
    table.change.reset();
    table.readOnly = true;
  }
}

void LibraryLoad() {
  LibraryUnload();
  slots = new Slots();
  resident = engine::NewDbfTable("", "").release();
}

void LibraryUnload() {
  // Freeing the object closes its file handles without posting the record or
  // rewriting the header: whatever the exports did not write stays unwritten.
  delete resident;
  resident = nullptr;
  delete slots;
  slots = nullptr;
}

}  // namespace quillon::host
