// Removing flagged records from a file of fixed-length records in place, at
// a small multiple of the cost of moving the records after them, and safely.
// The records move down a segment (two megabytes) at a time. Before a
// segment is written, the bytes it will overwrite go into one of two
// alternating slots of the journal section it is given (the pack section of
// a change's journal), with every removed record
// met so far, and the journal is flushed; the file is flushed after each
// segment. So the journal always tells how far the move got, and the records
// moved before that point are still in the file, only lower down. Undoing
// rebuilds the old bytes from them, the removed records and the last slot
// into an image at the journal's end, flushes it and writes it back; an undo
// that is interrupted starts again from the image, or from the start when the
// image was not complete. Memory held: one segment, whatever the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/journal_format.h"
#include "platform/platform.h"

namespace quillon::engine {

struct FlaggedRecords {
  uint64_t headBytes = 0;  // the file's header, put back with the records
  uint64_t from = 0;       // the first record to examine, which is flagged
  uint64_t end = 0;        // just after the last record (the file may end inside it)
  size_t recordLength = 0;
  uint8_t flag = 0;  // the first byte of a record to remove
};

struct ShiftProgress {
  uint64_t end = 0;                 // where the kept records end
  uint32_t kept = 0;                // records kept from `from` on
  uint32_t examined = 0;            // records dealt with from `from` on
  std::vector<uint8_t> lastRecord;  // the last record read, bytes the file lacks blank
};

// Removes the flagged records, saving as it goes into `journal` (empty, or
// a section that starts empty), and then calls `finish` with the new end of
// the kept records, to write what goes with the change (a header, the new
// length), under the same protection. False when anything failed: the
// journal then tells UndoShift how to put the file back.
bool RemoveFlaggedRecords(platform::File& file, platform::File& journal,
                          const FlaggedRecords& records,
                          const std::function<bool(uint64_t end)>& finish,
                          ShiftProgress* progress);

// Whether a journal was written by RemoveFlaggedRecords (a pack's own
// journal, as earlier builds left them beside a table).
bool IsShiftJournal(platform::File& journal);

// Puts the file back from such a journal (opened for writing). Nothing to do
// when the journal shows no segment was begun; kKeptAside when the file does
// not hold the records the pack had moved (it is not the file the pack left).
Recovery UndoShift(platform::File& journal, platform::File& file);

// How many bytes of records a segment moves at most; tests make it small.
size_t& ShiftSegmentBytes();

}  // namespace quillon::engine
