// A platform for tests: passes every call to the native one, except that it
// records the messages shown, can pin today's date, counts the file calls the
// library makes, and fails exactly the file operations a test names (a
// failing write, read or positioning, a full disk, a process killed at one
// call), the way a real disk would.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillon::testing {

enum class Op { kOpen, kSeek, kRead, kWrite, kSetEnd, kSize, kFlush, kCopy, kDelete };

struct OpInfo {
  Op op;
  std::string path;      // the file the operation concerns (the target of a copy)
  uint64_t position = 0;  // the file position at the call (seek: the target)
  size_t size = 0;        // bytes asked for by a read or write
};

class FaultPlatform : public platform::Platform {
 public:
  // Decides whether an operation fails. A failing write may still have put
  // `partialWrite` bytes on disk first, as a full disk does.
  std::function<bool(const OpInfo&)> fail;
  size_t partialWrite = 0;
  std::optional<platform::LocalDate> today;
  std::vector<std::string> messages;
  std::vector<OpInfo> writes;  // every write that reached the disk
  // Every counted call so far, failed or not: opening, positioning, reading,
  // writing, cutting, sizing and flushing files, copying and deleting them.
  int calls = 0;
  // Whether a flush reaches the disk. A test that only models killed
  // processes may turn it off: the system keeps what a dead process wrote,
  // and skipping the wait makes long runs of calls fast.
  bool flushToDisk = true;

  std::unique_ptr<platform::File> Open(const std::string& path, platform::OpenMode mode) override;
  bool IsExistingFile(const std::string& path) override;
  platform::LocalDate Today() override;
  bool TempFolder(std::string* folder) override;
  bool CopyFile(const std::string& from, const std::string& to) override;
  bool DeleteFile(const std::string& path) override;
  void ShowMessage(const std::string& text) override;

  // Counts the call and asks the rule.
  bool Fails(const OpInfo& info) {
    ++calls;
    return fail && fail(info);
  }

  // Common failure rules.
  static std::function<bool(const OpInfo&)> FailWritesTo(std::string path);
  static std::function<bool(const OpInfo&)> FailNth(Op op, int n);  // 1-based
  // The k-th counted call from the rule's installation on (1-based) fails
  // once; the calls after it succeed.
  static std::function<bool(const OpInfo&)> FailCall(int k);
  // The k-th counted call and every later one fail: a process killed at that
  // call, after which nothing it does reaches the disk.
  static std::function<bool(const OpInfo&)> FailFromCall(int k);
};

// Installs a platform as the current one for a scope.
class PlatformScope {
 public:
  explicit PlatformScope(platform::Platform& p) { platform::SetCurrent(&p); }
  ~PlatformScope() { platform::SetCurrent(nullptr); }
};

}  // namespace quillon::testing
