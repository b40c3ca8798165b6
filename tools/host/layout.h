// Lays out tables of Windows-1251 texts for the terminal: every byte is one
// character, so widths are counted in bytes before the text is converted for
// display.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon_host {

using Row = std::vector<std::string>;

// Aligned columns, two blanks apart, without blanks at the ends of lines.
// Line breaks in a cell are shown as the pilcrow sign, other control bytes as
// blanks, so that every row stays on one line.
std::vector<std::string> Columns(const std::vector<Row>& rows);

// Names in the first column, values in the second; a value's own line
// breaks continue it on the following lines, under itself.
std::vector<std::string> NamesAndValues(const std::vector<std::string>& names,
                                        const std::vector<std::string>& values);

}  // namespace quillon_host
