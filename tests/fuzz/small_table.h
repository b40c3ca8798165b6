// A small valid table with memo fields, built byte by byte: KEY (C 20),
// NOTE and MORE (memo), PRICE (N 8,2), BORN (D 8), OK (L), and three
// records, the second deleted, with memo texts in both memo fields. The
// first three fields are the ones importasmaster fills.
#pragma once

#include <string>

namespace quillon::fuzz {

enum class MemoLayout {
  kFixed,        // version 0x83: 512-byte blocks, pointers as decimal text
  kSizedText,    // version 0xF5: sized blocks, pointers as decimal text
  kSizedBinary,  // version 0x30: sized blocks, pointers as four binary bytes
};

struct SmallTable {
  std::string table;
  std::string memo;
};

SmallTable BuildSmallTable(MemoLayout layout, bool withRecords);

}  // namespace quillon::fuzz
