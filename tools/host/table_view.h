// The commands for people, each made of export calls (and, where no export
// tells, of what the host reads from the table file itself): open a table,
// describe its fields, show the current record, list records, find
// records. All but open need a table that is open, and list and find put
// the cursor back where they found it. Records the table file marks deleted
// are shown with "*" before their number and counted by open and fields.
#pragma once

#include <string>
#include <string_view>

#include "plugin.h"
#include "printer.h"

namespace quillon_host {

// SetFile, loaddb, fiedscount, getfields, countrec. A table the plug-in did
// not open is a Failure that says why; one it could open only for reading
// is said so. `path` is in the file system's spelling.
void OpenTable(Plugin& plugin, const Printer& printer, const std::string& path);
// The table's version, record count, date of last update and memo file,
// then every field's name, type, width and decimals.
void DescribeTable(Plugin& plugin, const Printer& printer);
// The current record: its number, then every field's name and value
// (getfields, getcurrecall).
void ShowRecord(Plugin& plugin, const Printer& printer);
// Records `range` ("", "FROM" or "FROM TO", TO a number or max) as a table,
// one getdataotdo per field; the range is cut to the records that exist.
void ListRecords(Plugin& plugin, const Printer& printer, std::string_view range);
// finddata with NAME=PATTERN, then the matching records as a table.
void FindRecords(Plugin& plugin, const Printer& printer, const std::string& request);

}  // namespace quillon_host
