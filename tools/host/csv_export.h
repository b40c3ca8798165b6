// export csv [--with-deleted] [--bom] [FROM [TO]] [FILE]: the open table's records (all, or the
// range list takes) as CSV: a heading of the field names, then a line per
// record. A value that holds a comma, a double quote or a line break is
// quoted and its quotes doubled (RFC 4180). The text is UTF-8, or the
// plug-in's Windows-1251 bytes when the output is raw. In FILE the lines end
// in CR LF and values keep their own line breaks; on standard output the
// lines end as the system's do. Records marked deleted are left out, and
// counted, unless --with-deleted keeps them and adds a column that says
// which; --bom starts the UTF-8 with a byte-order mark.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plugin.h"
#include "printer.h"
#include "typed_text.h"

namespace quillon_host {

// One CSV line, without its end, of Windows-1251 values.
std::string CsvLine(const std::vector<std::string>& values);

// `argument` as typed, the format first. Moves the cursor back afterwards.
void ExportCsv(Plugin& plugin, const Printer& printer, std::string_view argument,
               const InputRules& rules);

}  // namespace quillon_host
