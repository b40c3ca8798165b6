// Changing the set of records: appending blank records, setting and clearing
// the deletion flag, and packing (removing the records flagged as deleted).
// The header's record count on disk is kept current after every append and
// pack. An append that fails is taken back whole; a pack that stops part-way
// leaves every record in the table exactly once; a pack that removed records
// cuts the file after the last one kept.
#pragma once

#include "engine/table.h"

namespace quillon::engine {

// Adds a record of blanks after the last one, writes it and the header at
// once, and makes it current. False when no record was added (a closed
// table, or an append that failed and was taken back).
bool AppendBlank(DbfTable& table);
// Sets the deletion flag of the buffer ("*" or blank); written at the next post.
void MarkDeleted(DbfTable& table, bool deleted);
// Removes every record flagged "*" from the file; the cursor is left on 0.
void Pack(DbfTable& table);

}  // namespace quillon::engine
