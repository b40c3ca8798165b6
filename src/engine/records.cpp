#include "engine/records.h"

#include <algorithm>
#include <limits>

#include "engine/fast_paths.h"
#include "engine/memo.h"
#include "engine/shift_journal.h"

namespace quillon::engine {

namespace {

// Forgets an append that did not complete: the count goes back, and the
// change it belongs to is undone whole when it ends, so the file keeps
// nothing of the record either.
void ForgetAppend(DbfTable& t, uint32_t added, bool headerModified) {
  t.header.recordCount = added - 1;
  t.headerModified = headerModified;
  t.bufferIsStandIn = true;
  if (t.change != nullptr) t.change->Fail();
  RecordError(t, EngineError::kAppendBlank, added);
}

// Where a pack got to.
struct PackScan {
  uint64_t read = 0;  // the first record not dealt with
  uint32_t kept = 0;
  uint32_t examined = 0;
  uint32_t firstDeleted = 0;  // 0: no record is flagged
  bool complete = true;       // false when a read or the removal failed
};

// Reads the records in order up to the first one flagged deleted. Nothing
// is written.
PackScan FindFirstDeleted(DbfTable& t) {
  PackScan scan;
  const uint32_t count = t.header.recordCount;
  uint32_t skipped =
      CurrentFastPaths().trustKnownLiveRecords ? std::min(t.knownLiveRecords, count) : 0;
  // The last record is read all the same: a pack leaves it in the buffer.
  if (skipped == count && count > 0) --skipped;
  scan.read = RecordOffset(t, skipped + 1);
  scan.examined = skipped;
  scan.kept = skipped;
  for (uint32_t i = skipped + 1; i <= count; ++i) {
    if (!ReadRecordBytes(t, scan.read)) {
      scan.complete = false;
      return scan;
    }
    if (t.recordBuffer[0] == kDeletedFlag) {
      scan.firstDeleted = i;
      return scan;
    }
    scan.read += t.header.recordLength;
    scan.examined = i;
    ++scan.kept;
  }
  return scan;
}

// Moves the live records down over the deleted ones under the change's
// pack section, then writes the new count and cuts the file after the last
// record kept (readers that go by the file's length would show the removed
// records again). Whatever fails, the change is undone whole when it ends.
// The buffer is left holding the last record read.
bool RemoveDeleted(DbfTable& t, PackScan& scan) {
  Change* change = BeginChange(t);
  if (change == nullptr) return false;
  FlaggedRecords records;
  records.headBytes = kHeaderSize;
  records.from = RecordOffset(t, scan.firstDeleted);
  records.end = RecordOffset(t, t.header.recordCount + 1);
  records.recordLength = t.header.recordLength;
  records.flag = kDeletedFlag;
  const DbfHeader before = t.header;
  ShiftProgress progress;
  const auto finish = [&](uint64_t end) {
    t.header.recordCount = scan.kept + progress.kept;
    StampDate(t);
    return WriteHeader(t) && SetTableFileLength(t, FileRole::kTable, end);
  };
  const ChangeStatus status = change->RemoveFlagged(records, finish, &progress);
  scan.examined += progress.examined;
  std::copy(progress.lastRecord.begin(), progress.lastRecord.end(), t.recordBuffer.begin());
  if (status == ChangeStatus::kOk) {
    t.headerModified = true;
    return true;
  }
  t.header = before;
  return false;
}

}  // namespace

bool AppendBlank(DbfTable& t) {
  if (!t.isOpen) return false;
  // The buffer is about to become the new record: a change still pending in
  // it would be lost.
  PostRecord(t);
  if (t.readOnly || t.header.recordCount == std::numeric_limits<uint32_t>::max()) {
    RecordError(t, EngineError::kAppendBlank, int64_t{t.header.recordCount} + 1);
    return false;
  }
  BeginChange(t);
  const uint32_t added = t.header.recordCount + 1;
  const bool headerModified = t.headerModified;
  t.header.recordCount = added;
  t.currentRecord = added;
  BlankBuffer(t, 0);
  MarkNoMemos(t);
  t.bufferIsStandIn = false;
  t.recordModified = true;
  // A record that did not reach the file is not appended: counting it would
  // make the header promise bytes the file does not hold.
  if (!WriteRecord(t) || !WriteHeader(t)) {
    ForgetAppend(t, added, headerModified);
    return false;
  }
  t.headerModified = true;
  return true;
}

bool ProtectRecordChange(DbfTable& t, uint32_t record) {
  Change* change = BeginChange(t);
  // A record outside the table (and past the place of a new one) is never
  // written: only the header is guarded then.
  const bool inTable = record >= 1 && record <= t.header.recordCount + 1;
  const ByteRange place{inTable ? RecordOffset(t, record) : 0,
                        inTable ? t.header.recordLength : 0u};
  return change != nullptr && change->Protect({{FileRole::kTable, {0, kHeaderSize}},
                                               {FileRole::kTable, place},
                                               {FileRole::kMemo, {0, kMemoHeaderBytes}}}) ==
                                  ChangeStatus::kOk;
}

bool BeginAppend(DbfTable& t) {
  if (!t.isOpen || t.readOnly || t.header.recordCount == std::numeric_limits<uint32_t>::max()) {
    return AppendBlank(t);
  }
  if (!ProtectRecordChange(t, t.header.recordCount + 1)) {
    RecordError(t, EngineError::kAppendBlank, int64_t{t.header.recordCount} + 1);
    return false;
  }
  return AppendBlank(t);
}

bool EndAppend(DbfTable& t) {
  if (!t.isOpen || t.readOnly) return false;
  // Written whole once more, so that a post that failed on the way cannot
  // leave part of the record behind; a record whose memo texts did not all
  // reach the disk is not kept.
  const uint32_t added = t.header.recordCount;
  const bool complete = t.change == nullptr || !t.change->failed();
  if (t.currentRecord == added && complete && WriteRecord(t)) return true;
  ForgetAppend(t, added, t.headerModifiedBeforeChange);
  return false;
}

void MarkDeleted(DbfTable& t, bool deleted) {
  if (!t.isOpen) return;
  t.recordBuffer[0] = deleted ? kDeletedFlag : kLiveFlag;
  t.recordModified = true;
}

void Pack(DbfTable& t) {
  if (!t.isOpen) return;
  // The buffer is the pack's work area: a change still pending in it is
  // written first rather than lost.
  PostRecord(t);
  PackScan scan;
  if (t.readOnly) {
    scan.complete = false;
  } else {
    BeginChange(t);
    scan = FindFirstDeleted(t);
  }
  if (scan.complete && scan.firstDeleted == 0) {
    StampDate(t);
    scan.complete = WriteHeader(t);
  } else if (scan.complete) {
    scan.complete = RemoveDeleted(t, scan);
  }
  // Every record is now live, as the scan or the moves saw.
  if (scan.complete) t.knownLiveRecords = t.header.recordCount;
  if (!scan.complete) RecordError(t, EngineError::kWriteRecord, scan.examined);
  // The buffer still holds the last record read, which is no longer record
  // currentRecord: it is never written back.
  t.currentRecord = 0;
  t.bufferIsStandIn = true;
  t.recordModified = false;
}

}  // namespace quillon::engine
