// The code page a table's texts are stored in, when it is not the plug-in's
// own Windows-1251 (--table-encoding cp866 for a table another program
// wrote in DOS Russian). The plug-in passes a table's bytes on as they are;
// the host turns the values it reads into Windows-1251 to show them, and
// the values it stores into the table's code page, so that an edit keeps
// the whole table in one code page.
#pragma once

#include <string>
#include <string_view>

namespace quillon_host {

enum class TableEncoding { kWindows1251, kDos866 };

// "cp1251" (or "windows-1251") and "cp866" (or "ibm866"); false for others.
bool TableEncodingNamed(std::string_view name, TableEncoding& encoding);

// A value as the table stores it, in Windows-1251. A character Windows-1251
// lacks (a box-drawing one, say) becomes 0x98, shown as U+FFFD.
std::string FromTableText(std::string_view stored, TableEncoding encoding);

// A Windows-1251 value as the table stores it; Failure when the table's
// code page lacks one of its characters.
std::string ToTableText(std::string_view value, TableEncoding encoding);

}  // namespace quillon_host
