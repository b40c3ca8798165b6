// Fuzz target: any table file with any memo file (either memo layout),
// opened with loaddb and read through every read export. Input: the table
// files (table_files.h), then the read request (read_all.h).
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "fuzz_setup.h"
#include "quillon.h"
#include "read_all.h"
#include "table_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillon::fuzz;
  InputReader in(data, size);
  const TableFiles files = ReadTableFiles(in);
  const std::string request = in.Rest();

  EmptyScratch();
  const std::string table = WriteTableFiles(files);
  LoadedLibrary library;
  SetFile(table.c_str());
  loaddb();
  ReadEverything(request);
  return 0;
}
