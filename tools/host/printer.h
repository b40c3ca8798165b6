// Everything the host prints goes through here. Texts from the plug-in (and
// script text on its way to it) are Windows-1251; unless the output is raw,
// they are shown as UTF-8 with the plug-in's CR LF line breaks as plain line
// feeds. Raw output passes those bytes on unchanged. Paths are spelled as
// the file system spells them and are shown as such, also where a text
// quotes one.
#pragma once

#include <string>
#include <string_view>

#include "table_encoding.h"

namespace quillon_host {

class Printer {
 public:
  explicit Printer(bool raw, TableEncoding table = TableEncoding::kWindows1251)
      : raw_(raw), table_(table) {}

  bool raw() const { return raw_; }
  TableEncoding tableEncoding() const { return table_; }

  // A value read from the table, in Windows-1251 for showing; raw output
  // keeps the table's own bytes.
  std::string TableText(std::string_view stored) const;

  // A Windows-1251 text as it is shown; each occurrence of `path` in it is
  // shown as a path.
  std::string Shown(std::string_view text, std::string_view path = {}) const;
  std::string ShownPath(std::string_view path) const;

  // One line on standard output: `label` as it is, then `text` as shown.
  void Line(std::string_view label, std::string_view text, std::string_view path = {}) const;
  // A message of the plug-in. Its own words are Windows-1251, but the paths
  // it quotes are spelled as the file system spells them, and not all of
  // them are paths the host gave it (a temporary copy's, a backup's). Where
  // names are spelled in UTF-8, a stretch of non-ASCII bytes that is
  // well-formed UTF-8 is taken for part of a path: Windows-1251 words
  // practically never are (no two Cyrillic letters in a row are).
  void MessageLine(std::string_view text, std::string_view path = {}) const;
  // One line of the host's own, already in UTF-8.
  void Utf8Line(std::string_view text) const;
  // The host's complaint on standard error; `text` is Windows-1251.
  void Complain(std::string_view where, std::string_view text, std::string_view path = {}) const;
  // A prompt, without a line end.
  void Prompt(std::string_view text) const;

 private:
  std::string ShownText(std::string_view text) const;
  std::string ShownMessageText(std::string_view text) const;
  // `text` shown by `show`, each occurrence of `path` in it as a path.
  std::string ShownAround(std::string_view text, std::string_view path,
                          std::string (Printer::*show)(std::string_view) const) const;

  bool raw_;
  TableEncoding table_;
};

}  // namespace quillon_host
