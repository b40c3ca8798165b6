#include "engine/cursor.h"
#include "engine/fields.h"
#include "engine/memo.h"
#include "helpers/host_session.h"
#include "helpers/memo_bytes.h"
#include "helpers/table_bytes.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

// NAME C10, AGE N3, NOTE M.
class EditExportsTest : public HostSession {
 protected:
  void LoadPeople(const std::vector<std::string>& names, std::vector<char> flags = {}) {
    TableBytes t;
    t.version = 0x83;
    t.fields = {{"NAME", 'C', 10}, {"AGE", 'N', 3}, {"NOTE", 'M', 10}};
    for (size_t i = 0; i < names.size(); ++i) {
      std::string name = names[i];
      name.resize(10, ' ');
      t.records.push_back(name + AgeOf(i + 1) + std::string(10, ' '));
    }
    t.flags = std::move(flags);
    path_ = dir_.Write("t.dbf", t.Build());
    dir_.Write("t.dbt", FixedMemoFile({}));
    Load(path_);
  }

  static std::string AgeOf(size_t record) {
    std::string age = std::to_string(record * 10);
    return std::string(3 - age.size(), ' ') + age;
  }

  // The values of one record, read through the engine after moving there.
  std::string Row(uint32_t record) {
    engine::GoToRecord(Resident(), record);
    std::string note;
    engine::MemoText(Resident(), 3, note);
    return engine::FieldText(Resident(), 1) + "|" + engine::FieldText(Resident(), 2) + "|" + note;
  }

  int32_t Count() { return CallWithData(countrec, -1); }

  void GoTo(int32_t record) { CallWithData(gotorec, record); }

  std::string path_;
};

TEST_F(EditExportsTest, EditrecAppliesEachAssignmentInOrder) {
  LoadPeople({"Ann", "Bob", "Cy"});
  GoTo(2);
  EXPECT_EQ(CallWithText(editrec, "NAME=first|| AGE = 5 |bogus|=7|NOTE= x=y |name=Bo|Name=no"), "");
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(Row(2), "Bo| 5| x=y ");
  EXPECT_EQ(Row(1), "Ann| 10|");
  EXPECT_EQ(Row(3), "Cy| 30|");
  EXPECT_EQ(Count(), 3);
}

TEST_F(EditExportsTest, EditrecCutsLongValuesButNotMemos) {
  LoadPeople({"Ann"});
  GoTo(1);
  const std::string long_note(3000, 'm');
  CallWithText(editrec, "NAME=" + std::string(300, 'n') + "|NOTE=" + long_note + "|AGE=");
  EXPECT_EQ(Row(1), std::string(10, 'n') + "||" + long_note);
}

TEST_F(EditExportsTest, EditrecWithNothingToAssignStillMovesOnAndPacks) {
  LoadPeople({"Ann", "Bob"}, {' ', '*'});
  GoTo(1);
  EXPECT_EQ(CallWithText(editrec, ""), "");
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(Count(), 1);  // the record another program marked is gone
  // At record 0 an edit changes nothing.
  CallWithText(editrec, "NAME=ghost");
  EXPECT_EQ(Row(1), "Ann| 10|");
}

TEST_F(EditExportsTest, AddrecAppendsATrimmedRecord) {
  LoadPeople({"Ann"});
  EXPECT_EQ(CallWithText(addrec, " name = Zoe |AGE=7|NOTE=  a note \r\n|nope=1"), "");
  EXPECT_EQ(CurrentRecord(), 0);
  // The pack read every record last: the buffer shows the new one.
  EXPECT_EQ(CallWithText(getcurrecall, ""), "Zoe|7|a note|");
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(Row(2), "Zoe|  7|a note");
  // Moving on from the new last record leaves its error pending.
  EXPECT_EQ(Resident().lastErrorText, "Read record out of range. Rec # 3");
  CallWithText(addrec, "");
  EXPECT_EQ(Count(), 3);
  EXPECT_EQ(Row(3), "||");
}

TEST_F(EditExportsTest, DelrecRemovesTheCurrentRecordAndRenumbers) {
  LoadPeople({"r1", "r2", "r3", "r4", "r5"});
  GoTo(3);
  delrec();
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(Count(), 4);
  // Right after another edit the cursor is on no record: nothing is deleted.
  delrec();
  EXPECT_EQ(Count(), 4);
  EXPECT_EQ(Row(3), "r4| 40|");
  EXPECT_EQ(Row(4), "r5| 50|");
  GoTo(4);
  delrec();
  EXPECT_EQ(Count(), 3);
  EXPECT_EQ(Row(3), "r4| 40|");
}

TEST_F(EditExportsTest, DelrecAfterAMoveOutOfRangeDeletesNothing) {
  LoadPeople({"r1", "r2"});
  GoTo(9);  // the cursor names record 2 but holds a blank stand-in
  delrec();
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(Row(2), "r2| 20|");
}

TEST_F(EditExportsTest, AFailingRecordWriteDuringEditrecLosesNothing) {
  LoadPeople({"Ann", "Bob"});
  const std::string before = ReadWholeFile(path_);
  GoTo(1);
  platform_.fail = [this](const OpInfo& op) { return op.op == Op::kWrite && op.path == path_; };
  CallWithText(editrec, "NAME=Zed|AGE=1");
  platform_.fail = nullptr;
  EXPECT_EQ(ReadWholeFile(path_), before);
  EXPECT_EQ(Row(1), "Ann| 10|");
  EXPECT_EQ(Row(2), "Bob| 20|");
}

TEST_F(EditExportsTest, AFailingAppendLeavesTheTableAsItWas) {
  LoadPeople({"Ann", "Bob"});
  GoTo(1);
  const std::string request = "NAME=Zed|AGE=1";
  // The header write that makes the new record count fails.
  platform_.fail = [this](const OpInfo& op) {
    return op.op == Op::kWrite && op.path == path_ && op.position == 0;
  };
  EXPECT_EQ(CallWithText(addrec, request), request);
  platform_.fail = nullptr;
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(CurrentRecord(), 1);
  EXPECT_EQ(Row(2), "Bob| 20|");
  EXPECT_EQ(Row(1), "Ann| 10|");
}

TEST_F(EditExportsTest, NothingHappensBeforeATableIsLoaded) {
  for (auto exported : {editrec, addrec, delrec}) {
    SetData(4);
    EXPECT_EQ(CallWithText(exported, "NAME=x"), "NAME=x");
    EXPECT_EQ(GetData(), 4);
  }
}

}  // namespace
}  // namespace quillon::testing
