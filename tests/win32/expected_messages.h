// What Quillon.dll says to the user, written out here as Windows-1251 bytes
// without help from the library, and the check that the message boxes shown
// since the last check were exactly the expected ones, in order, each with
// no owner window, no caption and the flags MB_OK | MB_SETFOREGROUND.
#pragma once

#include <string>
#include <vector>

namespace host_test {

// "НЕ ПОНЯЛ!! Базы данных по указанному пути " + path + " НЕТ!", CR LF,
// "Проверьте правильность пути и наличие ТАМ файла!"
std::string TableMissing(const std::string& path);
// The same with "НЕ ПОНЯЛ!! Файла " in front.
std::string ImportFileMissing(const std::string& path);
// "Импорт окончен"
extern const std::string kImportDone;
// "проблема с переименованием " + from + " в " + to
std::string ReplaceFailed(const std::string& from, const std::string& to);
// "База упакована!"
extern const std::string kTablePacked;

void CheckMessages(const std::vector<std::string>& expected, const char* file, int line);

}  // namespace host_test

// CHECK_MESSAGES() checks that nothing was shown.
#define CHECK_MESSAGES(...) host_test::CheckMessages({__VA_ARGS__}, __FILE__, __LINE__)
