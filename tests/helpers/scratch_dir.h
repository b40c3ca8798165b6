// A fresh folder per test under the system's temporary folder, removed
// afterwards, with small file helpers. Paths use the system's separator. Its
// path never holds "dbf", so derived memo names stay in the file-name part.
#pragma once

#include <string>

namespace quillon::testing {

// The separator of this build's paths.
#if defined(_WIN32)
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // A path inside the folder; `name` may name a subfolder's file with "/".
  std::string File(const std::string& name) const;
  // Makes a subfolder; its name may hold Windows-1251 letters.
  std::string Folder(const std::string& name) const;
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // Copies a fixture table (and whatever else is named) into the folder.
  std::string CopyFixture(const std::string& fixture, const std::string& as) const;

 private:
  std::string path_;
};

// The whole file; both throw std::runtime_error when the file cannot be
// read or written.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
std::string FixturePath(const std::string& name);

}  // namespace quillon::testing
