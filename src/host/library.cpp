#include "host/library.h"

#include <memory>

namespace quillon::host {

namespace {
Slots slots;
std::unique_ptr<engine::DbfTable> resident;
}  // namespace

Slots& TheSlots() { return slots; }

engine::DbfTable* ResidentTable() { return resident.get(); }

void LibraryLoad() {
  slots = Slots{};
  resident = engine::NewDbfTable("", "", true);
}

void LibraryUnload() {
  // Freeing the object closes its file handles without posting the record or
  // rewriting the header: whatever the exports did not write stays unwritten.
  resident.reset();
  slots.file.clear();
  slots.path.clear();
}

}  // namespace quillon::host
