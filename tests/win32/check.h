// The test host's checks: each one counts as passed or failed, a failure is
// printed with its place and both values, and the run ends with the line
// "N passed, N failed" that the build script reads.
#pragma once

#include <cstdint>
#include <string>

namespace host_test {

void Section(const char* name);
void Check(bool ok, const char* what, const char* file, int line);
void CheckEqual(const std::string& actual, const std::string& expected, const char* what,
                const char* file, int line);
void CheckEqual(int64_t actual, int64_t expected, const char* what, const char* file, int line);
// Non-ASCII and control bytes as \xNN, so Windows-1251 text reads the same
// whatever the console's code page.
std::string Escaped(const std::string& bytes);
// Prints the summary line; true when nothing failed.
bool Summary();
// Counts a failure and ends the run with the summary line and status 1: for
// a state in which every later check would mean nothing.
[[noreturn]] void Abandon(const std::string& why);

}  // namespace host_test

#define CHECK(condition) host_test::Check((condition), #condition, __FILE__, __LINE__)
// Texts are compared byte for byte and printed with escapes.
#define CHECK_EQ(actual, expected) \
  host_test::CheckEqual((actual), (expected), #actual " == " #expected, __FILE__, __LINE__)
