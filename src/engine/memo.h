// Memo texts: reading and storing the text a memo field points to, in the
// fixed-block layout (512-byte blocks, texts ended by 0x1A 0x1A) or the
// sized-block layout (block size and text length stored, big-endian), chosen
// by the table's version byte. Memo texts are byte strings of any length.
// A write that fails leaves the memo file and the field as they were; a read
// never takes in more than the memo file holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/table.h"

namespace quillon::engine {

// The part of a memo file's header that storing a text renews (the next
// free block, in either layout).
inline constexpr uint64_t kMemoHeaderBytes = 8;

// The memo text of a field of the current record. Without a memo file, or
// for a version with no memo layout, `text` is left untouched. False when
// the text could not be read whole (error 14 is recorded).
bool MemoText(DbfTable& table, int32_t field, std::string& text);
// Stores the text as the field's memo and puts its block number into the
// field. Without a memo file, for a version with no memo layout, or on a
// table that is not written, nothing is stored and error 15 is recorded.
// One write grows the memo file by its text and the padding to block
// boundaries before and after it, never more. False when nothing was stored.
bool SetMemoText(DbfTable& table, int32_t field, std::string_view text);

// Whether the field of the current record points into the memo file (a memo
// field, or a field kept as a binary block number, holding a block number
// other than 0), whether or not a memo file is open to read it.
bool HasMemoPointer(DbfTable& table, int32_t field);

// Puts "no memo" into the binary memo pointers of a fresh blank record: four
// zero bytes, as other programs expect, rather than four blanks, which they
// read as a block far beyond the file.
void MarkNoMemos(DbfTable& table);

}  // namespace quillon::engine
