#include "support/file_names.h"

#include "platform/file_name_case.h"
#include "support/text.h"

namespace quillon::support {

namespace {

size_t FindInFileName(std::string_view path, std::string_view from) {
  const size_t start = FileNameStart(path);
  // The extension is the one meant when there is one: "dbfdata.dbf" has
  // "dbfdata.dbt" beside it, never "dbtdata.dbf".
  const size_t extension = path.size() - from.size();
  if (path.size() > start + from.size() && path[extension - 1] == '.' &&
      LowerAscii(path.substr(extension)) == LowerAscii(from)) {
    return extension;
  }
  const size_t exact = path.find(from, start);
  if (exact != std::string_view::npos) return exact;
  return LowerAscii(path).find(LowerAscii(from), start);
}

// `to` with the letter case of the bytes it replaces, byte for byte.
std::string InCaseOf(std::string_view replaced, std::string_view to) {
  std::string out(to);
  for (size_t i = 0; i < out.size() && i < replaced.size(); ++i) {
    if (replaced[i] >= 'A' && replaced[i] <= 'Z') out[i] = UpperAscii(out.substr(i, 1))[0];
  }
  return out;
}

}  // namespace

size_t FileNameStart(std::string_view path) {
  size_t last = path.find_last_of("/\\:");
  return last == std::string_view::npos ? 0 : last + 1;
}

bool ReplaceInFileName(std::string& path, std::string_view from, std::string_view to) {
  const size_t at = FindInFileName(path, from);
  if (at == std::string::npos) return false;
  path.replace(at, from.size(), InCaseOf(std::string_view(path).substr(at, from.size()), to));
  return true;
}

std::string MemoFileName(std::string_view tablePath) {
  std::string memo(tablePath);
  return ReplaceInFileName(memo, "dbf", "dbt") ? memo : std::string();
}

std::string JournalName(std::string_view path) { return std::string(path) + ".undo"; }

std::string BackupName(std::string path, std::string_view from, std::string_view to) {
  if (platform::kFileNamesIgnoreCase) path = LowerAscii(path);
  ReplaceInFileName(path, from, to);
  return path;
}

}  // namespace quillon::support
