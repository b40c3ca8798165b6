#include "helpers/system_files.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

namespace quillon::testing {

std::string SystemTempFolder() {
  std::string folder = std::filesystem::temp_directory_path().string();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0700) == 0; }

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

}  // namespace quillon::testing
