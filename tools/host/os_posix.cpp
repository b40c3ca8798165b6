// The host's operating-system layer for Linux: dlopen and dlsym, and the
// plug-in's message boxes, which it writes to standard error (each text and
// a line feed in one write), caught by pointing file descriptor 2 at a
// scratch file for the length of each call.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

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

}  // namespace quillon_host
