#include "engine/memo.h"

#include "engine/cursor.h"
#include "engine/engine_test_support.h"
#include "engine/fields.h"
#include "helpers/fast_paths_off.h"
#include "helpers/memo_bytes.h"

namespace quillon::engine {
namespace {

using testing::BigEndian;
using testing::FaultPlatform;
using testing::FixedMemoFile;
using testing::LittleEndian;
using testing::Op;
using testing::OpInfo;
using testing::ReadWholeFile;
using testing::SizedMemoFile;
using testing::TableBytes;

class MemoTest : public testing::EngineTest {
 protected:
  // A table of NAME (C 10) and NOTE (M), one record per note pointer, with
  // the memo file beside it.
  DbfTable& OpenMemo(uint8_t version, const std::vector<std::string>& notes,
                     const std::string& memo, int width = 10) {
    TableBytes t;
    t.version = version;
    t.fields = {{"NAME", 'C', 10}, {"NOTE", 'M', width}};
    for (const auto& note : notes) t.records.push_back("name      " + note);
    Close();
    memoPath_ = dir_.Write("t.dbt", memo);
    return Open(t, memoPath_);
  }

  std::string MemoBytes() const { return ReadWholeFile(memoPath_); }
  std::string Pointer(DbfTable& t) const {
    std::span<uint8_t> bytes = FieldBytes(t, 2);
    return std::string(bytes.begin(), bytes.end());
  }
  static std::string Text(DbfTable& t, int32_t field = 2) {
    std::string text = "untouched";
    MemoText(t, field, text);
    return text;
  }

  std::string memoPath_;
};

TEST_F(MemoTest, TheFirstMemosOfACreatedMemoFile) {
  DbfTable& t = OpenMemo(0x83, {""}, std::string("\x01\x00\x00\x00", 4));
  SetMemoText(t, 2, "abc");
  std::string memo = MemoBytes();
  ASSERT_EQ(memo.size(), 1024u);
  EXPECT_EQ(memo.substr(0, 4), LittleEndian(2));
  EXPECT_EQ(memo.substr(512, 5), "abc\x1A\x1A");
  EXPECT_EQ(Pointer(t), "         1");
  EXPECT_TRUE(t.recordModified);
  for (const OpInfo& w : platform_.writes) EXPECT_NE(w.path, path_);  // posted later

  SetMemoText(t, 2, "second");
  memo = MemoBytes();
  EXPECT_EQ(memo.size(), 1536u);
  EXPECT_EQ(memo.substr(0, 4), LittleEndian(3));
  EXPECT_EQ(memo.substr(512, 5), "abc\x1A\x1A");  // left behind, unreferenced
  EXPECT_EQ(Pointer(t), "         2");
  EXPECT_EQ(Text(t), "second");
  EXPECT_EQ(t.lastErrorCode, 0);
}

TEST_F(MemoTest, FixedBlockTextsCrossBlocksAndEndAtTheFirstEndByte) {
  DbfTable& t = OpenMemo(0x03, {""}, FixedMemoFile({}));
  const std::string any = std::string("\0\r\n\xE9\xFF|", 6);
  struct Case {
    std::string stored, read;
    uint32_t blocks;
  } cases[] = {
      {"", "", 1},
      {std::string(510, 'x'), std::string(510, 'x'), 1},  // fills its block exactly
      {std::string(511, 'y'), std::string(511, 'y'), 2},
      {std::string(600, 'z'), std::string(600, 'z'), 2},
      {std::string(9000, 'w') + any, std::string(9000, 'w') + any, 18},
      {"ab\x1A"
       "cd",
       "ab", 1},
  };
  uint32_t next = 1;
  for (const auto& c : cases) {
    SetMemoText(t, 2, c.stored);
    EXPECT_EQ(Pointer(t),
              std::string(10 - std::to_string(next).size(), ' ') + std::to_string(next));
    next += c.blocks;
    EXPECT_EQ(MemoBytes().size(), next * 512u);
    EXPECT_EQ(MemoBytes().substr(0, 4), LittleEndian(next));
    EXPECT_EQ(Text(t), c.read);
  }
  EXPECT_EQ(t.lastErrorCode, 0);
}

TEST_F(MemoTest, PointersToNoMemoReadAsEmptyText) {
  DbfTable& fixed =
      OpenMemo(0x83, {"", "0", "        99", "   8388609", "        -1"}, FixedMemoFile({"one"}));
  for (uint32_t r = 1; r <= 5; ++r) {
    GoToRecord(fixed, r);
    EXPECT_EQ(Text(fixed), "") << r;  // 8388609 blocks of 512 wrap to 512 in 32 bits
  }
  EXPECT_EQ(fixed.lastErrorCode, 0);

  DbfTable& sized = OpenMemo(0x30, {"    ", std::string(4, '\0')}, SizedMemoFile(64, {"one"}), 4);
  for (uint32_t r = 1; r <= 2; ++r) {
    GoToRecord(sized, r);
    EXPECT_EQ(Text(sized), "");
  }
  EXPECT_EQ(sized.lastErrorCode, 0);
}

TEST_F(MemoTest, WithoutAMemoFileOrLayoutNothingIsReadOrWritten) {
  for (uint8_t version : {uint8_t{0x83}, uint8_t{0x02}}) {
    DbfTable& t = OpenMemo(version, {"         1"}, FixedMemoFile({"one"}));
    if (version == 0x83) t.memoFile.reset();
    SetMemoText(t, 2, "new");
    // The text is lost, so the caller hears of it.
    EXPECT_EQ(t.lastErrorText, "Write memo data error. Field # 2");
    EXPECT_FALSE(t.recordModified);
    EXPECT_EQ(Pointer(t), "         1");
    EXPECT_EQ(Text(t), "untouched");
    EXPECT_EQ(MemoBytes(), FixedMemoFile({"one"}));
  }
}

TEST_F(MemoTest, ABrokenFixedBlockHeaderNeverCostsAStoredMemo) {
  const std::string stored = FixedMemoFile({"one", "two"});  // memos at blocks 1 and 2
  const std::string headers[] = {LittleEndian(0), LittleEndian(1), LittleEndian(0x7FFFFFFF)};
  for (const std::string& header : headers) {
    DbfTable& t = OpenMemo(0x83, {"         1", "         2"}, header + stored.substr(4));
    GoToRecord(t, 2);
    SetMemoText(t, 2, "three");
    EXPECT_EQ(Pointer(t), "         3");
    EXPECT_EQ(MemoBytes().size(), 2048u);
    EXPECT_EQ(MemoBytes().substr(0, 4), LittleEndian(4));
    GoToRecord(t, 1);
    EXPECT_EQ(Text(t), "one");
  }
  DbfTable& tiny = OpenMemo(0x83, {""}, "\x01");
  SetMemoText(tiny, 2, "abc");
  EXPECT_EQ(Pointer(tiny), "         1");
  EXPECT_EQ(MemoBytes().size(), 1024u);
  EXPECT_EQ(Text(tiny), "abc");
}

TEST_F(MemoTest, SizedBlocksRewriteInPlaceWhenTheTextFitsAndMoveOnWhenNot) {
  for (uint8_t version : {uint8_t{0x30}, uint8_t{0xF5}}) {
    SCOPED_TRACE(int{version});
    const bool binary = version == 0x30;
    auto pointer = [binary](uint32_t block) {
      return binary ? LittleEndian(block) : std::string(9, ' ') + std::to_string(block);
    };
    DbfTable& t = OpenMemo(version, {binary ? "    " : ""}, SizedMemoFile(64, {}), binary ? 4 : 10);
    SetMemoText(t, 2, "hello");
    EXPECT_EQ(Pointer(t), pointer(8));  // the 512-byte header holds blocks 0 to 7
    EXPECT_FALSE(t.recordModified);     // written at once
    EXPECT_EQ(FileBytes().substr(97 + 11, binary ? 4 : 10), pointer(8));
    EXPECT_EQ(MemoBytes(), SizedMemoFile(64, {"hello"}));

    SetMemoText(t, 2, std::string(56, 'f'));  // just fits the one block
    EXPECT_EQ(Pointer(t), pointer(8));
    EXPECT_EQ(MemoBytes(), SizedMemoFile(64, {std::string(56, 'f')}));

    SetMemoText(t, 2, std::string(57, 'g'));
    EXPECT_EQ(Pointer(t), pointer(9));
    EXPECT_EQ(MemoBytes().size(), 11u * 64);
    EXPECT_EQ(MemoBytes().substr(0, 4), BigEndian(11));
    EXPECT_EQ(Text(t), std::string(57, 'g'));
    EXPECT_EQ(t.lastErrorCode, 0);
  }
}

// A length that claims the blocks of the texts after it never lets a new
// text be written over them: it goes after the last block instead. A text
// that fits the first block still goes in place, and an empty text is stored
// like any other, in either layout.
TEST_F(MemoTest, NoTextIsEverWrittenOverAnotherRecordsText) {
  std::string damaged = SizedMemoFile(64, {std::string(9, 'a'), "two", "three"});
  damaged.replace(512 + 4, 4, BigEndian(4000));
  const struct {
    uint8_t version;
    std::string memo;
    std::string text;
    std::string pointer;  // where record 1's text lands
  } cases[] = {
      {0xF5, damaged, std::string(100, 'n'), "        11"},
      {0xF5, damaged, "short", "         8"},
      {0xF5, damaged, "", "         8"},
      {0x83, FixedMemoFile({"one", "two", "three"}), "", "         4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.size());
    const bool sized = c.version == 0xF5;
    DbfTable& t = OpenMemo(c.version,
                           sized ? std::vector<std::string>{"         8", "         9", "        10"}
                                 : std::vector<std::string>{"         1", "         2", "         3"},
                           c.memo);
    GoToRecord(t, 1);
    SetMemoText(t, 2, c.text);
    EXPECT_EQ(Pointer(t), c.pointer);
    EXPECT_EQ(Text(t), c.text);
    EXPECT_EQ(t.lastErrorCode, 0);
    GoToRecord(t, 2);
    EXPECT_EQ(Text(t), "two");
    GoToRecord(t, 3);
    EXPECT_EQ(Text(t), "three");
  }
}

TEST_F(MemoTest, DamagedSizedBlockFilesAreReadOnlyAsFarAsTheyGo) {
  std::string cut = SizedMemoFile(64, {std::string(100, 'x')});
  cut.resize(512 + 8 + 30);  // the text announces 100 bytes, 30 are there
  DbfTable& t = OpenMemo(0xF5, {"         8", "4294967295"}, cut);
  EXPECT_EQ(Text(t), std::string(30, 'x'));
  EXPECT_EQ(t.lastErrorText, "Read memo data error. Field # 2");
  GoToRecord(t, 2);
  TakeLastError(t);
  EXPECT_EQ(Text(t), "");  // far beyond the file, not wrapped into it
  EXPECT_EQ(t.lastErrorCode, 14);

  // The block size is the 16-bit number in bytes 6 and 7: other bytes in 4
  // and 5 neither hide the memos nor let a write jump gigabytes ahead.
  std::string wide = SizedMemoFile(64, {"one"});
  wide[4] = '\x7F';
  wide[5] = '\x01';
  DbfTable& odd = OpenMemo(0xF5, {"         8"}, wide);
  EXPECT_EQ(Text(odd), "one");
  SetMemoText(odd, 2, std::string(100, 'n'));
  EXPECT_EQ(odd.lastErrorCode, 0);
  EXPECT_LE(MemoBytes().size(), wide.size() + 100 + 8 + 2 * 64);
  EXPECT_EQ(Text(odd), std::string(100, 'n'));

  std::string noSize = SizedMemoFile(64, {"one"});
  noSize.replace(4, 4, BigEndian(0x10000));
  DbfTable& zero = OpenMemo(0xF5, {"         8"}, noSize);
  EXPECT_EQ(Text(zero), "");
  EXPECT_EQ(zero.lastErrorCode, 14);
  SetMemoText(zero, 2, "two");
  EXPECT_EQ(zero.lastErrorText, "Write memo data error. Field # 2");
  EXPECT_EQ(MemoBytes(), noSize);
}

TEST_F(MemoTest, AMemoWriteThatFailsPartWayLeavesEveryStoredMemoAsItWas) {
  struct Case {
    uint8_t version;
    std::string memo;
    std::string text;  // long texts go after the last block, short ones in place
    bool headerFails;
  } cases[] = {
      {0x83, FixedMemoFile({"one"}), "new text", false},
      {0x83, FixedMemoFile({"one"}), "new text", true},
      {0xF5, SizedMemoFile(64, {"one"}), "in place", false},
      {0xF5, SizedMemoFile(64, {"one"}), "in place", true},
      {0xF5, SizedMemoFile(64, {"one"}), std::string(300, 'n'), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + (c.headerFails ? " header" : ""));
    const std::string pointer = c.version == 0x83 ? "         1" : "         8";
    DbfTable& t = OpenMemo(c.version, {pointer}, c.memo);
    const std::string table = FileBytes();
    platform_.partialWrite = 3;  // a full disk takes part of the write
    bool failed = false;
    platform_.fail = [&](const OpInfo& op) {
      if (failed || op.op != Op::kWrite || op.path != memoPath_) return false;
      return failed = (op.position == 0) == c.headerFails;
    };
    SetMemoText(t, 2, c.text);
    platform_.fail = nullptr;
    EXPECT_EQ(t.lastErrorText, "Write memo data error. Field # 2");
    EXPECT_FALSE(EndChange(t));
    EXPECT_EQ(MemoBytes(), c.memo);
    EXPECT_EQ(Pointer(t), pointer);
    EXPECT_FALSE(t.recordModified);
    EXPECT_EQ(Text(t), "one");
    SetActive(t, false);
    EXPECT_EQ(FileBytes(), table);
  }
}

TEST_F(MemoTest, ARecordTheBufferOnlyStandsInForGetsNoMemo) {
  const testing::FastPathsOff exactReads;  // the failing read is the one for that record
  DbfTable& t = OpenMemo(0xF5, {"         8", "          "}, SizedMemoFile(64, {"one"}));
  platform_.fail = FaultPlatform::FailNth(Op::kRead, 1);
  GoToRecord(t, 2);  // fails: the buffer still holds record 1 and its pointer
  platform_.fail = nullptr;
  SetMemoText(t, 2, "two");
  EXPECT_EQ(t.lastErrorText, "Write memo data error. Field # 2");
  EXPECT_EQ(MemoBytes(), SizedMemoFile(64, {"one"}));
  GoToRecord(t, 0);
  SetMemoText(t, 2, "two");
  EXPECT_EQ(MemoBytes(), SizedMemoFile(64, {"one"}));
}

TEST_F(MemoTest, PointersThatDoNotFitTheFieldAreNotStored) {
  std::string far = FixedMemoFile({});
  far.resize(100 * 512);  // the next block, 100, needs three digits
  DbfTable& fixed = OpenMemo(0x83, {"  "}, far, 2);
  SetMemoText(fixed, 2, "text");
  EXPECT_EQ(fixed.lastErrorCode, 15);
  EXPECT_EQ(Pointer(fixed), "  ");
  EXPECT_EQ(MemoBytes(), far);

  // Two bytes cannot hold a binary block number, not even the old one.
  const std::string sized = SizedMemoFile(64, {"one"});
  DbfTable& binary = OpenMemo(0x30, {std::string("\x08\x00", 2)}, sized, 2);
  SetMemoText(binary, 2, "two");
  EXPECT_EQ(binary.lastErrorCode, 15);
  EXPECT_EQ(Pointer(binary), std::string("\x08\x00", 2));
  EXPECT_EQ(MemoBytes(), sized);
}

}  // namespace
}  // namespace quillon::engine
