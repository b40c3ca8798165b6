// Everything the host prints goes through here. Texts from the plug-in (and
// script text on its way to it) are Windows-1251; unless the output is raw,
// they are shown as UTF-8 with the plug-in's CR LF line breaks as plain line
// feeds. Raw output passes those bytes on unchanged.
#pragma once

#include <string>
#include <string_view>

namespace quillon_host {

class Printer {
 public:
  explicit Printer(bool raw) : raw_(raw) {}

  // A Windows-1251 text as it is shown.
  std::string Shown(std::string_view text) const;

  // One line on standard output: `label` as it is, then `text` as shown.
  void Line(std::string_view label, std::string_view text) const;
  // The host's complaint on standard error; `text` is Windows-1251.
  void Complain(std::string_view where, std::string_view text) const;
  // A prompt, without a line end.
  void Prompt(std::string_view text) const;

 private:
  bool raw_;
};

}  // namespace quillon_host
