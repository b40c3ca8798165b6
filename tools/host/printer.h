// Everything the host prints goes through here. Texts from the plug-in (and
// script text on its way to it) are Windows-1251; unless the output is raw,
// they are shown as UTF-8 with the plug-in's CR LF line breaks as plain line
// feeds. Raw output passes those bytes on unchanged. Paths are spelled as
// the file system spells them and are shown as such, also where a text
// quotes one.
#pragma once

#include <string>
#include <string_view>

namespace quillon_host {

class Printer {
 public:
  explicit Printer(bool raw) : raw_(raw) {}

  bool raw() const { return raw_; }

  // A Windows-1251 text as it is shown; each occurrence of `path` in it is
  // shown as a path.
  std::string Shown(std::string_view text, std::string_view path = {}) const;
  std::string ShownPath(std::string_view path) const;

  // One line on standard output: `label` as it is, then `text` as shown.
  void Line(std::string_view label, std::string_view text, std::string_view path = {}) const;
  // One line of the host's own, already in UTF-8.
  void Utf8Line(std::string_view text) const;
  // The host's complaint on standard error; `text` is Windows-1251.
  void Complain(std::string_view where, std::string_view text, std::string_view path = {}) const;
  // A prompt, without a line end.
  void Prompt(std::string_view text) const;

 private:
  std::string ShownText(std::string_view text) const;

  bool raw_;
};

}  // namespace quillon_host
