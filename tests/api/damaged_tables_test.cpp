// Tables as other programs, damaged copies and shared folders leave them:
// headers that claim more records than the file holds, field widths that do
// not add up to the record length, files another program is reading.
// Whatever the file holds stays readable, and no export writes anything
// that could land in the wrong place.
#include <functional>

#include "helpers/host_session.h"
#include "helpers/memo_bytes.h"
#include "helpers/other_reader.h"
#include "helpers/table_bytes.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

class DamagedTablesTest : public HostSession {
 protected:
  // NAME C8, QTY N4: records r1 to r7 and an end-of-file byte after them.
  static TableBytes Seven() {
    TableBytes t;
    t.fields = {{"NAME", 'C', 8}, {"QTY", 'N', 4}};
    for (int i = 1; i <= 7; ++i) {
      t.records.push_back("r" + std::to_string(i) + "         " + std::to_string(i));
    }
    t.afterRecords = "\x1A";
    return t;
  }

  // Every write export, each given something to change.
  void TryEveryWrite() {
    CallWithData(gotorec, 2);
    CallWithText(editrec, "NAME=changed");
    CallWithText(addrec, "NAME=added");
    CallWithData(gotorec, 3);
    delrec();
    CallWithText(importasmaster, dir_.Write("in.txt", "imported"));
  }
};

TEST_F(DamagedTablesTest, AHeaderThatClaimsMoreRecordsThanTheFileHoldsGetsWhatIsThere) {
  for (uint32_t claimed : {2147483647u, 4294967295u}) {
    SCOPED_TRACE(claimed);
    TableBytes t = Seven();
    t.recordCount = claimed;
    const std::string before = t.Build();
    // A table of its own each time: the one loaded before stays held.
    const std::string path = dir_.Write("t" + std::to_string(claimed) + ".dbf", before);
    Load(path);
    EXPECT_EQ(CallWithData(countrec, -1), 7);
    EXPECT_EQ(CallWithText(getdataotdo, "NAME|6|max"), "r6|r7|#");
    EXPECT_EQ(CallWithText(finddata, "NAME=r"), "1|2|3|4|5|6|7|");
    // The new record follows the last one at once, over the end-of-file
    // byte, and the header tells the truth from then on.
    CallWithText(addrec, "NAME=r8");
    const std::string after = ReadWholeFile(path);
    EXPECT_EQ(after.size(), before.size() - 1 + 13);
    EXPECT_EQ(U32At(after, 4), 8u);
    EXPECT_EQ(CallWithData(countrec, -1), 8);
  }
}

TEST_F(DamagedTablesTest, RangesFarBeyondTheTableCostNothingAndHugeAnswersAreRefused) {
  Load(dir_.Write("t.dbf", Seven().Build()));
  // About two thousand million empty values would be over the answer's limit.
  EXPECT_EQ(CallWithText(getdataotdo, "QTY|1|2147483647#"), "QTY|1|2147483647#");
  // Far ends answer at once and leave the cursor and the error as a walk
  // over every number would.
  const std::string below = CallWithText(getdataotdo, "NAME|-2000000|1");
  EXPECT_EQ(below, std::string(2000001, '|') + "r1|#");
  EXPECT_EQ(CurrentRecord(), 1);
  EXPECT_EQ(CallWithText(getdataotdo, "NAME|-5|0"), "||||||#");
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(Resident().lastErrorText, "Read record out of range. Rec # -1");
  EXPECT_EQ(CallWithText(getdataotdo, "NAME|7|3000000").size(), 3000000u - 7 + 4);
  EXPECT_EQ(CurrentRecord(), 7);
  EXPECT_EQ(Resident().lastErrorText, "Read record out of range. Rec # 3000000");
}

TEST_F(DamagedTablesTest, FieldsThatDoNotAddUpAreReadAsFarAsTheyGoAndNeverWritten) {
  struct Case {
    const char* what;
    uint16_t recordLength;
    const char* values;
  };
  const Case cases[] = {
      // QTY runs past the record's end: only its first two bytes are there.
      {"fields past the record's end", 11, "r1||"},
      // Room a writer keeps for wide fields elsewhere: the fields read whole.
      {"more room than the fields take", 40, "r1|1|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TableBytes t = Seven();
    t.recordLength = c.recordLength;
    const std::string path = dir_.Write("t" + std::to_string(c.recordLength) + ".dbf", t.Build());
    Load(path);
    EXPECT_EQ(CallWithText(getcurrecall, ""), c.values);
    const std::string before = ReadWholeFile(path);
    TryEveryWrite();
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_EQ(CallWithData(countrec, -1), 7);
  }
}

TEST_F(DamagedTablesTest, ATableAnotherProgramIsReadingOpensForReadingOnly) {
  const std::string path = dir_.Write("t.dbf", Seven().Build());
  OtherReader reader(path);
  ASSERT_TRUE(reader.holds());
  Load(path);
  EXPECT_TRUE(Resident().isOpen);
  EXPECT_TRUE(Resident().readOnly);
  EXPECT_EQ(CallWithText(getdataotdo, "NAME|1|2"), "r1|r2|#");
  TryEveryWrite();
  EXPECT_EQ(ReadWholeFile(path), Seven().Build());
  EXPECT_EQ(Resident().lastErrorText, "Append blank record error. Rec # 8");
}

// Only the memo file is held: its texts are refused before anything is
// written, and the rest of the edit is made.
TEST_F(DamagedTablesTest, AMemoFileAnotherProgramIsReadingRefusesOnlyTheTexts) {
  TableBytes t;
  t.version = 0x83;
  t.fields = {{"NAME", 'C', 8}, {"NOTE", 'M', 10}};
  t.records = {"r1      " + MemoPointer(1)};
  const std::string memo = FixedMemoFile({"one"});
  const std::string path = dir_.Write("t.dbf", t.Build());
  dir_.Write("t.dbt", memo);
  OtherReader reader(dir_.File("t.dbt"));
  ASSERT_TRUE(reader.holds());
  Load(path);
  CallWithData(gotorec, 1);
  CallWithText(editrec, "NAME=changed|NOTE=new text");
  EXPECT_EQ(CallWithText(getdataotdo, "NAME|1|1#NOTE|1|1"), "changed|#one|#");
  EXPECT_EQ(ReadWholeFile(dir_.File("t.dbt")), memo);
}

}  // namespace
}  // namespace quillon::testing
