#include "fuzz_platform.h"

namespace quillon::fuzz {

namespace {

using platform::Native;

class UnflushedFile final : public platform::File {
 public:
  explicit UnflushedFile(std::unique_ptr<platform::File> inner) : inner_(std::move(inner)) {}

  bool Seek(uint64_t offset) override { return inner_->Seek(offset); }
  bool Read(void* buffer, size_t n, size_t* got) override { return inner_->Read(buffer, n, got); }
  bool Write(const void* buffer, size_t n) override { return inner_->Write(buffer, n); }
  bool Size(uint64_t* size) override { return inner_->Size(size); }
  bool SetEnd() override { return inner_->SetEnd(); }
  bool Flush() override { return true; }

 private:
  std::unique_ptr<platform::File> inner_;
};

}  // namespace

std::unique_ptr<platform::File> FuzzPlatform::Open(const std::string& path,
                                                   platform::OpenMode mode) {
  auto file = Native().Open(path, mode);
  if (file == nullptr) return nullptr;
  return std::make_unique<UnflushedFile>(std::move(file));
}

bool FuzzPlatform::IsExistingFile(const std::string& path) { return Native().IsExistingFile(path); }

platform::LocalDate FuzzPlatform::Today() { return Native().Today(); }

bool FuzzPlatform::TempFolder(std::string* folder) { return Native().TempFolder(folder); }

bool FuzzPlatform::CopyFile(const std::string& from, const std::string& to) {
  return Native().CopyFile(from, to);
}

bool FuzzPlatform::DeleteFile(const std::string& path) { return Native().DeleteFile(path); }

void FuzzPlatform::ShowMessage(const std::string&) {}

}  // namespace quillon::fuzz
