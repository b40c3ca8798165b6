// The cursor exports: thin guards around the engine's moves. Integers travel
// through the data slot only.
#include "engine/cursor.h"
#include "host/library.h"
#include "quillon.h"

using quillon::engine::DbfTable;
using quillon::host::Slots;
using quillon::host::WithLoadedTable;

void first() {
  WithLoadedTable([](DbfTable& t, Slots&) { quillon::engine::GoFirst(t); });
}

void last() {
  WithLoadedTable([](DbfTable& t, Slots&) { quillon::engine::GoLast(t); });
}

// Stops on the last record: a host loop built on next1 never reaches the
// blank out-of-range state.
void next1() {
  WithLoadedTable([](DbfTable& t, Slots&) {
    if (t.currentRecord < t.header.recordCount) quillon::engine::GoNext(t);
  });
}

void prev() {
  WithLoadedTable([](DbfTable& t, Slots&) {
    if (t.currentRecord > 1) quillon::engine::GoPrev(t);
  });
}

void gotorec() {
  WithLoadedTable([](DbfTable& t, Slots& slots) {
    quillon::engine::GoToRecord(t, static_cast<uint32_t>(slots.data));
  });
}

void curnum() {
  WithLoadedTable(
      [](DbfTable& t, Slots& slots) { slots.data = static_cast<int32_t>(t.currentRecord); });
}

void countrec() {
  WithLoadedTable(
      [](DbfTable& t, Slots& slots) { slots.data = static_cast<int32_t>(t.header.recordCount); });
}
