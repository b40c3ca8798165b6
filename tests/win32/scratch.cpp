#include "scratch.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "check.h"

namespace host_test {

Scratch::Scratch() {
  char temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length > MAX_PATH) {
    Abandon("no temporary folder");
  }
  // The folder's own name holds no "dbf": the library derives memo names by
  // replacing it.
  root_ = std::string(temp) + "quillon-host-" + std::to_string(GetCurrentProcessId()) + "\\";
  if (!CreateDirectoryA(root_.c_str(), nullptr)) {
    Abandon("cannot make " + root_);
  }
}

Scratch::~Scratch() {
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) DeleteFileA(Path(*it).c_str());
  for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
    RemoveDirectoryA(Path(*it).c_str());
  }
  // Named without its final separator, which wine does not accept here.
  RemoveDirectoryA(root_.substr(0, root_.size() - 1).c_str());
}

void Scratch::Remember(const std::string& name) {
  for (const std::string& known : files_) {
    if (known == name) return;
  }
  files_.push_back(name);
}

bool Scratch::Folder(const std::string& name) {
  if (!CreateDirectoryA(Path(name).c_str(), nullptr)) return false;
  folders_.push_back(name);
  return true;
}

bool Scratch::Write(const std::string& name, const std::string& bytes) {
  HANDLE file = CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  Remember(name);
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

bool Scratch::CopyIn(const std::string& from, const std::string& name) {
  if (!CopyFileA(from.c_str(), Path(name).c_str(), FALSE)) return false;
  Remember(name);
  return true;
}

std::string ReadBytes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

}  // namespace host_test
