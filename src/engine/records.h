// Changing the set of records: appending blank records, setting and clearing
// the deletion flag, and packing (removing the records flagged as deleted).
// The header's record count on disk is kept current after every append and
// pack. Each is part of the table's change (change.h): an append or a pack
// that fails makes the whole change be undone when it ends, and one cut off
// is undone at the next open; a pack that removed records cuts the file
// after the last one kept.
#pragma once

#include "engine/table.h"

namespace quillon::engine {

// Adds a record of blanks after the last one, writes it and the header at
// once, and makes it current. False when no record was added (a closed
// table, or an append that failed and was taken back).
bool AppendBlank(DbfTable& table);
// Saves ahead, with one flush, what a change of that record overwrites: the
// header, the record's place and the memo file's header. False when the
// journal could not be written (nothing may be changed then).
bool ProtectRecordChange(DbfTable& table, uint32_t record);
// An append that is filled before it counts for good. BeginAppend guards the
// header and the new record's place, then appends as AppendBlank does; false
// when either failed (nothing is added then). EndAppend writes the filled
// record and keeps it, or, when it or one of its memo texts could not be
// written, takes it back with the whole change; a crash in between takes it
// back at the next open. Either way the table ends with the record once,
// filled, or not at all.
bool BeginAppend(DbfTable& table);
bool EndAppend(DbfTable& table);
// Sets the deletion flag of the buffer ("*" or blank); written at the next post.
void MarkDeleted(DbfTable& table, bool deleted);
// Removes every record flagged "*" from the file; the cursor is left on 0.
void Pack(DbfTable& table);

}  // namespace quillon::engine
