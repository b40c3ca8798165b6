// Creating new, empty tables from field definitions (lines NAME=TW,D), and
// describing an open table's fields the same way so that an empty copy of
// its structure can be made. Creation touches files only: it neither opens
// the new table nor changes the table object it is called on.
#pragma once

#include <string>
#include <vector>

#include "engine/table.h"

namespace quillon::engine {

using FieldDefs = std::vector<std::string>;

// Writes an empty table file (replacing any file of that name) and, when a
// field is a memo field, its empty memo file beside it. False when a file
// could not be created or written, when the record would not fit the record
// buffer, or when a field's name could never be found by a lookup (empty, or
// with a blank inside: error 6 with the field's number is recorded); nothing
// is created then. Also false when the memo file's name cannot be derived
// from the table's (the table is created, no memo file).
// `codePage` goes into the header's code-page byte.
bool CreateTable(DbfTable& table, const std::string& fileName, const FieldDefs& defs,
                 uint8_t codePage = 0);

// One definition per field of the open table; false (list untouched) when
// the table is closed.
bool GetFieldDefs(DbfTable& table, FieldDefs& defs);

// An empty table with the open table's fields and code-page byte; nothing
// else of its header is carried over (a flag claiming an index file, for
// one, would not hold for the new table).
bool CreateTableLike(DbfTable& table, const std::string& fileName);

}  // namespace quillon::engine
