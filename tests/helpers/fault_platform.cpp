#include "helpers/fault_platform.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "helpers/scratch_dir.h"

namespace quillon::testing {

namespace {

// What a file holds now, read through the handle given. False when it cannot
// be read whole.
bool ReadAll(platform::File& file, std::string* content) {
  uint64_t size = 0;
  if (!file.Size(&size)) return false;
  content->assign(static_cast<size_t>(size), '\0');
  size_t got = 0;
  return file.ReadAt(0, content->data(), content->size(), &got) && got == content->size();
}

bool Arrives(Arrival arrival, size_t n) {
  switch (arrival) {
    case Arrival::kNone: return false;
    case Arrival::kAll: return true;
    case Arrival::kEveryOtherFromFirst: return n % 2 == 0;
    case Arrival::kEveryOtherFromSecond: return n % 2 == 1;
    case Arrival::kRandomThird: return std::minstd_rand(static_cast<uint32_t>(n) + 7)() % 3 == 0;
  }
  return false;
}

// Fails the k-th call the rule is asked about, and with `later` every call
// after it too.
std::function<bool(const OpInfo&)> FailCalls(int k, bool later) {
  auto seen = std::make_shared<int>(0);
  return [k, later, seen](const OpInfo&) {
    const int call = ++*seen;
    return call == k || (later && call > k);
  };
}

}  // namespace

class FaultPlatform::FaultFile final : public platform::File {
 public:
  FaultFile(FaultPlatform& owner, std::string path, std::unique_ptr<platform::File> inner,
            std::shared_ptr<DiskFile> disk)
      : owner_(owner), path_(std::move(path)), inner_(std::move(inner)), disk_(std::move(disk)) {}

  bool Seek(uint64_t offset) override {
    if (owner_.Fails({Op::kSeek, path_, offset, 0})) return false;
    if (!inner_->Seek(offset)) return false;
    position_ = offset;
    return true;
  }

  bool Read(void* buffer, size_t n, size_t* got) override {
    if (owner_.Fails({Op::kRead, path_, position_, n})) {
      *got = 0;
      return false;
    }
    bool ok = inner_->Read(buffer, n, got);
    position_ += *got;
    return ok;
  }

  bool ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
    if (owner_.Fails({Op::kRead, path_, offset, n})) {
      *got = 0;
      return false;
    }
    const bool ok = inner_->ReadAt(offset, buffer, n, got);
    position_ = offset + *got;
    return ok;
  }

  bool Write(const void* buffer, size_t n) override {
    OpInfo info{Op::kWrite, path_, position_, n};
    if (owner_.Fails(info)) {
      const size_t part = owner_.PartOfFailingWrite(n);
      if (part > 0 && inner_->Write(buffer, part)) Wrote(buffer, part);
      return false;
    }
    if (!inner_->Write(buffer, n)) return false;
    owner_.writes.push_back(info);
    Wrote(buffer, n);
    return true;
  }

  bool Size(uint64_t* size) override {
    return !owner_.Fails({Op::kSize, path_, position_, 0}) && inner_->Size(size);
  }

  bool SetEnd() override {
    if (owner_.Fails({Op::kSetEnd, path_, position_, 0})) return false;
    owner_.writes.push_back({Op::kSetEnd, path_, position_, 0});
    if (!inner_->SetEnd()) return false;
    if (disk_ != nullptr) disk_->since.push_back({0, "", position_});
    return true;
  }

  bool Flush() override {
    if (owner_.Fails({Op::kFlush, path_, position_, 0})) return false;
    if (owner_.flushToDisk && !inner_->Flush()) return false;
    if (disk_ == nullptr) return true;
    // What the file holds is read through its own handle: the system may let
    // no one else open it. Some systems move the position on a read at an
    // offset; a flush must not.
    std::string content;
    if (!ReadAll(*inner_, &content) || !inner_->Seek(position_)) return false;
    disk_->flushed = std::move(content);
    disk_->since.clear();
    return true;
  }

 private:
  void Wrote(const void* buffer, size_t n) {
    if (disk_ != nullptr) {
      disk_->since.push_back({position_, std::string(static_cast<const char*>(buffer), n), {}});
    }
    position_ += n;
  }

  FaultPlatform& owner_;
  std::string path_;
  std::unique_ptr<platform::File> inner_;
  std::shared_ptr<DiskFile> disk_;
  uint64_t position_ = 0;
};

std::unique_ptr<platform::File> FaultPlatform::Open(const std::string& path,
                                                    platform::OpenMode mode) {
  if (Fails({Op::kOpen, path, 0, 0})) return nullptr;
  auto disk = Follow(path);
  auto inner = platform::Native().Open(path, mode);
  if (inner == nullptr) return nullptr;
  // A file the open makes or empties: until it is flushed, the disk may
  // still hold what was there before, or nothing.
  if (disk != nullptr && (mode == platform::OpenMode::kCreateExclusive ||
                          mode == platform::OpenMode::kCreateNew)) {
    disk->since.push_back({0, "", 0});
  }
  return std::make_unique<FaultFile>(*this, path, std::move(inner), std::move(disk));
}

bool FaultPlatform::IsExistingFile(const std::string& path) {
  return platform::Native().IsExistingFile(path);
}

bool FaultPlatform::NameIsTaken(const std::string& path) {
  return platform::Native().NameIsTaken(path);
}

platform::LocalDate FaultPlatform::Today() {
  return today ? *today : platform::Native().Today();
}

bool FaultPlatform::TempFolder(std::string* folder) { return platform::Native().TempFolder(folder); }

bool FaultPlatform::CopyFile(const std::string& from, const std::string& to) {
  if (Fails({Op::kCopy, to, 0, 0}) || !platform::Native().CopyFile(from, to)) return false;
  // The copy is on the disk when the platform returns.
  disk_.erase(to);
  Follow(to);
  return true;
}

bool FaultPlatform::RenameFile(const std::string& from, const std::string& to) {
  if (Fails({Op::kRename, to, 0, 0})) return false;
  auto moved = Follow(from);
  if (!platform::Native().RenameFile(from, to)) return false;
  if (tracksDisk) {
    disk_[from] = std::make_shared<DiskFile>();
    if (moved != nullptr) {
      disk_[to] = std::move(moved);
    } else {
      disk_.erase(to);
    }
  }
  return true;
}

bool FaultPlatform::DeleteFile(const std::string& path) {
  if (Fails({Op::kDelete, path, 0, 0}) || !platform::Native().DeleteFile(path)) return false;
  if (tracksDisk) disk_[path] = std::make_shared<DiskFile>();
  return true;
}

uint64_t FaultPlatform::RandomNumber() { return platform::Native().RandomNumber(); }

void FaultPlatform::ShowMessage(const std::string& text) { messages.push_back(text); }

std::function<bool(const OpInfo&)> FaultPlatform::FailWritesTo(std::string path) {
  return [path = std::move(path)](const OpInfo& info) {
    return info.op == Op::kWrite && info.path == path;
  };
}

std::function<bool(const OpInfo&)> FaultPlatform::FailNth(Op op, int n) {
  auto seen = std::make_shared<int>(0);
  return [op, n, seen](const OpInfo& info) { return info.op == op && ++*seen == n; };
}

std::function<bool(const OpInfo&)> FaultPlatform::FailCall(int k) { return FailCalls(k, false); }

std::function<bool(const OpInfo&)> FaultPlatform::FailFromCall(int k) { return FailCalls(k, true); }

void FaultPlatform::Strike(Fault fault, int k) {
  tornCall_ = 0;
  switch (fault) {
    case Fault::kFailOnce: fail = FailCall(k); return;
    case Fault::kTornWrite: tornCall_ = calls + k; [[fallthrough]];
    case Fault::kKilled:
    case Fault::kPowerLoss: fail = FailFromCall(k); return;
    case Fault::kFullDisk: {
      auto seen = std::make_shared<int>(0);
      fail = [k, seen](const OpInfo& info) {
        return ++*seen >= k && (info.op == Op::kWrite || info.op == Op::kCopy);
      };
      return;
    }
  }
}

size_t FaultPlatform::PartOfFailingWrite(size_t n) const {
  if (tornCall_ != 0) return calls == tornCall_ ? n / 2 : 0;
  return std::min(partialWrite, n);
}

std::shared_ptr<FaultPlatform::DiskFile> FaultPlatform::Follow(const std::string& path) {
  if (!tracksDisk) return nullptr;
  std::shared_ptr<DiskFile>& known = disk_[path];
  if (known != nullptr) return known;
  auto file = std::make_shared<DiskFile>();
  auto reader = platform::Native().Open(path, platform::OpenMode::kReadOnlyShareRead);
  std::string content;
  if (reader != nullptr && ReadAll(*reader, &content)) {
    file->flushed = std::move(content);
  } else if (platform::Native().IsExistingFile(path)) {
    disk_.erase(path);  // there, but it cannot be read
    return nullptr;
  }
  known = file;
  return file;
}

bool FaultPlatform::LosePower(Arrival arrival) {
  auto& os = platform::Native();
  bool ok = true;
  for (const auto& [path, file] : disk_) {
    std::optional<std::string> content = file->flushed;
    size_t n = 0;
    for (const Unflushed& change : file->since) {
      if (!Arrives(arrival, n++)) continue;
      if (!content) content.emplace();
      if (change.cutTo) {
        content->resize(static_cast<size_t>(*change.cutTo));
        continue;
      }
      const size_t at = static_cast<size_t>(change.offset);
      if (content->size() < at + change.bytes.size()) content->resize(at + change.bytes.size());
      content->replace(at, change.bytes.size(), change.bytes);
    }
    if (!os.DeleteFile(path) && os.IsExistingFile(path)) ok = false;
    if (!content) continue;
    // Written anew as the tests write their files, without the platform's
    // locks: in long runs of power losses that halves the time.
    try {
      WriteWholeFile(path, *content);
    } catch (const std::runtime_error&) {
      ok = false;
    }
  }
  disk_.clear();
  return ok;
}

std::string Describe(const OpInfo& call) {
  const std::string file = " " + std::filesystem::path(call.path).filename().string();
  const std::string at = file + " at " + std::to_string(call.position);
  switch (call.op) {
    case Op::kOpen: return "open" + file;
    case Op::kSeek: return "seek" + at;
    case Op::kRead: return "read" + at;
    case Op::kWrite: return "write" + at;
    case Op::kSetEnd: return "cut" + at;
    case Op::kSize: return "size" + file;
    case Op::kFlush: return "flush" + file;
    case Op::kCopy: return "copy to" + file;
    case Op::kDelete: return "delete" + file;
    case Op::kRename: return "rename to" + file;
  }
  return "?";
}

const char* FaultName(Fault fault) {
  static const char* const names[] = {"fail once", "killed", "torn write", "full disk",
                                      "power loss"};
  return names[static_cast<size_t>(fault)];
}

const char* ArrivalName(Arrival arrival) {
  static const char* const names[] = {"none", "all", "every other from the first",
                                      "every other from the second", "a random third"};
  return names[static_cast<size_t>(arrival)];
}

}  // namespace quillon::testing
