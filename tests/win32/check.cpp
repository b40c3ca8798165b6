#include "check.h"

#include <cstdio>
#include <cstdlib>

namespace host_test {

namespace {

int passed = 0;
int failed = 0;

void Fail(const char* what, const char* file, int line, const std::string& detail) {
  ++failed;
  std::printf("FAILED %s:%d: %s%s\n", file, line, what, detail.c_str());
  std::fflush(stdout);
}

}  // namespace

std::string Escaped(const std::string& bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out + "\"";
}

void Section(const char* name) {
  std::printf("-- %s\n", name);
  std::fflush(stdout);
}

void Check(bool ok, const char* what, const char* file, int line) {
  if (ok) {
    ++passed;
  } else {
    Fail(what, file, line, "");
  }
}

void CheckEqual(const std::string& actual, const std::string& expected, const char* what,
                const char* file, int line) {
  if (actual == expected) {
    ++passed;
  } else {
    Fail(what, file, line,
         "\n  actual:   " + Escaped(actual) + "\n  expected: " + Escaped(expected));
  }
}

void CheckEqual(int64_t actual, int64_t expected, const char* what, const char* file, int line) {
  if (actual == expected) {
    ++passed;
  } else {
    Fail(what, file, line,
         "\n  actual:   " + std::to_string(actual) + "\n  expected: " + std::to_string(expected));
  }
}

bool Summary() {
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed == 0;
}

[[noreturn]] void Abandon(const std::string& why) {
  ++failed;
  std::printf("FATAL: %s\n", why.c_str());
  Summary();
  std::exit(1);
}

}  // namespace host_test
