// Reads the open table through every read export, the way a host does, and
// checks what every host relies on: the text slot is never a null pointer,
// and the cursor stays within 0 and the record count. Answers what a host
// sees of the table, to compare with what it sees later.
#pragma once

#include <string>

namespace quillon::fuzz {

// Visits at most this many records with first/next1 per call: a header may
// claim billions of records over a file of a few bytes.
inline constexpr int kMaxVisitedRecords = 64;

// Stops the process, which the fuzzer reports, when a promise is broken.
void Expect(bool holds, const char* what);

// `request` also goes as it is to getcurn and getarrayrecords, and its bytes,
// four at a time, give extra record numbers for gotorec. The answer holds
// the record count, the field names as lookups compare them, and the values of
// the records visited.
std::string ReadEverything(const std::string& request);

}  // namespace quillon::fuzz
