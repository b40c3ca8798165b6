// Fuzz target: the input as the request of every export that parses the
// text slot (getcurn, getarrayrecords, finddata, getdataotdo, editrec,
// addrec, make), against a fixed small table. The table make creates is
// then opened, given the request as a new record, and read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_setup.h"
#include "quillon.h"
#include "read_all.h"
#include "small_table.h"

namespace {

using quillon::fuzz::LoadedLibrary;

void Ask(const std::string& request, void (*tableExport)()) {
  SetData(2);
  gotorec();
  SetFile(request.c_str());
  tableExport();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillon::fuzz;
  static const SmallTable small = BuildSmallTable(MemoLayout::kFixed, true);
  const std::string request(reinterpret_cast<const char*>(data), size);

  EmptyScratch();
  WriteScratchFile("t.dbt", small.memo);
  const std::string table = WriteScratchFile("t.dbf", small.table);
  LoadedLibrary library;
  SetFile(table.c_str());
  loaddb();
  for (void (*tableExport)() : {getcurn, getarrayrecords, finddata, getdataotdo, editrec, addrec}) {
    Ask(request, tableExport);
  }
  ReadEverything(request);

  SetFile(request.c_str());
  InScratchFolder(make);
  const std::string made = ScratchPath("newbase.dbf");
  SetFile(made.c_str());
  loaddb();
  SetFile(request.c_str());
  addrec();
  ReadEverything(request);
  return 0;
}
