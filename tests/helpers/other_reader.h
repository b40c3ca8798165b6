// Another program reading a file and letting others only read it, for the
// life of the object: a shared lock on POSIX, where the POSIX layer models
// sharing with locks, and Windows' own sharing mode there.
#pragma once

#include <cstdint>
#include <string>

namespace quillon::testing {

class OtherReader {
 public:
  explicit OtherReader(const std::string& path);
  ~OtherReader();
  OtherReader(const OtherReader&) = delete;
  OtherReader& operator=(const OtherReader&) = delete;

  // False when the file could not be opened or held.
  bool holds() const { return holds_; }

 private:
  bool holds_ = false;
  // A POSIX descriptor or a Windows handle.
  intptr_t handle_ = -1;
};

}  // namespace quillon::testing
