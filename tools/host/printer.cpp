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
  if (path.empty()) return ShownText(text);
  std::string shown;
  for (size_t at; (at = text.find(path)) != std::string_view::npos;
       text.remove_prefix(at + path.size())) {
    shown += ShownText(text.substr(0, at)) + ShownPath(path);
  }
  return shown + ShownText(text);
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
