// Makes a folder the current one for the life of the object, then goes back:
// make writes its new table into the current folder.
#pragma once

#include <filesystem>
#include <string>

namespace quillon::testing {

class CurrentFolderScope {
 public:
  explicit CurrentFolderScope(const std::string& folder) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentFolderScope() { std::filesystem::current_path(old_); }
  CurrentFolderScope(const CurrentFolderScope&) = delete;
  CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

 private:
  std::filesystem::path old_;
};

}  // namespace quillon::testing
