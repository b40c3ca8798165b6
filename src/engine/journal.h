// A rollback journal for changes that rewrite a few stretches of a file in
// place (an append that is filled before it counts, a memo text rewritten
// over the old one; a pack has a journal of its own, shift_journal.h, which
// RecoverFile also puts back). Before the first byte is
// overwritten, the bytes the change will touch and the file's length are
// saved in a journal beside it and flushed to the disk.
// When the change is complete, the file is flushed and the journal removed:
// that removal is the moment the change counts as made. A journal found later
// means the change was interrupted (a failing disk, a killed process, a
// crash); putting its bytes back returns the file to what it was before the
// change began. Whatever the file's size, only one chunk is held in memory.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/platform.h"

namespace quillon::engine {

// A stretch of a file a change will overwrite.
struct ByteRange {
  uint64_t from = 0;
  uint64_t length = 0;
};

// Saves the ranges of `file` (cut at its end) and its length in the journal
// of `path`. False when the journal could not be written whole and flushed;
// none is left then, and the change must not start.
bool SaveForUndo(platform::File& file, const std::string& path,
                 std::initializer_list<ByteRange> ranges);

// What a change that rewrites a file from `from` on overwrites: its header
// (`headBytes`) and everything from `from` to its end.
bool SaveHeadAndTail(platform::File& file, const std::string& path, uint64_t headBytes,
                     uint64_t from);

// The change is complete: flushes the file and removes the journal (deleting
// it, or failing that emptying it, which makes it count as never written).
// False when neither worked.
bool CommitChange(platform::File& file, const std::string& path);

// The change failed part-way: puts the saved bytes back, gives the file its
// old length and removes the journal. False when that did not work; the journal
// then stays for the next open.
bool UndoChange(platform::File& file, const std::string& path);

enum class Recovery {
  kNothingToDo,
  kUndone,  // an interrupted change was undone
  kFailed,  // a complete journal could not be put back: do not use the file
};

// At open: undoes the change a complete journal belongs to; a journal that
// was never completed belongs to a change that never started and is removed.
Recovery RecoverFile(platform::File& file, const std::string& path);

}  // namespace quillon::engine
