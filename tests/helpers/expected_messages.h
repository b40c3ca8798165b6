// What the library says to the user, written out here as Windows-1251 bytes
// without help from the library, for every kind of test to expect.
#pragma once

#include <string>

namespace quillon::testing {

// "НЕ ПОНЯЛ!! Базы данных по указанному пути " + path + " НЕТ!", CR LF,
// "Проверьте правильность пути и наличие ТАМ файла!"
std::string TableMissing(const std::string& path);
// The same with "НЕ ПОНЯЛ!! Файла " in front.
std::string ImportFileMissing(const std::string& path);
// "проблема с переименованием " + from + " в " + to
std::string ReplaceFailed(const std::string& from, const std::string& to);
// "Импорт окончен"
extern const std::string kImportDone;
// "База упакована!"
extern const std::string kTablePacked;
// "1проблема с переименованием дбф в бак"
extern const std::string kTableBackupFailed;

}  // namespace quillon::testing
