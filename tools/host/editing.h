// edit, add and delete: changing the open table through editrec, addrec and
// delrec, with every value checked against its field first (its name, and
// the type, width and decimals the host reads from the table file), so that
// a line that would write a wrong value writes nothing at all.
#pragma once

#include <string>
#include <string_view>

#include "plugin.h"
#include "printer.h"
#include "table_file.h"
#include "typed_text.h"

namespace quillon_host {

// `value` (Windows-1251) as it goes to the plug-in for `field`: a date typed
// DD.MM.YYYY or YYYY-MM-DD becomes YYYYMMDD, a logical да or нет becomes T
// or F. Failure says why a value does not fit.
std::string CheckedValue(const FieldFacts& field, const std::string& value);

// edit N NAME=VALUE|...: gotorec N, editrec, then the record as it now is.
void EditRecord(Plugin& plugin, const Printer& printer, std::string_view argument,
                const InputRules& rules);
// add NAME=VALUE|...: addrec, then the new record.
void AddRecord(Plugin& plugin, const Printer& printer, std::string_view argument,
               const InputRules& rules);
// delete N: gotorec N, delrec, then how many records are left.
void DeleteRecord(Plugin& plugin, const Printer& printer, std::string_view argument);

}  // namespace quillon_host
