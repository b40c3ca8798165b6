// A rollback journal for changes that rewrite a file in place (the pack that
// moves records down over deleted ones). Before the first byte is
// overwritten, the file's header and its bytes from the first place the
// change touches to the file's end are saved in a journal beside it and
// flushed to the disk.
// When the change is complete, the file is flushed and the journal removed:
// that removal is the moment the change counts as made. A journal found later
// means the change was interrupted (a failing disk, a killed process, a
// crash); putting its bytes back returns the file to what it was before the
// change began. Whatever the file's size, only one chunk is held in memory.
#pragma once

#include <string>

#include "platform/platform.h"

namespace quillon::engine {

// Saves the first `headBytes` bytes of `file` (its header) and everything
// from `from` to its end in the journal of `path`. False when the journal
// could not be written whole and flushed; none is left then, and the change
// must not start.
bool SaveForUndo(platform::File& file, const std::string& path, uint64_t headBytes,
                 uint64_t from);

// The change is complete: flushes the file and removes the journal (deleting
// it, or failing that emptying it, which makes it count as never written).
// False when neither worked.
bool CommitChange(platform::File& file, const std::string& path);

// The change failed part-way: puts the saved bytes back, cuts the file after
// them and removes the journal. False when that did not work; the journal
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
