// A scratch folder under the Windows temporary folder for one run of the test
// host, with the small file helpers the checks need. Everything made in it
// is removed again when the object ends.
#pragma once

#include <string>
#include <vector>

namespace host_test {

class Scratch {
 public:
  // Exits the run when the folder cannot be made.
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  // The path of a file in the folder (or in a subfolder made with Folder).
  std::string Path(const std::string& name) const { return root_ + name; }
  // Makes a subfolder; its name may hold Windows-1251 letters.
  bool Folder(const std::string& name);
  bool Write(const std::string& name, const std::string& bytes);
  // Copies a file from outside into the folder.
  bool CopyIn(const std::string& from, const std::string& name);

 private:
  void Remember(const std::string& name);

  std::string root_;
  std::vector<std::string> files_;
  std::vector<std::string> folders_;
};

// The whole content of a file; "<unreadable>" when it cannot be read.
std::string ReadBytes(const std::string& path);

}  // namespace host_test
