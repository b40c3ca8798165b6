#include <filesystem>

#include "engine/cursor.h"
#include "engine/engine_test_support.h"
#include "engine/fields.h"
#include "engine/table.h"

namespace quillon::engine {
namespace {

using testing::EngineTest;
using testing::TableBytes;

using OpenCloseTest = EngineTest;

TEST_F(OpenCloseTest, OpensTheStructureAndTheFirstRecord) {
  TableBytes bytes = People();
  bytes.fields[0].name = "name";  // stored lower-case, held upper-case
  DbfTable& t = Open(bytes);
  ASSERT_TRUE(t.isOpen);
  EXPECT_EQ(t.fieldCount, 2);
  EXPECT_EQ(t.currentRecord, 1u);
  EXPECT_EQ(t.fields[1].offset, 2u);
  EXPECT_EQ(t.fields[2].offset, 12u);
  EXPECT_EQ(FieldName(t, 1), "NAME");
  EXPECT_EQ(FieldText(t, 1), "Birch");
  EXPECT_EQ(t.lastErrorCode, 0);
  EXPECT_EQ(t.memoFile, nullptr);
}

TEST_F(OpenCloseTest, AnEmptyTableOpensWithABlankBufferAndNoCurrentRecord) {
  TableBytes bytes = People();
  bytes.records.clear();
  bytes.afterRecords = "\x1A";
  DbfTable& t = Open(bytes);
  ASSERT_TRUE(t.isOpen);
  EXPECT_EQ(t.currentRecord, 0u);
  EXPECT_EQ(std::string(t.recordBuffer.begin(), t.recordBuffer.begin() + 14), std::string(14, ' '));
  EXPECT_EQ(t.lastErrorText, "Read record out of range. Rec # 1");
}

TEST_F(OpenCloseTest, RecordsStartAtTheStoredHeaderLength) {
  TableBytes bytes = People();
  bytes.afterTerminator = std::string(263, '\0');  // room some writers leave
  DbfTable& t = Open(bytes);
  EXPECT_EQ(FieldText(t, 1), "Birch");
  GoLast(t);
  EXPECT_EQ(FieldText(t, 2), "100");
}

TEST_F(OpenCloseTest, MissingFileAndFolderAreNotOpened) {
  DbfTable& t = OpenPath(dir_.File("none.dbf"));
  EXPECT_FALSE(t.isOpen);
  EXPECT_EQ(t.lastErrorCode, 2);
  EXPECT_EQ(t.lastErrorText, "DBF File Not Exist " + dir_.File("none.dbf"));
  DbfTable& folder = OpenPath(dir_.path());
  EXPECT_FALSE(folder.isOpen);
  EXPECT_EQ(folder.lastErrorCode, 2);
}

TEST_F(OpenCloseTest, OpeningAnOpenTableChangesNothing) {
  DbfTable& t = Open(People());
  GoNext(t);
  SetActive(t, true);
  EXPECT_EQ(t.currentRecord, 2u);
  EXPECT_EQ(t.lastErrorCode, 0);
}

// Files the engine cannot hold safely: each is left closed with error 3, and
// nothing the caller does afterwards may write into it.
TEST_F(OpenCloseTest, DamagedStructuresAreRefusedAndNeverWritten) {
  TableBytes too_many;
  for (int i = 0; i < 129; ++i) too_many.fields.push_back({"F" + std::to_string(i), 'C', 1});
  TableBytes huge_record = People();
  huge_record.recordLength = 4801;
  TableBytes empty_record = People();
  empty_record.recordLength = 0;
  TableBytes overlapping = People();
  overlapping.headerLength = 64;  // record 1 would overwrite the descriptors
  std::string no_terminator = People().Build().substr(0, 90);
  std::string short_header = People().Build().substr(0, 20);

  const std::vector<std::string> damaged = {too_many.Build(),     huge_record.Build(),
                                            empty_record.Build(), overlapping.Build(),
                                            no_terminator,        short_header};
  for (const std::string& original : damaged) {
    path_ = dir_.Write("t.dbf", original);
    DbfTable& t = OpenPath(path_);
    EXPECT_FALSE(t.isOpen);
    EXPECT_EQ(t.lastErrorText, "DBF header error # 32");
    EXPECT_EQ(t.fieldCount, 0);
    EXPECT_EQ(t.header.recordCount, 0u);
    GoFirst(t);
    PutFieldByNumber(t, 1, "x");
    t.recordModified = true;
    WriteRecord(t);
    SetActive(t, false);
    EXPECT_EQ(FileBytes(), original);
  }
}

TEST_F(OpenCloseTest, ExactlyOneHundredTwentyEightFieldsAreHeld) {
  TableBytes bytes;
  for (int i = 0; i < 128; ++i) bytes.fields.push_back({"F" + std::to_string(i), 'C', 1});
  bytes.records = {std::string(128, 'z')};
  DbfTable& t = Open(bytes);
  ASSERT_TRUE(t.isOpen);
  EXPECT_EQ(t.fieldCount, 128);
  EXPECT_EQ(FieldName(t, 128), "F127");
  EXPECT_EQ(FieldText(t, 128), "z");
}

TEST_F(OpenCloseTest, ATableHeldByAnotherOpenerIsNotOpened) {
  path_ = dir_.Write("t.dbf", People().Build());
  auto holder = platform::Native().Open(path_, platform::OpenMode::kReadWriteShareRead);
  ASSERT_NE(holder, nullptr);
  DbfTable& t = OpenPath(path_);
  EXPECT_FALSE(t.isOpen);
  EXPECT_EQ(t.lastErrorText, "DBF header error # 32");
}

TEST_F(OpenCloseTest, ClosingAfterAWriteStampsTheHeaderAndKeepsReservedBytes) {
  TableBytes bytes = People();
  std::string original = bytes.Build();
  original[20] = 'R';  // a reserved byte another program left
  path_ = dir_.Write("t.dbf", original);
  platform_.today = platform::LocalDate{2026, 3, 7};
  DbfTable& t = OpenPath(path_);
  PutFieldByNumber(t, 1, "Oak");
  SetActive(t, false);
  EXPECT_FALSE(t.isOpen);
  std::string expected = original;
  expected.replace(1, 3, "\x1A\x03\x07");
  expected.replace(98, 10, "Oak       ");  // record 1 starts at 97, after its flag
  EXPECT_EQ(FileBytes(), expected);
  // Closing leaves the last structure and record readable.
  EXPECT_EQ(FieldText(t, 1), "Oak");
}

TEST_F(OpenCloseTest, ClosingATableThatWasOnlyReadWritesNothing) {
  DbfTable& t = Open(People());
  GoNext(t);
  GoLast(t);
  GoToRecord(t, 9);
  SetActive(t, false);
  EXPECT_EQ(FileBytes(), People().Build());
  EXPECT_TRUE(platform_.writes.empty());
}

TEST_F(OpenCloseTest, TheMemoFileOpensOnlyWhenItExistsAndIsNotTheTable) {
  TableBytes bytes = People();
  bytes.version = 0x83;
  Open(bytes, dir_.File("t.dbt"));
  EXPECT_EQ(table_->memoFile, nullptr);
  dir_.Write("t.dbt", std::string("\x01\0\0\0", 4));
  SetActive(*table_, false);
  SetActive(*table_, true);
  EXPECT_NE(table_->memoFile, nullptr);
  DbfTable& self = OpenPath(dir_.Write("u.xyz", bytes.Build()), dir_.File("u.xyz"));
  EXPECT_TRUE(self.isOpen);
  EXPECT_EQ(self.memoFile, nullptr);
}

TEST_F(OpenCloseTest, TakeLastErrorHandsTheTextOutOnce) {
  DbfTable& t = Open(People());
  EXPECT_EQ(TakeLastError(t), "");
  RecordError(t, EngineError::kFileNotExist, "x.dbf");
  EXPECT_EQ(t.lastErrorCode, 2);
  EXPECT_EQ(TakeLastError(t), "DBF File Not Exist x.dbf");
  EXPECT_EQ(t.lastErrorCode, 0);
  EXPECT_EQ(TakeLastError(t), "");
}

// A journal as earlier releases write it, built here byte by byte with its
// own sum (FNV-1a over 8-byte words from the journal's start, folded to 32
// bits): journals left on a disk by a crash must be put back by every later
// release.
std::string EarlierReleaseJournal(uint64_t oldLength, uint64_t at, const std::string& saved) {
  std::string journal = "QUNDO";
  journal += std::string("\0\0\x04", 3);
  const auto u64 = [&](uint64_t v) {
    for (int i = 0; i < 8; ++i) journal += static_cast<char>(v >> (8 * i));
  };
  u64(oldLength);
  u64(1);
  u64(at);
  u64(saved.size());
  journal += saved;
  uint64_t sum = 14695981039346656037ull;
  size_t i = 0;
  for (; i + 8 <= journal.size(); i += 8) {
    uint64_t word = 0;
    for (int b = 0; b < 8; ++b) word |= uint64_t{static_cast<uint8_t>(journal[i + b])} << (8 * b);
    sum = (sum ^ word) * 1099511628211ull;
  }
  for (; i < journal.size(); ++i) sum = (sum ^ static_cast<uint8_t>(journal[i])) * 1099511628211ull;
  const uint32_t folded = static_cast<uint32_t>(sum ^ sum >> 32);
  for (int b = 0; b < 4; ++b) journal += static_cast<char>(folded >> (8 * b));
  return journal;
}

TEST_F(OpenCloseTest, AJournalAnEarlierReleaseLeftIsPutBack) {
  const std::string before = People().Build();
  // A crash in the middle of an append: a record half written after the
  // last one, and the first record's name changed.
  std::string after = before.substr(0, before.size() - 1) + " Rowan      33";
  after.replace(before.find("Birch"), 5, "Larch");
  const uint64_t from = before.find("Birch");
  path_ = dir_.Write("t.dbf", after);
  dir_.Write("t.dbf.undo", EarlierReleaseJournal(before.size(), from, before.substr(from)));
  OpenPath(path_);
  table_.reset();
  EXPECT_EQ(FileBytes(), before);
  EXPECT_FALSE(std::filesystem::exists(path_ + ".undo"));
}

}  // namespace
}  // namespace quillon::engine
