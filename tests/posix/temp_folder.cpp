#include "helpers/temp_folder.h"

#include <unistd.h>

#include <cstdlib>

namespace quillon::testing {

// The library keeps its files in a private folder of the user's under
// TMPDIR.
TempFolderScope::TempFolderScope(const std::string& base)
    : folder_(base + "/quillon-" + std::to_string(::getuid()) + "/") {
  if (const char* old = std::getenv("TMPDIR")) old_ = old;
  ::setenv("TMPDIR", base.c_str(), 1);
}

TempFolderScope::~TempFolderScope() {
  if (old_) {
    ::setenv("TMPDIR", old_->c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

}  // namespace quillon::testing
