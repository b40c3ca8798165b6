// The one error the host's commands raise: a line that cannot be carried out
// (an unknown command, a bad argument, an export the plug-in lacks, no table
// open). The text is Windows-1251, like everything that reaches the plug-in,
// so it may quote the line's own words; the line runner reports it and
// decides whether the script goes on.
#pragma once

#include <stdexcept>
#include <string>

namespace quillon_host {

class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace quillon_host
