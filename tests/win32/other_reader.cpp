#include "helpers/other_reader.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace quillon::testing {

OtherReader::OtherReader(const std::string& path) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  handle_ = reinterpret_cast<intptr_t>(file);
  holds_ = true;
}

OtherReader::~OtherReader() {
  if (holds_) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace quillon::testing
