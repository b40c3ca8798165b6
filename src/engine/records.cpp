#include "engine/records.h"

#include <limits>
#include <vector>

namespace quillon::engine {

namespace {

// Tells the append hook; a hook that throws counts as a failed append.
bool TellAppend(DbfTable& t) {
  if (!t.onAppend) return true;
  try {
    t.onAppend(t);
    return true;
  } catch (...) {
    return false;
  }
}

// Takes back an append that did not complete: the count goes back, the
// header on disk with it, the table counts as unchanged, and the file loses
// whatever the new record left behind the last counted one, since some
// readers take every record up to the end of the file.
void UndoAppend(DbfTable& t, uint32_t added, bool headerModified) {
  t.header.recordCount = added - 1;
  t.headerModified = headerModified;
  t.bufferIsStandIn = true;
  WriteHeader(t);
  const uint64_t end = RecordOffset(t, added);
  uint64_t size = 0;
  if (t.dbfFile->Size(&size) && size > end) SetLength(t.dbfFile.get(), end);
  RecordError(t, EngineError::kAppendBlank, added);
}

// Where a pack got to.
struct PackScan {
  uint64_t write = 0;  // where the next kept record goes
  uint64_t read = 0;   // the first record not dealt with
  uint32_t kept = 0;
  uint32_t examined = 0;
  bool dropped = false;
  bool complete = true;  // false when a read or a move failed
};

// Moves every live record down over the deleted ones, in one pass, using the
// record buffer as the work area. Stops at the first read or write that
// fails, with that record still in its old place; a record the file ends
// inside is kept whole, its missing bytes blank, and the records the file
// does not reach at all are not records.
PackScan MoveLiveRecordsDown(DbfTable& t) {
  const size_t length = t.header.recordLength;
  PackScan scan;
  scan.write = scan.read = t.header.headerLength;
  for (uint32_t i = 1; i <= t.header.recordCount; ++i) {
    size_t got = 0;
    if (!ReadAt(t.dbfFile.get(), scan.read, t.recordBuffer.data(), length, &got)) {
      scan.complete = false;
      return scan;
    }
    if (got == 0) return scan;
    BlankBuffer(t, got);
    if (t.recordBuffer[0] == kDeletedFlag) {
      scan.dropped = true;
    } else {
      if (scan.dropped && !WriteAt(t.dbfFile.get(), scan.write, t.recordBuffer.data(), length)) {
        scan.complete = false;
        return scan;
      }
      scan.write += length;
      ++scan.kept;
    }
    scan.read += length;
    scan.examined = i;
  }
  return scan;
}

// Overwrites the record places from `from` up to `to` with blank records
// flagged deleted. Left behind by a pack, those places hold copies of records
// already moved down and records meant to go: as deleted blanks they keep the
// table consistent under its old record count, and no record is there twice.
// The record buffer keeps the last record the pack read.
void RetirePlaces(DbfTable& t, uint64_t from, uint64_t to) {
  const size_t length = t.header.recordLength;
  std::vector<uint8_t> retired(length, kLiveFlag);
  retired[0] = kDeletedFlag;
  for (uint64_t at = from; at < to; at += length) {
    WriteAt(t.dbfFile.get(), at, retired.data(), length);
  }
}

}  // namespace

bool AppendBlank(DbfTable& t) {
  if (!t.isOpen) return false;
  // The buffer is about to become the new record: a change still pending in
  // it would be lost.
  if (t.autoPost) PostRecord(t);
  if (t.header.recordCount == std::numeric_limits<uint32_t>::max()) {
    RecordError(t, EngineError::kAppendBlank, int64_t{t.header.recordCount} + 1);
    return false;
  }
  const uint32_t added = t.header.recordCount + 1;
  const bool headerModified = t.headerModified;
  t.header.recordCount = added;
  t.currentRecord = added;
  BlankBuffer(t, 0);
  t.bufferIsStandIn = false;
  t.recordModified = true;
  // A record that did not reach the file is not appended: counting it would
  // make the header promise bytes the file does not hold.
  if (!WriteRecord(t) || !WriteHeader(t) || !TellAppend(t)) {
    UndoAppend(t, added, headerModified);
    return false;
  }
  t.headerModified = true;
  return true;
}

void MarkDeleted(DbfTable& t, bool deleted) {
  if (!t.isOpen) return;
  if (t.onBeforeMark && !AskPermission(t.onBeforeMark, t)) return;
  t.recordBuffer[0] = deleted ? kDeletedFlag : kLiveFlag;
  t.recordModified = true;
}

void Pack(DbfTable& t) {
  if (!t.isOpen) return;
  // The buffer is the pack's work area: a change still pending in it is
  // written first rather than lost.
  if (t.autoPost) PostRecord(t);
  const uint32_t before = t.header.recordCount;
  const PackScan scan = MoveLiveRecordsDown(t);
  if (scan.dropped) {
    t.headerModified = true;
    RetirePlaces(t, scan.write, scan.read);
  }
  if (!scan.complete) {
    RecordError(t, EngineError::kWriteRecord, scan.examined);
  } else {
    t.header.recordCount = scan.kept;
    StampDate(t);
    if (!WriteHeader(t)) {
      t.header.recordCount = before;
      RecordError(t, EngineError::kWriteRecord, scan.examined);
    } else if (scan.dropped) {
      // Readers that go by the file's length would show the removed records
      // again.
      SetLength(t.dbfFile.get(), scan.write);
    }
  }
  // The buffer still holds the last record read, which is no longer record
  // currentRecord: it is never written back.
  t.currentRecord = 0;
  t.bufferIsStandIn = true;
  t.recordModified = false;
}

}  // namespace quillon::engine
