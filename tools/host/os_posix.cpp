// The host's operating-system layer for Linux: dlopen and dlsym, and the
// plug-in's message boxes, which it writes to standard error (each text and
// a line feed in one write), caught by pointing file descriptor 2 at a
// scratch file for the length of each call.
#include <dlfcn.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "os.h"

namespace quillon_host {

namespace {

// The plug-in's own line breaks inside a message are CR LF; a line feed
// without a carriage return before it ends a message.
std::vector<std::string> SplitMessages(const std::string& written) {
  std::vector<std::string> messages;
  std::string current;
  for (char c : written) {
    if (c == '\n' && (current.empty() || current.back() != '\r')) {
      messages.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) messages.push_back(current);
  return messages;
}

class PosixLibrary : public Library {
 public:
  explicit PosixLibrary(void* handle) : handle_(handle), scratch_(std::tmpfile()) {}
  ~PosixLibrary() override {
    dlclose(handle_);
    if (scratch_ != nullptr) std::fclose(scratch_);
  }
  PosixLibrary(const PosixLibrary&) = delete;
  PosixLibrary& operator=(const PosixLibrary&) = delete;

  void* Find(const char* name) override { return dlsym(handle_, name); }

  // A scratch file rather than a pipe: a pipe that nobody reads would stop
  // the plug-in in the middle of its work once it filled up.
  std::vector<std::string> CallCatchingMessages(Action action) override {
    const int scratch = scratch_ != nullptr ? fileno(scratch_) : -1;
    std::fflush(stderr);
    const int saved = dup(2);
    if (scratch < 0 || saved < 0 || ftruncate(scratch, 0) != 0 ||
        lseek(scratch, 0, SEEK_SET) != 0 || dup2(scratch, 2) < 0) {
      if (saved >= 0) close(saved);
      action();
      return {};
    }
    action();
    dup2(saved, 2);
    close(saved);
    std::string written;
    char chunk[4096];
    off_t offset = 0;
    for (ssize_t got; (got = pread(scratch, chunk, sizeof chunk, offset)) > 0; offset += got) {
      written.append(chunk, static_cast<size_t>(got));
    }
    return SplitMessages(written);
  }

 private:
  void* handle_;
  std::FILE* scratch_;
};

// Ticks from a thread until stopped.
class PosixTicker : public Ticker {
 public:
  explicit PosixTicker(std::function<void(int)> tick)
      : thread_([this, tick = std::move(tick)] {
          std::unique_lock<std::mutex> lock(mutex_);
          for (int seconds = 1;; ++seconds) {
            if (stop_.wait_for(lock, std::chrono::seconds(1), [this] { return stopped_; })) return;
            tick(seconds);
          }
        }) {}
  ~PosixTicker() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = true;
    }
    stop_.notify_one();
    thread_.join();
  }
  PosixTicker(const PosixTicker&) = delete;
  PosixTicker& operator=(const PosixTicker&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopped_ = false;
  std::thread thread_;  // last: it starts once the rest is ready
};

// Standard error as it was before any call redirected it: a copy taken at
// the first question whether it is a terminal.
int terminal = -1;

}  // namespace

std::unique_ptr<Library> OpenLibrary(const std::string& path, std::string& error) {
  // A name without a folder would make dlopen search the system's library
  // folders instead of the current one.
  const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
  void* handle = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    error = why != nullptr ? why : "unknown error";
    return nullptr;
  }
  return std::make_unique<PosixLibrary>(handle);
}

// Beside this program in a build folder; in the library folder, by its
// soname, once installed.
std::string DefaultPluginPath() {
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "libquillon.so";
  std::string folder(self, static_cast<size_t>(length));
  folder.erase(folder.rfind('/') + 1);
  const std::string beside = folder + "libquillon.so";
  return access(beside.c_str(), F_OK) == 0 ? beside : folder + QUILLON_INSTALLED_PLUGIN;
}

bool StandardInputIsTerminal() { return isatty(0) == 1; }

void PrepareStandardStreams(bool, bool) {}

// Asked of a locale object of its own, so that the plug-in keeps the C
// locale in which it was written.
bool LocaleIsUtf8() {
  locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return true;
  const std::string codeset = nl_langinfo_l(CODESET, locale);
  freelocale(locale);
  return codeset != "CP1251" && codeset != "WINDOWS-1251";
}

bool PathFromUtf8(const std::string& utf8, std::string& path) {
  path = utf8;
  return true;
}

std::string PathToUtf8(const std::string& path) { return path; }

bool PathsAreUtf8() { return true; }

void ClearSystemError() { errno = 0; }

std::string SystemError() {
  return errno == 0 ? std::string("the system gave no reason") : std::string(std::strerror(errno));
}

FileKind KindOfFile(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return FileKind::kMissing;
  return S_ISDIR(status.st_mode) ? FileKind::kFolder : FileKind::kFile;
}

// The plug-in models the sharing of Windows with flock(): writers hold an
// exclusive lock, readers a shared one.
bool HeldForWriting(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

bool ErrorStreamIsTerminal() {
  static const bool is_terminal = [] {
    if (isatty(2) != 1) return false;
    terminal = fcntl(2, F_DUPFD_CLOEXEC, 3);
    return terminal >= 0;
  }();
  return is_terminal;
}

void WriteToTerminal(std::string_view text) {
  if (terminal >= 0) {
    const ssize_t ignored = write(terminal, text.data(), text.size());
    (void)ignored;
  }
}

std::unique_ptr<Ticker> StartTicker(std::function<void(int)> tick) {
  return std::make_unique<PosixTicker>(std::move(tick));
}

}  // namespace quillon_host
