#include "engine/cursor.h"
#include "engine/engine_test_support.h"
#include "engine/fields.h"

namespace quillon::engine {
namespace {

using testing::EngineTest;

using CursorTest = EngineTest;

TEST_F(CursorTest, MovingPastTheLastRecordBlanksTheBufferAndStaysOnTheLast) {
  DbfTable& t = Open(People());
  GoLast(t);
  GoNext(t);
  EXPECT_EQ(t.currentRecord, 3u);
  EXPECT_EQ(t.lastErrorText, "Read record out of range. Rec # 4");
  EXPECT_EQ(FieldText(t, 1), "");
  EXPECT_EQ(FieldText(t, 2), "");
}

TEST_F(CursorTest, MovingBackFromZeroAsksForTheLargestNumber) {
  DbfTable& t = Open(People());
  GoPrev(t);
  EXPECT_EQ(t.currentRecord, 0u);
  EXPECT_EQ(t.lastErrorCode, 0);
  GoPrev(t);
  EXPECT_EQ(t.lastErrorText, "Read record out of range. Rec # -1");
  EXPECT_EQ(t.currentRecord, 3u);
}

TEST_F(CursorTest, EmptyTableMoves) {
  testing::TableBytes bytes = People();
  bytes.records.clear();
  DbfTable& t = Open(bytes);
  TakeLastError(t);
  GoLast(t);
  EXPECT_EQ(t.currentRecord, 0u);
  EXPECT_EQ(t.lastErrorCode, 0);
  GoFirst(t);
  EXPECT_EQ(t.currentRecord, 0u);
  EXPECT_EQ(t.lastErrorText, "Read record out of range. Rec # 1");
}

TEST_F(CursorTest, AChangedRecordIsWrittenBeforeTheMoveAndReadBackAfter) {
  DbfTable& t = Open(People());
  PutFieldByNumber(t, 1, "Oak");
  GoNext(t);
  EXPECT_EQ(FieldText(t, 1), "Cedar");
  GoToRecord(t, 1);
  EXPECT_EQ(FieldText(t, 1), "Oak");
  EXPECT_EQ(FileBytes().substr(98, 10), "Oak       ");
  // A move to the same record writes first, then re-reads the file.
  PutFieldByNumber(t, 2, "5");
  GoToRecord(t, 1);
  EXPECT_EQ(FieldText(t, 2), "  5");
  EXPECT_FALSE(t.recordModified);
}

// The blank stand-in left by an out-of-range move must never replace the
// record the cursor names.
TEST_F(CursorTest, AWriteAfterAnOutOfRangeMoveNeverOverwritesTheLastRecord) {
  DbfTable& t = Open(People());
  GoToRecord(t, 7);
  PutFieldByNumber(t, 1, "Blank");
  GoFirst(t);
  EXPECT_EQ(t.lastErrorText, "Write record buffer error. Rec # 3");
  GoLast(t);
  EXPECT_EQ(FieldText(t, 1), "Aspen");
  EXPECT_EQ(FieldText(t, 2), "100");
  EXPECT_EQ(FileBytes(), People().Build());
}

TEST_F(CursorTest, DeletedRecordsAreVisitedLikeAnyOther) {
  testing::TableBytes bytes = People();
  bytes.flags = {' ', '*', 'x'};
  DbfTable& t = Open(bytes);
  GoNext(t);
  EXPECT_EQ(t.recordBuffer[0], '*');
  EXPECT_EQ(FieldText(t, 1), "Cedar");
  GoNext(t);
  EXPECT_EQ(t.recordBuffer[0], 'x');
  GoPrev(t);
  EXPECT_EQ(t.currentRecord, 2u);
}

TEST_F(CursorTest, AClosedTableDoesNotMove) {
  DbfTable& t = Open(People());
  SetActive(t, false);
  GoNext(t);
  EXPECT_EQ(t.currentRecord, 1u);
}

}  // namespace
}  // namespace quillon::engine
