// The value of a field as the exports hand it to the host: the memo text for
// a memo field, the stored text for any other, trimmed of blanks and control
// bytes at both ends and ended before a NUL byte. Shared by every export that
// returns field values, and the limit of what the exports store into one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/table.h"

namespace quillon::api {

// Whether the exports treat the field as a memo field (type letter M). A
// number that names no field records the engine's error and gives false.
bool IsMemoField(engine::DbfTable& table, int32_t field);

// A field number that names no field gives the empty text. `whole`, when
// given, is set to false when a memo text could not be read whole.
std::string ExportedValue(engine::DbfTable& table, int32_t field, bool* whole = nullptr);

// A value stored into a field other than a memo field is cut to its first
// 255 bytes before it is fitted to the field.
inline std::string_view FieldValueCut(std::string_view value) { return value.substr(0, 255); }

}  // namespace quillon::api
