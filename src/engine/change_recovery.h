// What the open of a table does with a journal it finds beside it: undoes
// the change the journal belongs to (rules 3 and 5 of change.h), in this
// format or in those earlier builds wrote, or moves a journal that belongs
// to no state of these files aside, unapplied.
#pragma once

#include <string>

#include "engine/change.h"
#include "engine/journal_format.h"

namespace quillon::engine {

// At open, before anything is read.
Recovery RecoverChange(const ChangeFiles& files, const std::string& memoPath);

}  // namespace quillon::engine
