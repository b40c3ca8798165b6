// The POSIX stand-in for the Win32 calls. Windows sharing modes are modelled
// with flock(): a read-write opener that lets others only read holds an
// exclusive lock, a read-only opener a shared one, so a table held by one
// opener cannot be opened for writing by another.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <vector>

#include "platform/platform.h"
#include "platform/salt.h"

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

// Opens a path and keeps it only when it is a regular file, whose status
// lands in *st. O_NONBLOCK keeps a pipe or a device from holding the caller
// at the open itself; it is cleared again so that reads and writes of the
// file wait as usual.
int OpenRegularFile(const std::string& path, int flags, mode_t permissions, struct stat* st) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, permissions);
  if (fd < 0) return -1;
  const int status = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode) || status < 0 ||
      ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

class PosixPlatform final : public Platform {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    int flags = O_RDWR;
    int lock = LOCK_EX;
    mode_t permissions = 0644;
    switch (mode) {
      case OpenMode::kReadWriteShareRead: break;
      case OpenMode::kReadOnlyShareRead: flags = O_RDONLY; lock = LOCK_SH; break;
      // Not truncated before the lock is held: a file someone else holds open
      // must come through the failed creation unharmed.
      case OpenMode::kCreateExclusive: flags |= O_CREAT | O_NOFOLLOW; break;
      // O_EXCL refuses every name that exists, a link that leads nowhere too.
      case OpenMode::kCreateNew:
        flags |= O_CREAT | O_EXCL | O_NOFOLLOW;
        permissions = 0600;
        break;
      case OpenMode::kReadWriteOwn: flags |= O_NOFOLLOW; break;
    }
    struct stat st {};
    const int fd = OpenRegularFile(path, flags, permissions, &st);
    if (fd < 0) return nullptr;
    if (::flock(fd, lock | LOCK_NB) != 0 ||
        (mode == OpenMode::kCreateExclusive && ::ftruncate(fd, 0) != 0)) {
      ::close(fd);
      return nullptr;
    }
    std::unique_ptr<File> file(new (std::nothrow) PosixFile(fd));
    if (file == nullptr) ::close(fd);
    return file;
  }

  bool IsExistingFile(const std::string& path) override {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  bool NameIsTaken(const std::string& path) override {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR);
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
    struct stat source {}, target {};
    int in = OpenRegularFile(from, O_RDONLY, 0, &source);
    if (in < 0) return false;
    if (::flock(in, LOCK_SH | LOCK_NB) != 0) {
      ::close(in);
      return false;
    }
    // Someone else may have put a link or a pipe at the target's name.
    int out = OpenRegularFile(to, O_WRONLY | O_CREAT | O_NOFOLLOW, 0644, &target);
    bool ok = out >= 0 && (source.st_dev != target.st_dev || source.st_ino != target.st_ino) &&
              ::flock(out, LOCK_EX | LOCK_NB) == 0;
    // The room a longer copy needs is taken in one step, which costs the
    // system less than finding it block by block at the flush; where the
    // file system cannot, the writes find it.
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

  // The rename refuses to replace the target itself, and moves a link
  // rather than what it leads to. Where the kernel or the file system
  // cannot do that, a second name made with link() refuses an existing
  // target just as well; that way is taken for regular files only.
  bool RenameFile(const std::string& from, const std::string& to) override {
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                  RENAME_NOREPLACE) == 0) {
      return true;
    }
    if (errno != ENOSYS && errno != EINVAL) return false;
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0) != 0) {
      return false;
    }
    if (::unlink(from.c_str()) == 0) return true;
    ::unlink(to.c_str());
    return false;
  }

  bool DeleteFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

  // Without the system's random bytes (early at boot, or where the call is
  // missing), the clock and the process id tell calls and processes apart.
  uint64_t RandomNumber() override {
    uint64_t number = 0;
    if (::getrandom(&number, sizeof number, GRND_NONBLOCK) == sizeof number) return number;
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return MixedSalt({static_cast<uint64_t>(now.tv_sec), static_cast<uint64_t>(now.tv_nsec),
                      static_cast<uint64_t>(::getpid())});
  }

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
