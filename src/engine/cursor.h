// Moving the record cursor. Every move first writes back a modified record
// (when the table posts automatically), then loads the record asked for.
// Record numbers are unsigned 32-bit: moving back from 0 asks for 4294967295.
#pragma once

#include <cstdint>

#include "engine/table.h"

namespace quillon::engine {

void GoToRecord(DbfTable& table, uint32_t record);
void GoFirst(DbfTable& table);
void GoLast(DbfTable& table);
void GoNext(DbfTable& table);
void GoPrev(DbfTable& table);

}  // namespace quillon::engine
