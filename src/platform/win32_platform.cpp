// The Win32 implementation of the platform: kernel32 for files, the clock and
// the temporary folder, user32 for message boxes. Texts are passed to the
// ANSI ("A") calls as they are, so paths and messages stay in the active
// code page (Windows-1251 on the machines this is built for).
// Nothing here throws, and no handle outlives the object that owns it.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

// windows.h maps these names onto its own A/W functions; the platform's
// methods of the same names must keep theirs.
#undef CopyFile
#undef DeleteFile

#include <cstdint>
#include <new>
#include <string_view>

#include "platform/platform.h"
#include "platform/salt.h"

namespace quillon::platform {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Compares ASCII letters in either case, the way Windows matches device
// names, whatever the code page.
bool EqualsIgnoringCase(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != upper[i]) return false;
  }
  return true;
}

// A port's number; Windows counts the superscripts one, two and three as
// digits too, in the code pages that have them.
bool IsPortDigit(char c) {
  if (c >= '0' && c <= '9') return true;
  wchar_t wide = 0;
  return static_cast<unsigned char>(c) >= 0x80 &&
         ::MultiByteToWideChar(CP_ACP, 0, &c, 1, &wide, 1) == 1 &&
         (wide == 0x00B9 || wide == 0x00B2 || wide == 0x00B3);
}

// Whether one part of a path names a device in whatever folder it stands:
// its base name (before the first '.', without trailing blanks) is one of
// the reserved names.
bool IsDeviceName(std::string_view part) {
  part = part.substr(0, part.find('.'));
  while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
  for (const std::string_view name : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (EqualsIgnoringCase(part, name)) return true;
  }
  return part.size() == 4 &&
         (EqualsIgnoringCase(part.substr(0, 3), "COM") ||
          EqualsIgnoringCase(part.substr(0, 3), "LPT")) &&
         IsPortDigit(part[3]);
}

// Whether a path leads to a device rather than to a file, which opening
// could wait on for ever (a serial port waits for its line): a path in the
// device namespaces \\.\ and \??\ or \\?\ (but for a drive or a
// UNC path behind the last two), or one with a part that is a device name.
// A colon ends a part too, so that "C:NUL" and "COM1:" are seen.
bool NamesADevice(std::string_view path) {
  if (path.size() >= 3 && IsSeparator(path[0]) && (IsSeparator(path[1]) || path[1] == '?') &&
      (path[2] == '.' || path[2] == '?') && (path.size() == 3 || IsSeparator(path[3]))) {
    const bool local = path[2] == '.';
    path.remove_prefix(path.size() == 3 ? 3 : 4);
    const bool drive = path.size() >= 2 && path[1] == ':';
    const bool unc = path.size() >= 4 && EqualsIgnoringCase(path.substr(0, 3), "UNC") &&
                     IsSeparator(path[3]);
    if (local || !(drive || unc)) return true;
  }
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i]) && path[i] != ':') continue;
    if (IsDeviceName(path.substr(start, i - start))) return true;
    start = i + 1;
  }
  return false;
}

// Whether an open handle is a regular file on a disk: not a pipe, a
// console, another device or a folder. Opened with
// FILE_FLAG_OPEN_REPARSE_POINT, a name that is a link gives the link
// itself, which is refused as well.
bool IsPlainFile(HANDLE handle, DWORD flags) {
  DWORD refused = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
  if ((flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0) refused |= FILE_ATTRIBUTE_REPARSE_POINT;
  BY_HANDLE_FILE_INFORMATION info{};
  return ::GetFileType(handle) == FILE_TYPE_DISK &&
         ::GetFileInformationByHandle(handle, &info) != FALSE &&
         (info.dwFileAttributes & refused) == 0;
}

enum class Found { kNothing, kPlainFile, kSomethingElse };

// What a name leads to, looked at without reading it: a handle that asks
// for no access at all opens even a file that another program holds alone.
Found Examine(const std::string& path, DWORD flags) {
  if (NamesADevice(path)) return Found::kSomethingElse;
  HANDLE handle =
      ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Found::kNothing
                                                                           : Found::kSomethingElse;
  }
  const bool plain = IsPlainFile(handle, flags);
  ::CloseHandle(handle);
  return plain ? Found::kPlainFile : Found::kSomethingElse;
}

class Win32File final : public File {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override { ::CloseHandle(handle_); }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  bool Seek(uint64_t offset) override {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != FALSE;
  }

  bool Read(void* buffer, size_t n, size_t* got) override {
    return ReadFully(buffer, n, got, [](size_t) { return static_cast<OVERLAPPED*>(nullptr); });
  }

  // A synchronous handle reads at the offset an OVERLAPPED names, and
  // reports the end of the file as a failure with ERROR_HANDLE_EOF.
  bool ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
    OVERLAPPED place{};
    return ReadFully(buffer, n, got, [&](size_t done) {
      const uint64_t at = offset + done;
      place = OVERLAPPED{};
      place.Offset = static_cast<DWORD>(at);
      place.OffsetHigh = static_cast<DWORD>(at >> 32);
      return &place;
    });
  }

  bool Write(const void* buffer, size_t n) override {
    size_t total = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (total < n) {
      DWORD written = 0;
      // A call that succeeds without writing anything would repeat forever.
      if (::WriteFile(handle_, bytes + total, ChunkSize(n - total), &written, nullptr) == FALSE ||
          written == 0) {
        return false;
      }
      total += written;
    }
    return true;
  }

  bool Size(uint64_t* size) override {
    LARGE_INTEGER length{};
    if (::GetFileSizeEx(handle_, &length) == FALSE) return false;
    *size = static_cast<uint64_t>(length.QuadPart);
    return true;
  }

  bool SetEnd() override { return ::SetEndOfFile(handle_) != FALSE; }

  bool Flush() override { return ::FlushFileBuffers(handle_) != FALSE; }

 private:
  // ReadFile and WriteFile count in DWORDs.
  static DWORD ChunkSize(size_t left) {
    constexpr size_t kMaxChunk = 1u << 30;
    return static_cast<DWORD>(left < kMaxChunk ? left : kMaxChunk);
  }

  // Reads until n bytes arrived or the file ends; `placeOf(done)` gives the
  // OVERLAPPED that places each call, or null to read at the position.
  template <typename PlaceOf>
  bool ReadFully(void* buffer, size_t n, size_t* got, PlaceOf placeOf) {
    size_t total = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (total < n) {
      DWORD arrived = 0;
      if (::ReadFile(handle_, bytes + total, ChunkSize(n - total), &arrived, placeOf(total)) ==
          FALSE) {
        *got = total;
        return ::GetLastError() == ERROR_HANDLE_EOF;
      }
      if (arrived == 0) break;  // the end of the file
      total += arrived;
    }
    *got = total;
    return true;
  }

  HANDLE handle_;
};

class Win32Platform final : public Platform {
 public:
  // The files the library makes for itself are opened with
  // FILE_FLAG_OPEN_REPARSE_POINT, so that a link at their name is the file
  // opened, and refused.
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD share = FILE_SHARE_READ;
    DWORD disposition = OPEN_EXISTING;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    switch (mode) {
      case OpenMode::kReadWriteShareRead: break;
      case OpenMode::kReadOnlyShareRead: access = GENERIC_READ; break;
      case OpenMode::kCreateExclusive:
        share = 0;
        disposition = OPEN_ALWAYS;
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
        break;
      case OpenMode::kCreateNew:
        disposition = CREATE_NEW;
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
        break;
      case OpenMode::kReadWriteOwn: flags |= FILE_FLAG_OPEN_REPARSE_POINT; break;
    }
    if (NamesADevice(path)) return nullptr;
    HANDLE handle = ::CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    // A file being created or replaced is cut only once it passed, so that
    // what is refused is left as it was.
    bool ok = IsPlainFile(handle, flags);
    if (ok && mode == OpenMode::kCreateExclusive) {
      ok = ::SetFilePointerEx(handle, LARGE_INTEGER{}, nullptr, FILE_BEGIN) != FALSE &&
           ::SetEndOfFile(handle) != FALSE;
    }
    std::unique_ptr<File> file(ok ? new (std::nothrow) Win32File(handle) : nullptr);
    if (file == nullptr) ::CloseHandle(handle);
    return file;
  }

  bool IsExistingFile(const std::string& path) override {
    return Examine(path, FILE_ATTRIBUTE_NORMAL) == Found::kPlainFile;
  }

  bool NameIsTaken(const std::string& path) override {
    return Examine(path, FILE_FLAG_OPEN_REPARSE_POINT) != Found::kNothing;
  }

  LocalDate Today() override {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
  }

  bool TempFolder(std::string* folder) override {
    try {
      // The first call tells the size with the terminating 0, the second
      // fills it in; the folder may change in between, so check again.
      const DWORD needed = ::GetTempPathA(0, nullptr);
      if (needed == 0) return false;
      std::string path(needed, '\0');
      const DWORD length = ::GetTempPathA(needed, path.data());
      if (length == 0 || length >= needed) return false;
      path.resize(length);
      if (path.back() != '\\') path += '\\';
      *folder = std::move(path);
      return true;
    } catch (...) {
      return false;
    }
  }

  // Windows refuses to copy a file onto itself (the source is open for
  // reading, which the target's opening for writing collides with). Its
  // copy reads a source that another program is writing, though, which
  // could make a backup of a table half-way through a change: so the source
  // is first opened here letting others only read it, which fails while
  // anyone holds it for writing, and kept so until the copy is made. The
  // copy is flushed to the disk before this returns, so a backup it makes
  // can be relied on. The target, which someone else may have prepared, is
  // looked at first: the copy writes over a plain file or makes one, never
  // through a link.
  bool CopyFile(const std::string& from, const std::string& to) override {
    if (NamesADevice(from)) return false;
    HANDLE source = ::CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) return false;
    const bool copied = IsPlainFile(source, FILE_ATTRIBUTE_NORMAL) &&
                        Examine(to, FILE_FLAG_OPEN_REPARSE_POINT) != Found::kSomethingElse &&
                        ::CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
    ::CloseHandle(source);
    if (!copied) return false;
    HANDLE copy = ::CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (copy == INVALID_HANDLE_VALUE) return false;
    const bool flushed = ::FlushFileBuffers(copy) != FALSE;
    ::CloseHandle(copy);
    return flushed;
  }

  // Without MOVEFILE_REPLACE_EXISTING the move refuses an existing target;
  // a link is moved itself.
  bool RenameFile(const std::string& from, const std::string& to) override {
    return !NamesADevice(from) && !NamesADevice(to) &&
           ::MoveFileExA(from.c_str(), to.c_str(), 0) != FALSE;
  }

  bool DeleteFile(const std::string& path) override {
    return !NamesADevice(path) && ::DeleteFileA(path.c_str()) != FALSE;
  }

  // The system's random bytes come from advapi32 or bcrypt, which the DLL
  // does not import; the counters and the process id tell calls and
  // processes apart.
  uint64_t RandomNumber() override {
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    return MixedSalt({static_cast<uint64_t>(counter.QuadPart), ::GetCurrentProcessId(),
                      ::GetTickCount64()});
  }

  // No owner window (the host gives none), the system's default caption,
  // an OK button, no icon, brought to the front.
  void ShowMessage(const std::string& text) override {
    ::MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_SETFOREGROUND);
  }
};

}  // namespace

Platform& Native() {
  static Win32Platform native;
  return native;
}

}  // namespace quillon::platform
