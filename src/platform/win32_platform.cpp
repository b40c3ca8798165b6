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

#include "platform/platform.h"

namespace quillon::platform {

namespace {

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
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD share = FILE_SHARE_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
      case OpenMode::kReadWriteShareRead: break;
      case OpenMode::kReadOnlyShareRead: access = GENERIC_READ; break;
      case OpenMode::kCreateExclusive: share = 0; disposition = CREATE_ALWAYS; break;
    }
    HANDLE handle = ::CreateFileA(path.c_str(), access, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    std::unique_ptr<File> file(new (std::nothrow) Win32File(handle));
    if (file == nullptr) ::CloseHandle(handle);
    return file;
  }

  bool IsExistingFile(const std::string& path) override {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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
  // can be relied on.
  bool CopyFile(const std::string& from, const std::string& to) override {
    HANDLE source = ::CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) return false;
    const bool copied = ::CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
    ::CloseHandle(source);
    if (!copied) return false;
    HANDLE copy = ::CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (copy == INVALID_HANDLE_VALUE) return false;
    const bool flushed = ::FlushFileBuffers(copy) != FALSE;
    ::CloseHandle(copy);
    return flushed;
  }

  bool DeleteFile(const std::string& path) override { return ::DeleteFileA(path.c_str()) != FALSE; }

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
