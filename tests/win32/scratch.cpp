#include "scratch.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "check.h"

namespace host_test {

namespace {

// Deletes everything inside a folder given with its final separator, then
// the folder, named without that separator, which wine does not accept here.
void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(folder + name + "\\");
      } else {
        DeleteFileA((folder + name).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.substr(0, folder.size() - 1).c_str());
}

}  // namespace

std::string TempFolder() {
  char temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length > MAX_PATH) return "";
  std::string folder(temp, length);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

Scratch::Scratch() {
  const std::string temp = TempFolder();
  if (temp.empty()) Abandon("no temporary folder");
  // The folder's own name holds no "dbf": the library derives memo names by
  // replacing it.
  root_ = temp + "quillon-host-" + std::to_string(GetCurrentProcessId()) + "\\";
  if (!CreateDirectoryA(root_.c_str(), nullptr)) {
    Abandon("cannot make " + root_);
  }
}

Scratch::~Scratch() { RemoveTree(root_); }

bool Scratch::Folder(const std::string& name) {
  return CreateDirectoryA(Path(name).c_str(), nullptr) != FALSE;
}

bool Scratch::Write(const std::string& name, const std::string& bytes) {
  HANDLE file = CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

bool Scratch::CopyIn(const std::string& from, const std::string& name) {
  return CopyFileA(from.c_str(), Path(name).c_str(), FALSE) != FALSE;
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

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string StoredName(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  FindClose(search);
  return found.cFileName;
}

}  // namespace host_test
