// Deriving one file's name from another's (the memo file from the table file,
// backups from both). The replacement is made in the file-name part only, so
// a derived file always lies in the same folder as the file it comes from.
#pragma once

#include <string>
#include <string_view>

namespace quillon::support {

// Offset of the file-name part: just after the last "/", "\" or ":".
size_t FileNameStart(std::string_view path);

// Replaces the first exact occurrence of `from` inside the file-name part.
// False (path unchanged) when there is none.
bool ReplaceInFileName(std::string& path, std::string_view from, std::string_view to);

// The name of a backup beside a file: the first "dbf" (or whatever `from`
// is) of the file-name part replaced by `to`. Windows names ignore case, so
// there the whole path is lower-cased first; elsewhere the path keeps its
// case and `from` is found whatever its case. Without `from` the result is
// the (lower-cased) path itself.
std::string BackupName(std::string path, std::string_view from, std::string_view to);

}  // namespace quillon::support
