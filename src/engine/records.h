// Changing the set of records: appending blank records, setting and clearing
// the deletion flag, and packing (removing the records flagged as deleted).
// The header's record count on disk is kept current after every append and
// pack. An append that fails is taken back whole; a pack that cannot complete
// is undone whole, through a journal that also undoes it at the next open
// after a crash; a pack that removed records cuts the file after the last
// one kept.
#pragma once

#include "engine/table.h"

namespace quillon::engine {

// Adds a record of blanks after the last one, writes it and the header at
// once, and makes it current. False when no record was added (a closed
// table, or an append that failed and was taken back).
bool AppendBlank(DbfTable& table);
// An append that is filled before it counts for good. BeginAppend saves the
// header and the file's end in a journal beside the table, then appends as
// AppendBlank does; false when either failed (nothing is added then).
// EndAppend writes the filled record and keeps it, or, when it cannot be
// written whole, takes it back; a crash in between takes it back at the next
// open. Either way the table ends with the record once or not at all.
bool BeginAppend(DbfTable& table);
bool EndAppend(DbfTable& table);
// Sets the deletion flag of the buffer ("*" or blank); written at the next post.
void MarkDeleted(DbfTable& table, bool deleted);
// Removes every record flagged "*" from the file; the cursor is left on 0.
void Pack(DbfTable& table);

}  // namespace quillon::engine
