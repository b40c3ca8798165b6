// The range journal earlier builds wrote beside a table (for an append) or a
// memo file (for a text rewritten in place), read so that one a crash left
// on a disk is still put back. Nothing writes this format any more.
#pragma once

#include "engine/journal_format.h"
#include "platform/platform.h"

namespace quillon::engine {

// Whether the journal begins with this format's mark.
bool IsEarlierRangeJournal(platform::File& journal);

// Puts the file back as the journal saved it: kNothingToDo for a journal
// that was never completed (its change never began), kKeptAside for a whole
// one whose numbers no writer of it could have stored (it would grow the
// file or write past the length it restores), otherwise kUndone or kFailed.
Recovery UndoEarlierRangeJournal(platform::File& journal, platform::File& file);

}  // namespace quillon::engine
