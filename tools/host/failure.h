// The one error the host's commands raise: a line that cannot be carried out
// (an unknown command, a bad argument, an export the plug-in lacks, no table
// open, a table that did not open). The text is Windows-1251, like
// everything that reaches the plug-in, so it may quote the line's own words;
// a path it quotes is spelled as the file system spells it and is named
// too, so that it can be shown as a path. The line runner reports it and
// decides whether the script goes on.
#pragma once

#include <stdexcept>
#include <string>

namespace quillon_host {

class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& what, std::string path = "")
      : std::runtime_error(what), path_(std::move(path)) {}

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace quillon_host
