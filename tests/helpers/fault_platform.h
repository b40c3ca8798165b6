// A platform for tests: passes every call to the native one, except that it
// records the messages shown, can pin today's date, counts the file calls the
// library makes, and fails exactly the file operations a test names (a
// failing write, read or positioning, a full disk, a process killed at one
// call, a write torn in half), the way a real disk would.
//
// With `tracksDisk` it also keeps, for each file, what the disk held at the
// file's last flush and every write and cut made since, so that LosePower can
// leave the files as a machine that lost its power may: the flushed bytes
// and some of the later writes. A file made and never flushed may vanish, or
// keep some of its writes. Names are taken to reach the disk at once: a
// delete or a rename is never undone by a power loss, and neither is a copy,
// which the platform flushes before it returns.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillon::testing {

enum class Op { kOpen, kSeek, kRead, kWrite, kSetEnd, kSize, kFlush, kCopy, kDelete, kRename };

struct OpInfo {
  Op op;
  std::string path;       // the file the operation concerns (the target of a copy or rename)
  uint64_t position = 0;  // the file position at the call (seek: the target)
  size_t size = 0;        // bytes asked for by a read or write
};

// A call as failure messages name it: "write t.dbf at 237".
std::string Describe(const OpInfo& call);

// The ways a fault can strike at one counted call.
enum class Fault {
  kFailOnce,   // that call fails; the later ones succeed
  kKilled,     // it and every later call fail: the process died there
  kTornWrite,  // killed, but a write there first puts its first half on the disk
  kFullDisk,   // from it on every write and copy fails, a write after `partialWrite` bytes
  kPowerLoss,  // killed; LosePower then decides what the disk kept
};
const char* FaultName(Fault fault);
inline void PrintTo(Fault fault, std::ostream* out) { *out << FaultName(fault); }  // for gtest

// Which of a file's writes and cuts since its last flush are on the disk
// once the power is back, numbered from 0 in order within each file. The
// random third is drawn from a fixed seed, so every run draws the same.
enum class Arrival { kNone, kAll, kEveryOtherFromFirst, kEveryOtherFromSecond, kRandomThird };
inline constexpr Arrival kArrivals[] = {Arrival::kNone, Arrival::kAll,
                                        Arrival::kEveryOtherFromFirst,
                                        Arrival::kEveryOtherFromSecond, Arrival::kRandomThird};
const char* ArrivalName(Arrival arrival);

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
  // writing, cutting, sizing and flushing files, copying, renaming and
  // deleting them.
  int calls = 0;
  // Whether a flush reaches the disk. A test that only models killed
  // processes may turn it off: the system keeps what a dead process wrote,
  // and skipping the wait makes long runs of calls fast. The model of the
  // disk below counts a flush either way.
  bool flushToDisk = true;
  // Whether the disk is modelled for LosePower. Set it before the first
  // file is opened: a file is followed from the first call that names it,
  // what it holds then counting as on the disk.
  bool tracksDisk = false;

  std::unique_ptr<platform::File> Open(const std::string& path, platform::OpenMode mode) override;
  bool IsExistingFile(const std::string& path) override;
  bool NameIsTaken(const std::string& path) override;
  platform::LocalDate Today() override;
  bool TempFolder(std::string* folder) override;
  bool CopyFile(const std::string& from, const std::string& to) override;
  bool RenameFile(const std::string& from, const std::string& to) override;
  bool DeleteFile(const std::string& path) override;
  uint64_t RandomNumber() override;
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

  // Makes `fault` strike at the k-th counted call from now on (1-based),
  // replacing the rule in force.
  void Strike(Fault fault, int k);

  // Puts every file followed back as the disk holds it after the power went
  // and came back, with `arrival` picking which writes since each file's
  // last flush made it, then follows the disk afresh. Every file must be
  // closed. False when a file could not be put back.
  bool LosePower(Arrival arrival);

 private:
  class FaultFile;
  struct Unflushed {
    uint64_t offset = 0;
    std::string bytes;
    std::optional<uint64_t> cutTo;  // a cut (or a creation, cut to 0) instead of a write
  };
  // What the disk holds of one file. A name given to another file, or
  // deleted, leaves this behind with any handle still open on it.
  struct DiskFile {
    std::optional<std::string> flushed;  // none: no such file on the disk
    std::vector<Unflushed> since;
  };

  // The file's record, made from what it holds now the first time it is
  // named; null when the disk is not modelled or the file cannot be read.
  std::shared_ptr<DiskFile> Follow(const std::string& path);
  // How much of a write that fails still reaches the disk.
  size_t PartOfFailingWrite(size_t n) const;

  std::map<std::string, std::shared_ptr<DiskFile>> disk_;
  int tornCall_ = 0;  // the call (as `calls` counts) whose write is torn
};

// Installs a platform as the current one for a scope.
class PlatformScope {
 public:
  explicit PlatformScope(platform::Platform& p) { platform::SetCurrent(&p); }
  ~PlatformScope() { platform::SetCurrent(nullptr); }
};

}  // namespace quillon::testing
