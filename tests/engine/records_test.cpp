#include "engine/records.h"

#include <filesystem>

#include "engine/cursor.h"
#include "engine/engine_test_support.h"
#include "engine/fields.h"
#include "engine/shift_journal.h"
#include "helpers/fast_paths_off.h"

namespace quillon::engine {
namespace {

using testing::FaultPlatform;
using testing::Op;
using testing::OpInfo;
using testing::TableBytes;
using testing::U32At;

class RecordsTest : public testing::EngineTest {
 protected:
  RecordsTest() { platform_.today = platform::LocalDate{2026, 3, 7}; }

  // One C field of width 4; a blank flag means live.
  static TableBytes Rows(std::vector<std::string> names, std::string flags = "") {
    TableBytes t;
    t.fields = {{"NAME", 'C', 4}};
    t.records = std::move(names);
    t.flags.assign(flags.begin(), flags.end());
    return t;
  }

  static TableBytes Packed(std::vector<std::string> names) {
    TableBytes t = Rows(std::move(names));
    t.year = 26, t.month = 3, t.day = 7;
    return t;
  }

  // Fails the operation at that file position; only the first time when
  // `once` is set.
  std::function<bool(const OpInfo&)> FailAt(Op op, uint64_t position, bool once = false) {
    auto failed = std::make_shared<bool>(false);
    return [this, op, position, once, failed](const OpInfo& info) {
      if (info.op != op || info.path != path_ || info.position != position) return false;
      if (once && *failed) return false;
      return *failed = true;
    };
  }

  static uint64_t Place(size_t record) { return 65 + (record - 1) * 5; }
};

TEST_F(RecordsTest, AppendingToACreatedTableOverwritesTheEndByteAndCountsAtOnce) {
  TableBytes created = People();
  created.records.clear();
  created.afterRecords = "\x1A";
  DbfTable& t = Open(created);
  AppendBlank(t);
  std::string bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 111u);
  EXPECT_EQ(U32At(bytes, 4), 1u);
  EXPECT_EQ(bytes.substr(1, 3), "\x18\x01\x1F");  // the date waits for the close
  EXPECT_EQ(bytes.substr(97), std::string(14, ' '));
  EXPECT_EQ(t.currentRecord, 1u);
  EXPECT_TRUE(t.headerModified);
  EXPECT_FALSE(t.bufferIsStandIn);

  PutFieldByNumber(t, 1, "Oak");
  SetActive(t, false);
  bytes = FileBytes();
  EXPECT_EQ(bytes.substr(1, 3), "\x1A\x03\x07");
  EXPECT_EQ(bytes.substr(98, 3), "Oak");
}

TEST_F(RecordsTest, BinaryMemoPointersOfANewRecordSayNoMemo) {
  for (uint8_t version : {uint8_t{0x30}, uint8_t{0x83}}) {
    TableBytes t;
    t.version = version;
    t.fields = {{"NAME", 'C', 2}, {"NOTE", 'M', 4}, {"PIC", 'G', 4}};
    DbfTable& table = Open(t);
    AppendBlank(table);
    const std::string zeros(4, '\0');
    EXPECT_EQ(FileBytes().substr(t.HeaderLength() + 3),
              version == 0x30 ? zeros + zeros : std::string(8, ' '));
  }
}

TEST_F(RecordsTest, AFilledAppendIsKeptWholeOrTakenBackWhole) {
  for (bool writable : {true, false}) {
    SCOPED_TRACE(writable);
    DbfTable& t = Open(People());
    const std::string before = FileBytes();
    ASSERT_TRUE(BeginAppend(t));
    EXPECT_TRUE(std::filesystem::exists(path_ + ".undo"));
    PutFieldByNumber(t, 1, "Elm");
    if (!writable) platform_.fail = FailAt(Op::kWrite, 97 + 3 * 14);
    EXPECT_EQ(EndAppend(t), writable);
    platform_.fail = nullptr;
    EXPECT_EQ(EndChange(t), writable);
    EXPECT_FALSE(std::filesystem::exists(path_ + ".undo"));
    EXPECT_EQ(t.header.recordCount, writable ? 4u : 3u);
    if (writable) {
      EXPECT_EQ(FileBytes().substr(before.size(), 4), " Elm");
    } else {
      EXPECT_EQ(FileBytes(), before);
      EXPECT_EQ(t.lastErrorText, "Append blank record error. Rec # 4");
    }
  }
}

TEST_F(RecordsTest, AppendingWritesAPendingChangeFirst) {
  DbfTable& t = Open(People());
  PutFieldByNumber(t, 1, "Oak");
  AppendBlank(t);
  EXPECT_EQ(FileBytes().substr(98, 4), "Oak ");
  EXPECT_EQ(U32At(FileBytes(), 4), 4u);
}

TEST_F(RecordsTest, AnAppendThatCannotCompleteIsTakenBack) {
  const std::string original = People().Build();
  struct Case {
    const char* what;
    std::function<bool(const OpInfo&)> fail;
    size_t partial;
  } cases[] = {
      {"full disk", FailAt(Op::kWrite, original.size()), 6},
      {"header write", FailAt(Op::kWrite, 0), 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    DbfTable& t = Open(People());
    platform_.fail = c.fail;
    platform_.partialWrite = c.partial;
    AppendBlank(t);
    platform_.fail = nullptr;
    EXPECT_EQ(t.lastErrorText, "Append blank record error. Rec # 4");
    EXPECT_EQ(t.header.recordCount, 3u);
    EXPECT_EQ(t.currentRecord, 4u);
    PutFieldByNumber(t, 1, "Ghost");
    GoToRecord(t, 3);  // nothing may land on record 3 or after it
    EXPECT_EQ(FieldText(t, 1), "Aspen");
    SetActive(t, false);
    EXPECT_EQ(FileBytes(), original);
  }
}

TEST_F(RecordsTest, AppendingToAFullCountChangesNothing) {
  DbfTable& t = Open(People());
  // No file holds this many records; the count can only be met in memory.
  t.header.recordCount = 0xFFFFFFFF;
  platform_.writes.clear();
  AppendBlank(t);
  EXPECT_EQ(t.lastErrorText, "Append blank record error. Rec # 4294967296");
  EXPECT_EQ(t.header.recordCount, 0xFFFFFFFFu);
  EXPECT_TRUE(platform_.writes.empty());
}

TEST_F(RecordsTest, MarkingReachesTheFileAtThePost) {
  DbfTable& t = Open(People());
  GoToRecord(t, 2);
  MarkDeleted(t, true);
  EXPECT_TRUE(platform_.writes.empty());
  GoToRecord(t, 3);
  MarkDeleted(t, true);
  MarkDeleted(t, false);
  GoToRecord(t, 1);
  EXPECT_FALSE(t.recordModified);
  SetActive(t, false);
  const std::string bytes = FileBytes();
  EXPECT_EQ(U32At(bytes, 4), 3u);
  EXPECT_EQ(std::string({bytes[97], bytes[111], bytes[125]}), " * ");
}

TEST_F(RecordsTest, PackingRemovesExactlyTheFlaggedRecordsAndCutsTheFile) {
  const std::vector<std::string> names = {"rec1", "rec2", "rec3", "rec4", "rec5"};
  for (std::string flags : {"*    ", "  *  ", "    *", " * * ", "*****", "     ", "X*X  "}) {
    SCOPED_TRACE(flags);
    DbfTable& t = Open(Rows(names, flags));
    platform_.writes.clear();
    Pack(t);
    EXPECT_TRUE(EndChange(t));
    std::vector<std::string> kept;
    std::vector<char> keptFlags;
    for (size_t i = 0; i < names.size(); ++i) {
      if (flags[i] == '*') continue;
      kept.push_back(names[i]);
      keptFlags.push_back(flags[i]);
    }
    TableBytes expected = Packed(kept);
    expected.flags = keptFlags;
    EXPECT_EQ(FileBytes(), expected.Build());
    const bool dropped = kept.size() < names.size();
    EXPECT_EQ(t.headerModified, dropped);
    EXPECT_EQ(t.header.recordCount, kept.size());
    EXPECT_EQ(t.currentRecord, 0u);
    EXPECT_EQ(FieldText(t, 1), names.back());  // the buffer holds the last record read
    EXPECT_TRUE(t.bufferIsStandIn);
    // Records before the first flagged one are never rewritten.
    const size_t first = flags.find('*');
    for (const OpInfo& w : platform_.writes) {
      if (w.path == path_ && w.position != 0) {
        EXPECT_GE(w.position, Place(first + 1));
      }
    }
  }
}

TEST_F(RecordsTest, APackThatCannotCompleteIsUndoneWhole) {
  const testing::FastPathsOff exactReads;  // the failing read is the one for that record
  const std::vector<std::string> names = {"rec1", "rec2", "rec3", "rec4", "rec5"};
  struct Case {
    const char* what;
    std::function<bool(const OpInfo&)> fail;
    const char* error;
    size_t segmentBytes;  // 5: every record is a segment of its own
  };
  const size_t whole = ShiftSegmentBytes();
  const Case cases[] = {
      {"record 4 cannot be read", FailAt(Op::kRead, Place(4)), "Write record buffer error. Rec # 3",
       5},
      {"the moved records cannot be written", FailAt(Op::kWrite, Place(2), true),
       "Write record buffer error. Rec # 5", whole},
      {"record 4 cannot be moved after record 3 was", FailAt(Op::kWrite, Place(3), true),
       "Write record buffer error. Rec # 4", 5},
      {"the header cannot be written", FailAt(Op::kWrite, 0, true),
       "Write record buffer error. Rec # 5", whole},
      {"the file cannot be cut", FailAt(Op::kSetEnd, Place(5), true),
       "Write record buffer error. Rec # 5", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ShiftSegmentBytes() = c.segmentBytes;
    DbfTable& t = Open(Rows(names, " *   "));
    platform_.fail = c.fail;
    Pack(t);
    EXPECT_FALSE(EndChange(t));
    platform_.fail = nullptr;
    EXPECT_EQ(t.lastErrorText, c.error);
    EXPECT_EQ(t.header.recordCount, 5u);
    EXPECT_EQ(t.currentRecord, 0u);
    EXPECT_FALSE(t.readOnly);
    EXPECT_EQ(FileBytes(), Rows(names, " *   ").Build());
    EXPECT_FALSE(std::filesystem::exists(path_ + ".undo"));

    Pack(t);
    EXPECT_EQ(FileBytes(), Packed({"rec1", "rec3", "rec4", "rec5"}).Build());
  }
  ShiftSegmentBytes() = whole;
}

// Half of 30,000 records flagged, in segments of 20,000: the first
// segment's removed records go to the journal in several writes, and when
// the second segment cannot be written, the undo puts every one of them back.
TEST_F(RecordsTest, ManyRemovedRecordsAreAllPutBackWhenAPackFails) {
  const size_t whole = ShiftSegmentBytes();
  ShiftSegmentBytes() = 20000 * 5;
  std::vector<std::string> names;
  std::string flags;
  std::vector<std::string> kept;
  for (int i = 0; i < 30000; ++i) {
    names.push_back(std::to_string(1000 + i % 9000));
    flags += i % 2 == 1 ? '*' : ' ';
    if (i % 2 == 0) kept.push_back(names.back());
  }
  const std::string before = Rows(names, flags).Build();
  DbfTable& t = Open(Rows(names, flags));
  platform_.fail = FailAt(Op::kWrite, Place(2 + 10000), true);
  Pack(t);
  EXPECT_FALSE(EndChange(t));
  platform_.fail = nullptr;
  EXPECT_EQ(t.lastErrorText,
            "Write record buffer error. Rec # 30000");  // both segments
  EXPECT_EQ(FileBytes(), before);
  EXPECT_FALSE(std::filesystem::exists(path_ + ".undo"));
  Pack(t);
  EXPECT_EQ(FileBytes(), Packed(kept).Build());
  ShiftSegmentBytes() = whole;
}

TEST_F(RecordsTest, APackThatCannotBeUndoneIsUndoneAtTheNextOpen) {
  const std::vector<std::string> names = {"rec1", "rec2", "rec3", "rec4", "rec5"};
  DbfTable& t = Open(Rows(names, " *   "));
  // The disk goes away right after the first record moved: nothing more
  // reaches it, not even the undo.
  bool gone = false;
  platform_.fail = [&](const OpInfo& info) {
    if (gone) return true;
    gone = info.op == Op::kWrite && info.path == path_ && info.position == Place(2);
    return false;
  };
  Pack(t);
  EXPECT_FALSE(EndChange(t));
  platform_.fail = nullptr;
  EXPECT_TRUE(t.readOnly);
  EXPECT_NE(FileBytes(), Rows(names, " *   ").Build());
  SetActive(t, false);
  EXPECT_EQ(FileBytes().substr(65, 10),
            " rec1 rec3");  // rec3 moved down: twice in the file

  DbfTable& again = OpenPath(path_);
  EXPECT_EQ(FileBytes(), Rows(names, " *   ").Build());
  EXPECT_FALSE(std::filesystem::exists(path_ + ".undo"));
  EXPECT_EQ(again.header.recordCount, 5u);
  EXPECT_FALSE(again.readOnly);
}

TEST_F(RecordsTest, WithoutARoomForTheJournalNothingMoves) {
  DbfTable& t = Open(Rows({"rec1", "rec2", "rec3"}, " * "));
  platform_.fail = [&](const OpInfo& info) {
    return info.op == Op::kOpen && info.path == path_ + ".undo";
  };
  Pack(t);
  EXPECT_EQ(t.lastErrorText, "Write record buffer error. Rec # 1");
  EXPECT_EQ(FileBytes(), Rows({"rec1", "rec2", "rec3"}, " * ").Build());
}

TEST_F(RecordsTest, ARecordTheFileEndsInsideIsKeptWholeAndMissingOnesGo) {
  TableBytes cut = Rows({"rec1", "rec2", "rec3"}, " * ");
  cut.recordCount = 5;  // records 4 and 5 are not in the file at all
  std::string bytes = cut.Build();
  path_ = dir_.Write("t.dbf", bytes.substr(0, bytes.size() - 2));
  DbfTable& t = OpenPath(path_);
  Pack(t);
  EXPECT_EQ(t.lastErrorCode, 0);
  EXPECT_EQ(FileBytes(), Packed({"rec1", "re"}).Build());
}

TEST_F(RecordsTest, PackWritesAPendingChangeFirstAndLeavesAClosedTableAlone) {
  DbfTable& t = Open(Rows({"rec1", "rec2"}, "* "));
  GoToRecord(t, 2);
  PutFieldByNumber(t, 1, "new2");
  Pack(t);
  EXPECT_EQ(FileBytes(), Packed({"new2"}).Build());

  SetActive(t, false);
  platform_.writes.clear();
  platform_.fail = [](const OpInfo&) { return true; };
  Pack(t);
  EXPECT_TRUE(platform_.writes.empty());
  EXPECT_EQ(t.lastErrorCode, 0);
}

}  // namespace
}  // namespace quillon::engine
