// Reading and writing field values of the current record. Everything works on
// the in-memory descriptors and record buffer; no file is touched. Values are
// raw Windows-1251 bytes: numbers, dates and logical values are not converted.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/structure.h"
#include "engine/table.h"

namespace quillon::engine {

// The number of the field with that name, 0 when none has it. Names starting
// with a byte from "a" up are upper-cased first. The whole name is looked for
// first; failing that, the part before its first blank after the first byte.
// Every name FieldName lists is found this way.
int32_t FieldIndex(const DbfTable& table, std::string_view name);
std::string FieldName(DbfTable& table, int32_t field);
uint8_t FieldTypeCode(DbfTable& table, int32_t field);
// The field's bytes with trailing bytes at or below 0x20 removed.
std::string FieldText(DbfTable& table, int32_t field);
// The field's bytes in the record buffer, cut at the record's end; empty for
// a bad number (no error is recorded).
std::span<uint8_t> FieldBytes(DbfTable& table, int32_t field);

// Fits the value to the field (numbers and memo pointers to the right, all
// else to the left) and stores it in the record buffer. A number longer than
// the field whose cut-off part is not all blanks is refused with error 8:
// the field keeps its value.
void PutFieldByNumber(DbfTable& table, int32_t field, std::string_view value);
void PutFieldByName(DbfTable& table, std::string_view name, std::string_view value);

std::string AlignRight(std::string_view text, size_t width);
std::string AlignLeft(std::string_view text, size_t width);

}  // namespace quillon::engine
