#include "small_table.h"

#include <vector>

#include "helpers/memo_bytes.h"
#include "helpers/table_bytes.h"

namespace quillon::fuzz {

namespace {

using testing::FieldSpec;

constexpr uint32_t kSizedBlock = 64;
constexpr uint32_t kSizedHeader = 512;
constexpr uint32_t kFixedBlock = 512;

struct Row {
  char flag;
  std::string key, note, more, price, born, ok;
};

// Windows-1251 for "Вера" and "заметка".
const std::vector<Row> kRows = {
    {' ', "Anna", "first note\r\nline two", "more about Anna", "   12.50", "19840229", "T"},
    {'*', "Boris", "gone", "", "    0.00", "20000101", "F"},
    {' ', "\xC2\xE5\xF0\xE0", "\xE7\xE0\xEC\xE5\xF2\xEA\xE0", std::string(700, 'x'), "-1234.56",
     "        ", "?"},
};

// Where each text lands in the memo file the helpers build: texts follow one
// another, each starting on a block of its own.
std::vector<uint32_t> BlocksOf(const std::vector<std::string>& texts, MemoLayout layout) {
  std::vector<uint32_t> blocks;
  const bool fixed = layout == MemoLayout::kFixed;
  const uint32_t size = fixed ? kFixedBlock : kSizedBlock;
  uint32_t next = fixed ? 1 : kSizedHeader / kSizedBlock;
  for (const std::string& text : texts) {
    blocks.push_back(next);
    const uint32_t used = static_cast<uint32_t>(text.size()) + (fixed ? 2 : 8);
    next += (used + size - 1) / size;
  }
  return blocks;
}

std::string Pointer(uint32_t block, MemoLayout layout) {
  return layout == MemoLayout::kSizedBinary ? testing::LittleEndian(block)
                                            : testing::MemoPointer(static_cast<int>(block));
}

}  // namespace

SmallTable BuildSmallTable(MemoLayout layout, bool withRecords) {
  const int memoWidth = layout == MemoLayout::kSizedBinary ? 4 : 10;
  testing::TableBytes table;
  table.version = layout == MemoLayout::kFixed ? 0x83 : layout == MemoLayout::kSizedText ? 0xF5 : 0x30;
  table.fields = {FieldSpec{"KEY", 'C', 20, 0},       FieldSpec{"NOTE", 'M', memoWidth, 0},
                  FieldSpec{"MORE", 'M', memoWidth, 0}, FieldSpec{"PRICE", 'N', 8, 2},
                  FieldSpec{"BORN", 'D', 8, 0},        FieldSpec{"OK", 'L', 1, 0}};
  table.afterRecords = "\x1A";

  std::vector<std::string> texts;
  if (withRecords) {
    for (const Row& row : kRows) {
      texts.push_back(row.note);
      texts.push_back(row.more);
    }
  }
  const std::vector<uint32_t> blocks = BlocksOf(texts, layout);
  for (size_t i = 0; withRecords && i < kRows.size(); ++i) {
    const Row& row = kRows[i];
    std::string key = row.key;
    key.resize(20, ' ');
    table.records.push_back(key + Pointer(blocks[2 * i], layout) + Pointer(blocks[2 * i + 1], layout) +
                            row.price + row.born + row.ok);
    table.flags.push_back(row.flag);
  }
  SmallTable out;
  out.table = table.Build();
  out.memo = layout == MemoLayout::kFixed ? testing::FixedMemoFile(texts)
                                          : testing::SizedMemoFile(kSizedBlock, texts);
  return out;
}

}  // namespace quillon::fuzz
