// The platform the fuzz targets run on: the native one, except that message
// boxes show nothing (a long run would flood the terminal) and files are not
// flushed to the disk (a flush waits for the disk, which made the targets
// several times slower; surviving a power cut is not what they test). The
// library still hears that every flush succeeded.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace quillon::fuzz {

class FuzzPlatform final : public platform::Platform {
 public:
  std::unique_ptr<platform::File> Open(const std::string& path, platform::OpenMode mode) override;
  bool IsExistingFile(const std::string& path) override;
  platform::LocalDate Today() override;
  bool TempFolder(std::string* folder) override;
  bool CopyFile(const std::string& from, const std::string& to) override;
  bool DeleteFile(const std::string& path) override;
  void ShowMessage(const std::string& text) override;
};

}  // namespace quillon::fuzz
