#include "fuzz_setup.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "helpers/fault_platform.h"
#include "helpers/scratch_dir.h"
#include "host/library.h"
#include "platform/platform.h"

namespace quillon::fuzz {

namespace {

// Destroyed at a normal exit, which removes the folder; a crash leaves it
// for a look at the files.
std::unique_ptr<testing::ScratchDir> scratch;

// The tests' platform, failing nothing. Flushes do not wait for the disk,
// which made the targets several times slower: surviving a power cut is not
// what they test.
testing::FaultPlatform fuzzPlatform;

[[noreturn]] void Fail(const char* what) {
  std::perror(what);
  std::abort();
}

void LimitFileSize() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) Fail("getrlimit");
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < kFileSizeLimit) {
    Fail("the hard file-size limit is below the fuzzing limit");
  }
  limit.rlim_cur = kFileSizeLimit;
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) Fail("setrlimit");
  // An ignored SIGXFSZ would turn an oversized write into a quiet failure.
  // libFuzzer puts its own handler in place after this, and reports it.
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  if (::sigaction(SIGXFSZ, &action, nullptr) != 0) Fail("sigaction");
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGXFSZ);
  if (::sigprocmask(SIG_UNBLOCK, &blocked, nullptr) != 0) Fail("sigprocmask");
}

std::string LibraryTempFolder() { return scratch->File("tmp"); }

}  // namespace

void SetUpProcess() {
  LimitFileSize();
  fuzzPlatform.flushToDisk = false;
  platform::SetCurrent(&fuzzPlatform);
  scratch = std::make_unique<testing::ScratchDir>();
  if (::setenv("TMPDIR", LibraryTempFolder().c_str(), 1) != 0) Fail("setenv");
  EmptyScratch();
}

void EmptyScratch() {
  // What one input showed and wrote is of no use to the next.
  fuzzPlatform.messages.clear();
  fuzzPlatform.writes.clear();
  fuzzPlatform.calls = 0;
  for (const auto& entry : std::filesystem::directory_iterator(scratch->path())) {
    std::filesystem::remove_all(entry.path());
  }
  if (::mkdir(LibraryTempFolder().c_str(), 0700) != 0) Fail("mkdir");
}

std::string ScratchPath(const std::string& name) { return scratch->File(name); }

std::string WriteScratchFile(const std::string& name, const std::string& bytes) {
  return scratch->Write(name, bytes);
}

void InScratchFolder(void (*body)()) {
  const int back = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (back < 0 || ::chdir(scratch->path().c_str()) != 0) Fail("chdir");
  body();
  if (::fchdir(back) != 0) Fail("fchdir");
  ::close(back);
}

LoadedLibrary::LoadedLibrary() { host::LibraryLoad(); }

LoadedLibrary::~LoadedLibrary() { host::LibraryUnload(); }

}  // namespace quillon::fuzz

// Every target links this file, so libFuzzer finds the set-up here.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quillon::fuzz::SetUpProcess();
  return 0;
}
