// A scratch folder under the Windows temporary folder for one run of the test
// host, with the small file helpers the checks need. Everything in it, the
// files the DLL made there included, is removed again when the object ends.
#pragma once

#include <string>

namespace host_test {

class Scratch {
 public:
  // Exits the run when the folder cannot be made.
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  // The path of a file in the folder (or in a subfolder made with Folder).
  // Path("") is the folder itself, with its final separator.
  std::string Path(const std::string& name) const { return root_ + name; }
  // Makes a subfolder; its name may hold Windows-1251 letters.
  bool Folder(const std::string& name);
  bool Write(const std::string& name, const std::string& bytes);
  // Copies a file from outside into the folder.
  bool CopyIn(const std::string& from, const std::string& name);

 private:
  std::string root_;
};

// The folder GetTempPathA names, ending in "\"; empty when there is none.
std::string TempFolder();
// The whole content of a file; "<unreadable>" when it cannot be read.
std::string ReadBytes(const std::string& path);
// True for a path that exists and is not a folder.
bool FileExists(const std::string& path);
// The name of the file as the file system keeps it (its case included);
// empty when there is no such file.
std::string StoredName(const std::string& path);

}  // namespace host_test
