#include "engine/cursor.h"

namespace quillon::engine {

void GoToRecord(DbfTable& t, uint32_t record) {
  if (!t.isOpen) return;
  PostRecord(t);
  t.currentRecord = record;
  ReadRecord(t);
}

void GoFirst(DbfTable& t) { GoToRecord(t, 1); }
void GoLast(DbfTable& t) { GoToRecord(t, t.header.recordCount); }
void GoNext(DbfTable& t) { GoToRecord(t, t.currentRecord + 1u); }
void GoPrev(DbfTable& t) { GoToRecord(t, t.currentRecord - 1u); }

}  // namespace quillon::engine
