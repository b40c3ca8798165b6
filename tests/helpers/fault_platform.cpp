#include "helpers/fault_platform.h"

#include <memory>

namespace quillon::testing {

namespace {

class FaultFile final : public platform::File {
 public:
  FaultFile(FaultPlatform& owner, std::string path, std::unique_ptr<platform::File> inner)
      : owner_(owner), path_(std::move(path)), inner_(std::move(inner)) {}

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
      size_t partial = std::min(owner_.partialWrite, n);
      if (partial > 0 && inner_->Write(buffer, partial)) position_ += partial;
      return false;
    }
    if (!inner_->Write(buffer, n)) return false;
    owner_.writes.push_back(info);
    position_ += n;
    return true;
  }

  bool Size(uint64_t* size) override {
    return !owner_.Fails({Op::kSize, path_, position_, 0}) && inner_->Size(size);
  }

  bool SetEnd() override {
    if (owner_.Fails({Op::kSetEnd, path_, position_, 0})) return false;
    owner_.writes.push_back({Op::kSetEnd, path_, position_, 0});
    return inner_->SetEnd();
  }

  bool Flush() override {
    return !owner_.Fails({Op::kFlush, path_, position_, 0}) &&
           (!owner_.flushToDisk || inner_->Flush());
  }

 private:
  FaultPlatform& owner_;
  std::string path_;
  std::unique_ptr<platform::File> inner_;
  uint64_t position_ = 0;
};

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

std::unique_ptr<platform::File> FaultPlatform::Open(const std::string& path,
                                                    platform::OpenMode mode) {
  if (Fails({Op::kOpen, path, 0, 0})) return nullptr;
  auto inner = platform::Native().Open(path, mode);
  if (inner == nullptr) return nullptr;
  return std::make_unique<FaultFile>(*this, path, std::move(inner));
}

bool FaultPlatform::IsExistingFile(const std::string& path) {
  return platform::Native().IsExistingFile(path);
}

platform::LocalDate FaultPlatform::Today() {
  return today ? *today : platform::Native().Today();
}

bool FaultPlatform::TempFolder(std::string* folder) { return platform::Native().TempFolder(folder); }

bool FaultPlatform::CopyFile(const std::string& from, const std::string& to) {
  return !Fails({Op::kCopy, to, 0, 0}) && platform::Native().CopyFile(from, to);
}

bool FaultPlatform::DeleteFile(const std::string& path) {
  return !Fails({Op::kDelete, path, 0, 0}) && platform::Native().DeleteFile(path);
}

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

}  // namespace quillon::testing
