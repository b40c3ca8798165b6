// The value of a field as the exports hand it to the host: the memo text for
// a memo field, the stored text for any other, trimmed of blanks and control
// bytes at both ends and ended before a NUL byte. Shared by every export that
// returns field values.
#pragma once

#include <cstdint>
#include <string>

#include "engine/table.h"

namespace quillon::api {

// A field number that names no field gives the empty text.
std::string ExportedValue(engine::DbfTable& table, int32_t field);

}  // namespace quillon::api
