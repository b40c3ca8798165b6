#include "engine/cursor.h"
#include "helpers/fast_paths_off.h"
#include "engine/engine_test_support.h"
#include "engine/fields.h"
#include "engine/table.h"

namespace quillon::engine {
namespace {

using testing::EngineTest;
using testing::FaultPlatform;
using testing::Op;
using testing::OpInfo;

using RecordIoTest = EngineTest;

TEST_F(RecordIoTest, WritingOutsideTheTableIsRefusedAndGivenUp) {
  DbfTable& t = Open(People());
  GoToRecord(t, 0);
  PutFieldByNumber(t, 1, "Ghost");
  WriteRecord(t);
  EXPECT_EQ(t.lastErrorText, "Write record out of range. Rec # 0");
  EXPECT_FALSE(t.recordModified);
  EXPECT_FALSE(t.headerModified);
  EXPECT_EQ(FileBytes(), People().Build());
}

TEST_F(RecordIoTest, AFailingRecordWriteLeavesTheFileAsItWas) {
  DbfTable& t = Open(People());
  platform_.fail = FaultPlatform::FailWritesTo(path_);
  PutFieldByNumber(t, 1, "Oak");
  GoNext(t);
  EXPECT_EQ(t.lastErrorText, "Write record buffer error. Rec # 1");
  EXPECT_FALSE(t.headerModified);
  EXPECT_EQ(t.currentRecord, 2u);
  EXPECT_EQ(FieldText(t, 1), "Cedar");
  platform_.fail = nullptr;
  SetActive(t, false);  // the given-up change is not retried, the header not touched
  EXPECT_EQ(FileBytes(), People().Build());
}

TEST_F(RecordIoTest, AFailingPositioningCountsAsAFailedWrite) {
  DbfTable& t = Open(People());
  platform_.fail = [this](const OpInfo& op) { return op.op == Op::kSeek && op.path == path_; };
  PutFieldByNumber(t, 1, "Oak");
  WriteRecord(t);
  EXPECT_EQ(t.lastErrorCode, 19);
  platform_.fail = nullptr;
  EXPECT_EQ(FileBytes(), People().Build());
}

// The close's writes are one change: the record posted with them is taken
// back with the header that could not be written.
TEST_F(RecordIoTest, AFailingHeaderWriteAtCloseTakesBackTheChangeItEnds) {
  DbfTable& t = Open(People());
  PutFieldByNumber(t, 1, "Oak");
  PostRecord(t);
  platform_.fail = [this](const OpInfo& op) {
    return op.op == Op::kWrite && op.path == path_ && op.position == 0;
  };
  SetActive(t, false);
  EXPECT_FALSE(t.isOpen);
  std::string bytes = FileBytes();
  EXPECT_EQ(bytes, People().Build());
}

TEST_F(RecordIoTest, AShortFileReadsTheMissingBytesAsBlanks) {
  std::string bytes = People().Build();
  path_ = dir_.Write("t.dbf", bytes.substr(0, bytes.size() - 9));  // record 3 cut inside
  DbfTable& t = OpenPath(path_);
  GoToRecord(t, 3);
  EXPECT_EQ(t.lastErrorCode, 0);
  EXPECT_EQ(FieldText(t, 1), "Aspe");  // not "Cedar"'s leftovers
  EXPECT_EQ(FieldText(t, 2), "");
}

TEST_F(RecordIoTest, AFailedReadIsNeverWrittenBackOverTheRecord) {
  const testing::FastPathsOff exactReads;  // the failing read is the one for that record
  DbfTable& t = Open(People());
  platform_.fail = FaultPlatform::FailNth(Op::kRead, 1);
  GoToRecord(t, 2);
  EXPECT_EQ(t.lastErrorText, "Read record buffer error. Rec # 2");
  platform_.fail = nullptr;
  PutFieldByNumber(t, 2, "99");
  GoToRecord(t, 3);
  EXPECT_EQ(t.lastErrorCode, 19);
  EXPECT_EQ(FileBytes(), People().Build());
}

TEST_F(RecordIoTest, StampDateStoresTheYearModuloOneHundred) {
  DbfTable& t = Open(People());
  platform_.today = platform::LocalDate{2000, 12, 31};
  StampDate(t);
  EXPECT_EQ(t.header.lastUpdate, (std::array<uint8_t, 3>{0, 12, 31}));
  platform_.today = platform::LocalDate{1999, 1, 2};
  StampDate(t);
  EXPECT_EQ(t.header.lastUpdate, (std::array<uint8_t, 3>{99, 1, 2}));
}

TEST_F(RecordIoTest, PostingAnUnmodifiedBufferWritesNothing) {
  DbfTable& t = Open(People());
  PostRecord(t);
  GoNext(t);
  EXPECT_TRUE(platform_.writes.empty());
}

TEST_F(RecordIoTest, RecordOffsetsDoNotWrapAtFourGigabytes) {
  DbfTable& t = Open(People());
  t.header.headerLength = 97;
  t.header.recordLength = 4800;
  EXPECT_EQ(RecordOffset(t, 1000000), 97u + uint64_t{999999} * 4800u);
}

}  // namespace
}  // namespace quillon::engine
