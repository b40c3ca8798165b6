// The library's state shared by every export: the exchange slots and the
// resident table, created at load and released at unload. Also the guard
// every table export runs its body in.
#pragma once

#include <cstdint>
#include <string>

#include "engine/table.h"

namespace quillon::host {

struct Slots {
  std::string file;
  std::string path;
  int32_t data = 0;
};

// Both are null before load and after unload (and if loading ran out of
// memory); every export checks.
Slots* TheSlots();
engine::DbfTable* ResidentTable();

// Load: empty slots and a closed resident table that posts automatically.
void LibraryLoad();
// Unload: the resident table is released without writing anything to its
// files, then the slots are emptied.
void LibraryUnload();

// Ends the change an export call made, as one: made, or undone whole when
// anything in it failed (or `failed` says the call was cut short).
void EndCall(engine::DbfTable& table, bool failed) noexcept;

// Runs a table export's body when a table is loaded (the resident table has a
// file name); otherwise nothing happens. Nothing thrown inside gets out, and
// whatever the body wrote is one change, ended before the call returns.
template <typename Body>
void WithLoadedTable(Body&& body) noexcept {
  engine::DbfTable* table = ResidentTable();
  bool failed = false;
  try {
    Slots* slots = TheSlots();
    if (table != nullptr && slots != nullptr && !table->fileName.empty()) body(*table, *slots);
  } catch (...) {
    failed = true;
  }
  if (table != nullptr) EndCall(*table, failed);
}

// Runs an export's body whatever the state; nothing thrown inside gets out.
template <typename Body>
void Guarded(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace quillon::host
