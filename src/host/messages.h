// The texts the plug-in shows or hands out, as Windows-1251 bytes. The UTF-8
// reading of each is in the comment beside it.
#pragma once

#include <string_view>

namespace quillon::host {

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
