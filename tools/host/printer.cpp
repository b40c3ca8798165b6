// Output of the host; see the header.
#include "printer.h"

#include <cstdio>

#include "cp1251.h"
#include "os.h"

namespace quillon_host {

namespace {

void Write(std::FILE* stream, std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

}  // namespace

std::string Printer::Shown(std::string_view text, std::string_view path) const {
  return ShownAround(text, path, &Printer::ShownText);
}

std::string Printer::ShownAround(std::string_view text, std::string_view path,
                                 std::string (Printer::*show)(std::string_view) const) const {
  if (path.empty()) return (this->*show)(text);
  std::string shown;
  for (size_t at; (at = text.find(path)) != std::string_view::npos;
       text.remove_prefix(at + path.size())) {
    shown += (this->*show)(text.substr(0, at)) + ShownPath(path);
  }
  return shown + (this->*show)(text);
}

std::string Printer::TableText(std::string_view stored) const {
  return raw_ ? std::string(stored) : FromTableText(stored, table_);
}

std::string Printer::ShownPath(std::string_view path) const {
  return raw_ ? std::string(path) : PathToUtf8(std::string(path));
}

std::string Printer::ShownText(std::string_view text) const {
  if (raw_) return std::string(text);
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  return Cp1251ToUtf8(lines);
}

void Printer::Line(std::string_view label, std::string_view text, std::string_view path) const {
  Write(stdout, label);
  Write(stdout, Shown(text, path));
  Write(stdout, "\n");
  std::fflush(stdout);
}

std::string Printer::ShownMessageText(std::string_view text) const {
  if (raw_ || !PathsAreUtf8()) return ShownText(text);
  std::string shown;
  size_t plain = 0;
  for (size_t at = 0; at < text.size();) {
    if (static_cast<unsigned char>(text[at]) < 0x80) {
      ++at;
      continue;
    }
    size_t end = at;
    while (end < text.size() && static_cast<unsigned char>(text[end]) >= 0x80) ++end;
    const std::string_view stretch = text.substr(at, end - at);
    if (IsUtf8(stretch)) {
      shown += ShownText(text.substr(plain, at - plain));
      shown += stretch;
      plain = end;
    }
    at = end;
  }
  return shown + ShownText(text.substr(plain));
}

void Printer::MessageLine(std::string_view text, std::string_view path) const {
  Utf8Line("message: " + ShownAround(text, path, &Printer::ShownMessageText));
}

void Printer::Utf8Line(std::string_view text) const {
  Write(stdout, text);
  Write(stdout, "\n");
  std::fflush(stdout);
}

void Printer::Complain(std::string_view where, std::string_view text, std::string_view path) const {
  std::string line = "quillon-host: ";
  if (!where.empty()) line.append(where).append(": ");
  line += Shown(text, path);
  line += '\n';
  Write(stderr, line);
}

void Printer::Prompt(std::string_view text) const {
  Write(stdout, text);
  std::fflush(stdout);
}

}  // namespace quillon_host
