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

void LibraryLoad() {
  LibraryUnload();
  slots = new Slots();
  resident = engine::NewDbfTable("", "", true).release();
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
