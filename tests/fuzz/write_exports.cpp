// Fuzz target: any table file with any memo file, changed through editrec,
// addrec and delrec, rebuilt with memopak, then opened again and read
// through every read export. memopak replaces the files only with a copy
// that reads back exactly as the table did, so the read exports must show
// the same before and after it. Input: the table files (table_files.h), then
// edit steps separated by NUL bytes: a step's first byte picks the export,
// its second the record the cursor goes to first (a signed byte), and the
// remainder is the request text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "fuzz_setup.h"
#include "quillon.h"
#include "read_all.h"
#include "table_files.h"

namespace {

void RunStep(const std::string& step) {
  const uint8_t choice = step.empty() ? 0 : static_cast<uint8_t>(step[0]);
  const int32_t record = step.size() > 1 ? static_cast<int8_t>(step[1]) : 1;
  const std::string request = step.size() > 2 ? step.substr(2) : std::string();
  SetData(record);
  gotorec();
  SetFile(request.c_str());
  switch (choice % 3) {
    case 0: editrec(); break;
    case 1: addrec(); break;
    default: delrec(); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillon::fuzz;
  InputReader in(data, size);
  const TableFiles files = ReadTableFiles(in);
  const std::string steps = in.Rest();

  EmptyScratch();
  const std::string table = WriteTableFiles(files);
  LoadedLibrary library;
  SetFile(table.c_str());
  loaddb();
  for (const std::string& step : SplitAtNul(steps)) RunStep(step);
  const std::string before = ReadEverything("");
  memopak();
  SetFile(table.c_str());
  loaddb();
  Expect(ReadEverything("") == before, "memopak keeps what the read exports show");
  return 0;
}
