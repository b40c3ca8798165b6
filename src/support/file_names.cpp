#include "support/file_names.h"

#include "support/text.h"

namespace quillon::support {

size_t FileNameStart(std::string_view path) {
  size_t last = path.find_last_of("/\\:");
  return last == std::string_view::npos ? 0 : last + 1;
}

bool ReplaceInFileName(std::string& path, std::string_view from, std::string_view to) {
  size_t at = path.find(from, FileNameStart(path));
  if (at == std::string::npos) return false;
  path.replace(at, from.size(), to);
  return true;
}

std::string BackupName(std::string path, std::string_view from, std::string_view to) {
#if defined(_WIN32)
  path = LowerAscii(path);
  ReplaceInFileName(path, from, to);
#else
  const size_t start = FileNameStart(path);
  const size_t at = LowerAscii(path).find(LowerAscii(from), start);
  if (at != std::string::npos) path.replace(at, from.size(), to);
#endif
  return path;
}

}  // namespace quillon::support
