#include "helpers/temp_folder.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace quillon::testing {

// GetTempPathA takes TMP first: the library's files go straight into it.
TempFolderScope::TempFolderScope(const std::string& base) : folder_(base + "\\") {
  char old[MAX_PATH + 1] = {};
  const DWORD length = ::GetEnvironmentVariableA("TMP", old, sizeof old);
  if (length > 0 && length <= MAX_PATH) old_ = std::string(old, length);
  ::SetEnvironmentVariableA("TMP", base.c_str());
}

TempFolderScope::~TempFolderScope() {
  ::SetEnvironmentVariableA("TMP", old_ ? old_->c_str() : nullptr);
}

}  // namespace quillon::testing
