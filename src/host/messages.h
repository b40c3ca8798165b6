// The texts the plug-in shows or hands out, as Windows-1251 bytes. The UTF-8
// reading of each is in the comment beside it.
#pragma once

#include <string>
#include <string_view>

namespace quillon::host {

// The missing-file message: before + path + kMissingAfter + CR LF + kCheckThePath.
// "НЕ ПОНЯЛ!! Базы данных по указанному пути "
inline constexpr std::string_view kTableMissingBefore =
    "\xCD\xC5 \xCF\xCE\xCD\xDF\xCB!! \xC1\xE0\xE7\xFB \xE4\xE0\xED\xED\xFB\xF5 \xEF\xEE "
    "\xF3\xEA\xE0\xE7\xE0\xED\xED\xEE\xEC\xF3 \xEF\xF3\xF2\xE8 ";
// " НЕТ!"
inline constexpr std::string_view kMissingAfter = " \xCD\xC5\xD2!";
// "Проверьте правильность пути и наличие ТАМ файла!"
inline constexpr std::string_view kCheckThePath =
    "\xCF\xF0\xEE\xE2\xE5\xF0\xFC\xF2\xE5 \xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xF1\xF2\xFC "
    "\xEF\xF3\xF2\xE8 \xE8 \xED\xE0\xEB\xE8\xF7\xE8\xE5 \xD2\xC0\xCC \xF4\xE0\xE9\xEB\xE0!";

// A missing file: the opening words, the path, then the advice to check it.
inline std::string MissingFileMessage(std::string_view before, std::string_view path) {
  return std::string(before) + std::string(path) + std::string(kMissingAfter) + "\r\n" +
         std::string(kCheckThePath);
}

// "НЕ ПОНЯЛ!! Файла "
inline constexpr std::string_view kImportMissingBefore =
    "\xCD\xC5 \xCF\xCE\xCD\xDF\xCB!! \xD4\xE0\xE9\xEB\xE0 ";
// "Импорт окончен"
inline constexpr std::string_view kImportDone = "\xC8\xEC\xEF\xEE\xF0\xF2 \xEE\xEA\xEE\xED\xF7\xE5\xED";

// "1проблема с переименованием дбф в бак"
inline constexpr std::string_view kBackupTableFailed =
    "1\xEF\xF0\xEE\xE1\xEB\xE5\xEC\xE0 \xF1 \xEF\xE5\xF0\xE5\xE8\xEC\xE5\xED\xEE\xE2\xE0\xED"
    "\xE8\xE5\xEC \xE4\xE1\xF4 \xE2 \xE1\xE0\xEA";
// "4проблема с переименованием мемо в бак"
inline constexpr std::string_view kBackupMemoFailed =
    "4\xEF\xF0\xEE\xE1\xEB\xE5\xEC\xE0 \xF1 \xEF\xE5\xF0\xE5\xE8\xEC\xE5\xED\xEE\xE2\xE0\xED"
    "\xE8\xE5\xEC \xEC\xE5\xEC\xEE \xE2 \xE1\xE0\xEA";
// "проблема с переименованием "
inline constexpr std::string_view kReplaceFailedBefore =
    "\xEF\xF0\xEE\xE1\xEB\xE5\xEC\xE0 \xF1 \xEF\xE5\xF0\xE5\xE8\xEC\xE5\xED\xEE\xE2\xE0\xED"
    "\xE8\xE5\xEC ";
// " в "
inline constexpr std::string_view kReplaceFailedBetween = " \xE2 ";
// "База упакована!"
inline constexpr std::string_view kTablePacked = "\xC1\xE0\xE7\xE0 \xF3\xEF\xE0\xEA\xEE\xE2\xE0\xED\xE0!";

// "Tervola Merrowkit"
inline constexpr char kShortInfo[] = "Tervola Merrowkit";
// "Tervola Merrowkit:движок DBF", then the engine, the address and the authors.
inline constexpr char kInfo[] =
    "Tervola Merrowkit:\xE4\xE2\xE8\xE6\xEE\xEA DBF\r\n"
    "Quillon DBF engine 1.0\r\n"
    "   https://quillon.example.org/\r\n"
    "Written by the Quillon developers\r\n";
inline constexpr char kCopyright[] = "Copyright (c) 2026 the Quillon developers";

}  // namespace quillon::host
