// A fresh folder per test, removed afterwards, with small file helpers. Its
// path never holds "dbf", so derived memo names stay in the file-name part.
#pragma once

#include <string>

namespace quillon::testing {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  // Copies a fixture table (and whatever else is named) into the folder.
  std::string CopyFixture(const std::string& fixture, const std::string& as) const;

 private:
  std::string path_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
std::string FixturePath(const std::string& name);

}  // namespace quillon::testing
