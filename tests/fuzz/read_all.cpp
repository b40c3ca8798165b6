#include "read_all.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "quillon.h"
#include "support/field_names.h"
#include "support/text.h"

namespace quillon::fuzz {

namespace {

std::string TakeText() {
  const char* text = GetFile();
  Expect(text != nullptr, "GetFile returns a text");
  return text;
}

int32_t RecordCount() {
  countrec();
  return GetData();
}

void ExpectCursorInRange() {
  const int32_t count = RecordCount();
  curnum();
  const int32_t at = GetData();
  // countrec hands out the header's unsigned count, so compare unsigned.
  Expect(static_cast<uint32_t>(at) <= static_cast<uint32_t>(count), "the cursor stays in range");
}

std::string ReadCurrent(const std::string& names) {
  getcurrecall();
  const std::string values = TakeText();
  SetFile(names.c_str());
  getcurn();
  TakeText();
  ExpectCursorInRange();
  return values;
}

std::vector<int32_t> OddRecordNumbers(int32_t count, const std::string& request) {
  std::vector<int32_t> numbers = {0,
                                  -1,
                                  1,
                                  2,
                                  count,
                                  static_cast<int32_t>(static_cast<uint32_t>(count) + 1u),
                                  static_cast<int32_t>(static_cast<uint32_t>(count) - 1u),
                                  std::numeric_limits<int32_t>::max(),
                                  std::numeric_limits<int32_t>::min()};
  for (size_t at = 0; at + 4 <= request.size() && numbers.size() < 17; at += 4) {
    int32_t n = 0;
    std::memcpy(&n, request.data() + at, 4);
    numbers.push_back(n);
  }
  return numbers;
}

// The listed names as a lookup compares them: a rebuild may store a name in
// capitals that another program stored in small letters.
std::string AsLookedUp(std::string_view names) {
  std::string out;
  while (!names.empty()) out += support::LookupFieldName(support::TakeItem(names, '|')) + "|";
  return out;
}

}  // namespace

void Expect(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

std::string ReadEverything(const std::string& request) {
  // A table that did not open leaves the slots as they were: start them
  // alike, so that the answer depends on the table only.
  SetData(0);
  SetFile("");
  const int32_t count = RecordCount();
  fiedscount();
  Expect(GetData() >= 0 && GetData() <= 128, "fiedscount is at most 128");
  getfields();
  const std::string names = TakeText();
  std::string seen = std::to_string(count) + "\n" + AsLookedUp(names) + "\n";

  first();
  ExpectCursorInRange();
  const int32_t visits = std::clamp(count, 0, kMaxVisitedRecords);
  for (int32_t i = 0; i < visits; ++i) {
    seen += ReadCurrent(names) + "\n";
    next1();
  }
  last();
  ReadCurrent(names);
  prev();
  ReadCurrent(names);

  const std::vector<int32_t> numbers = OddRecordNumbers(count, request);
  std::string list = names.substr(0, names.find('|')) + "|";
  for (const int32_t n : numbers) {
    SetData(n);
    gotorec();
    ReadCurrent(names);
    list += std::to_string(n) + "|";
  }
  SetFile(list.c_str());
  getarrayrecords();
  TakeText();
  ExpectCursorInRange();

  SetFile(request.c_str());
  getcurn();
  TakeText();
  SetFile(request.c_str());
  getarrayrecords();
  TakeText();
  ExpectCursorInRange();
  return seen;
}

}  // namespace quillon::fuzz
