// Text tables for the terminal; see the header.
#include "layout.h"

#include <algorithm>

namespace quillon_host {

namespace {

constexpr char kPilcrow = '\xB6';  // "¶" in Windows-1251

std::string OneLine(std::string_view value) {
  std::string line;
  for (size_t i = 0; i < value.size(); ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') continue;
    if (c == '\r' || c == '\n') {
      line += kPilcrow;
    } else {
      line += c < 0x20 ? ' ' : static_cast<char>(c);
    }
  }
  return line;
}

std::string WithoutTrailingBlanks(std::string line) {
  line.erase(line.find_last_not_of(' ') + 1);
  return line;
}

// The value's lines, split at CR LF or a lone LF or CR.
std::vector<std::string> Lines(std::string_view value) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' || value[i] == '\n') {
      if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += value[i];
    }
  }
  return lines;
}

}  // namespace

std::vector<std::string> Columns(const std::vector<Row>& rows) {
  std::vector<Row> cells;
  std::vector<size_t> widths;
  for (const Row& row : rows) {
    Row& line = cells.emplace_back();
    for (size_t column = 0; column < row.size(); ++column) {
      line.push_back(OneLine(row[column]));
      if (widths.size() <= column) widths.push_back(0);
      widths[column] = std::max(widths[column], line.back().size());
    }
  }
  std::vector<std::string> lines;
  for (const Row& row : cells) {
    std::string line;
    for (size_t column = 0; column < row.size(); ++column) {
      line += row[column];
      if (column + 1 < row.size()) line.append(widths[column] - row[column].size() + 2, ' ');
    }
    lines.push_back(WithoutTrailingBlanks(line));
  }
  return lines;
}

std::vector<std::string> NamesAndValues(const std::vector<std::string>& names,
                                        const std::vector<std::string>& values) {
  size_t width = 0;
  for (const std::string& name : names) width = std::max(width, name.size());
  std::vector<std::string> lines;
  for (size_t i = 0; i < names.size(); ++i) {
    std::string label = names[i];
    label.resize(width + 2, ' ');
    for (const std::string& part : Lines(i < values.size() ? values[i] : std::string())) {
      lines.push_back(WithoutTrailingBlanks(label + part));
      label.assign(width + 2, ' ');
    }
  }
  return lines;
}

}  // namespace quillon_host
