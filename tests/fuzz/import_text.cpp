// Fuzz target: importasmaster on any text file, into a small valid table
// with memo fields, which is then read through every read export. Input: a
// byte picking the memo layout (its value modulo 3) and whether the table
// starts empty (bit 2), then the text file's content.
#include <array>
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "fuzz_setup.h"
#include "quillon.h"
#include "read_all.h"
#include "small_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillon::fuzz;
  constexpr std::array<MemoLayout, 3> kLayouts = {MemoLayout::kFixed, MemoLayout::kSizedText,
                                                  MemoLayout::kSizedBinary};
  InputReader in(data, size);
  const uint8_t options = in.Byte();
  const std::string text = in.Rest();
  const SmallTable small = BuildSmallTable(kLayouts[options % 3], (options & 4) == 0);

  EmptyScratch();
  WriteScratchFile("t.dbt", small.memo);
  const std::string table = WriteScratchFile("t.dbf", small.table);
  const std::string import = WriteScratchFile("import.txt", text);
  LoadedLibrary library;
  SetFile(table.c_str());
  loaddb();
  SetFile(import.c_str());
  importasmaster();
  ReadEverything("");
  return 0;
}
