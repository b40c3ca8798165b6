// The POSIX stand-in for the Win32 calls. Windows sharing modes are modelled
// with flock(): a read-write opener that lets others only read holds an
// exclusive lock, a read-only opener a shared one, so a table held by one
// opener cannot be opened for writing by another.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/platform.h"

namespace quillon::platform {

namespace {

// Calls `once(into, wanted, done)` until n bytes arrived or the file ends;
// an interrupted call is made again.
template <typename ReadOnce>
bool ReadFully(void* buffer, size_t n, size_t* got, ReadOnce once) {
  size_t total = 0;
  auto* bytes = static_cast<char*>(buffer);
  while (total < n) {
    const ssize_t r = once(bytes + total, n - total, total);
    if (r < 0) {
      if (errno == EINTR) continue;
      *got = total;
      return false;
    }
    if (r == 0) break;
    total += static_cast<size_t>(r);
  }
  *got = total;
  return true;
}

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }

  bool Seek(uint64_t offset) override {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
  }

  bool Read(void* buffer, size_t n, size_t* got) override {
    return ReadFully(buffer, n, got, [this](char* into, size_t wanted, size_t) {
      return ::read(fd_, into, wanted);
    });
  }

  bool ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
    return ReadFully(buffer, n, got, [this, offset](char* into, size_t wanted, size_t done) {
      return ::pread(fd_, into, wanted, static_cast<off_t>(offset + done));
    });
  }

  bool Write(const void* buffer, size_t n) override {
    size_t total = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (total < n) {
      ssize_t w = ::write(fd_, bytes + total, n - total);
      if (w < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      total += static_cast<size_t>(w);
    }
    return true;
  }

  bool Size(uint64_t* size) override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
  }

  bool SetEnd() override {
    off_t position = ::lseek(fd_, 0, SEEK_CUR);
    return position >= 0 && ::ftruncate(fd_, position) == 0;
  }

  bool Flush() override { return ::fsync(fd_) == 0; }

 private:
  int fd_;
};

bool IsSameFile(int a, int b) {
  struct stat sa {}, sb {};
  return ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

class PosixPlatform final : public Platform {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    int flags = O_CLOEXEC;
    int lock = LOCK_EX;
    switch (mode) {
      case OpenMode::kReadWriteShareRead: flags |= O_RDWR; break;
      case OpenMode::kReadOnlyShareRead: flags |= O_RDONLY; lock = LOCK_SH; break;
      // Not truncated before the lock is held: a file someone else holds open
      // must come through the failed creation unharmed.
      case OpenMode::kCreateExclusive: flags |= O_RDWR | O_CREAT; break;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || ::flock(fd, lock | LOCK_NB) != 0 ||
        (mode == OpenMode::kCreateExclusive && ::ftruncate(fd, 0) != 0)) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
  }

  bool IsExistingFile(const std::string& path) override {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }

  LocalDate Today() override {
    std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
  }

  bool TempFolder(std::string* folder) override {
    const char* base = std::getenv("TMPDIR");
    std::string path = (base != nullptr && *base != '\0') ? base : "/tmp";
    if (path.back() != '/') path += '/';
    path += "quillon-" + std::to_string(::getuid());
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    // Refuse a folder another user could have prepared: our temporary tables
    // would be readable or replaceable by them.
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
      return false;
    }
    *folder = path + "/";
    return true;
  }

  // Honours the locks as the Win32 copy honours sharing: the source must not
  // be held by a writer, the target must not be held at all, and nothing is
  // written before the target's lock is taken. The copy is on the disk when
  // this returns, so a backup it makes can be relied on. An existing target
  // is overwritten in place and then cut to the copy's length: its blocks
  // are used again rather than freed and found anew, which costs the system
  // several times the copy itself.
  bool CopyFile(const std::string& from, const std::string& to) override {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    if (::flock(in, LOCK_SH | LOCK_NB) != 0) {
      ::close(in);
      return false;
    }
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    bool ok = out >= 0 && !IsSameFile(in, out) && ::flock(out, LOCK_EX | LOCK_NB) == 0;
    // The room a longer copy needs is taken in one step, which costs the
    // system less than finding it block by block at the flush; where the
    // file system cannot, the writes find it.
    struct stat source {}, target {};
    if (ok && ::fstat(in, &source) == 0 && ::fstat(out, &target) == 0 &&
        source.st_size > target.st_size) {
      ::fallocate(out, 0, target.st_size, source.st_size - target.st_size);
    }
    off_t copied = 0;
    std::vector<char> chunk(1 << 16);
    while (ok) {
      ssize_t r = ::read(in, chunk.data(), chunk.size());
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) {
        ok = r == 0;
        break;
      }
      ssize_t done = 0;
      while (ok && done < r) {
        ssize_t w = ::write(out, chunk.data() + done, static_cast<size_t>(r - done));
        if (w < 0 && errno == EINTR) continue;
        ok = w > 0;
        if (ok) done += w;
      }
      copied += r;
    }
    if (ok) ok = ::ftruncate(out, copied) == 0 && ::fsync(out) == 0;
    if (out >= 0 && ::close(out) != 0) ok = false;
    ::close(in);
    return ok;
  }

  bool DeleteFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

  void ShowMessage(const std::string& text) override {
    // One write, so that the text and its line end never interleave with
    // another writer's output.
    std::string line = text + "\n";
    ssize_t ignored = ::write(2, line.data(), line.size());
    (void)ignored;
  }
};

}  // namespace

Platform& Native() {
  static PosixPlatform native;
  return native;
}

}  // namespace quillon::platform
