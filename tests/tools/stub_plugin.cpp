// A stand-in plug-in for quillon-host's tests: it has the slot exports and
// two table exports: `first`, which shows two message boxes the way the
// Linux plug-in shows them (each text and a line feed in one write to
// standard error), the second a Windows-1251 word quoting a path the file
// system spells in UTF-8, and `prev`, which takes a second and a half, as a long
// call does. Every other export is missing on purpose.
#include <unistd.h>

#include <string>

#include "quillon.h"

namespace {

std::string file;
int32_t data = 0;

void Show(const std::string& text) {
  const std::string line = text + "\n";
  const ssize_t ignored = write(2, line.data(), line.size());
  (void)ignored;
}

}  // namespace

void SetFile(const char* text) { file = text != nullptr ? text : ""; }
const char* GetFile() { return file.c_str(); }
void SetData(int32_t value) { data = value; }
int32_t GetData() { return data; }

void first() {
  Show("one\r\ntwo");
  Show("\xF2\xF0\xE8 /tmp/Клиенты.dbf");  // "три" in Windows-1251, then the path
  data = 1;
}

void prev() { usleep(1500 * 1000); }
