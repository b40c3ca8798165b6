// Points the library's temporary folder into a folder of the test's own for
// the life of the object (TMPDIR on POSIX, TMP on Windows), and says where
// the library then keeps its temporary files.
#pragma once

#include <optional>
#include <string>

namespace quillon::testing {

class TempFolderScope {
 public:
  // `base` must exist and must not hold "dbf" in its path.
  explicit TempFolderScope(const std::string& base);
  ~TempFolderScope();
  TempFolderScope(const TempFolderScope&) = delete;
  TempFolderScope& operator=(const TempFolderScope&) = delete;

  // The folder of the library's temporary files, with its final separator.
  const std::string& folder() const { return folder_; }

 private:
  std::optional<std::string> old_;
  std::string folder_;
};

}  // namespace quillon::testing
