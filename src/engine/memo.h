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

// The memo text of a field of the current record. Without a memo file, or
// for a version with no memo layout, `text` is left untouched.
void MemoText(DbfTable& table, int32_t field, std::string& text);
// Stores the text as the field's memo and puts its block number into the
// field. Without a memo file, or for a version with no memo layout, nothing
// happens.
void SetMemoText(DbfTable& table, int32_t field, std::string_view text);

}  // namespace quillon::engine
