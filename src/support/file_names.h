// Deriving one file's name from another's (the memo file from the table file,
// backups from both). The replacement is made in the file-name part only, so
// a derived file always lies in the same folder as the file it comes from,
// and it keeps the letter case the user's names have: CLIENTS.DBF has the
// memo file CLIENTS.DBT, clients.dbf has clients.dbt.
#pragma once

#include <string>
#include <string_view>

namespace quillon::support {

// Offset of the file-name part: just after the last "/", "\" or ":".
size_t FileNameStart(std::string_view path);

// Replaces `from` (lower-case letters) inside the file-name part by `to` in
// that occurrence's case pattern: the extension when the name ends in "."
// and `from` in any letter case, otherwise the first exact occurrence, and
// failing that the first in any letter case. False (path unchanged) when
// there is none.
bool ReplaceInFileName(std::string& path, std::string_view from, std::string_view to);

// The memo file of a table: "dbf" replaced by "dbt" as above. Empty when
// the file name holds no "dbf": a table is never its own memo file.
std::string MemoFileName(std::string_view tablePath);

// The journal that keeps a file's old bytes while a change rewrites it in
// place: the file's own name with ".undo" added.
std::string JournalName(std::string_view path);

// The name of a backup beside a file: "dbf" (or whatever `from` is) replaced
// by `to` as above. Where file names ignore case, the whole path is
// lower-cased first. Without `from` the result is the (lower-cased) path
// itself.
std::string BackupName(std::string path, std::string_view from, std::string_view to);

}  // namespace quillon::support
