#include "engine/fields.h"
#include "helpers/host_session.h"
#include "helpers/table_bytes.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

class CursorExportsTest : public HostSession {
 protected:
  void LoadRecords(int count) {
    TableBytes t;
    t.fields = {{"NAME", 'C', 8}};
    for (int i = 1; i <= count; ++i) t.records.push_back("rec" + std::to_string(i));
    Load(dir_.Write("t.dbf", t.Build()));
  }
  std::string Name() { return engine::FieldText(Resident(), 1); }
};

TEST_F(CursorExportsTest, NextAndPrevStopAtTheEnds) {
  LoadRecords(3);
  EXPECT_EQ(CurrentRecord(), 1);
  next1();
  next1();
  EXPECT_EQ(CurrentRecord(), 3);
  next1();
  EXPECT_EQ(CurrentRecord(), 3);
  EXPECT_EQ(Name(), "rec3");
  EXPECT_EQ(Resident().lastErrorCode, 0);
  last();
  prev();
  EXPECT_EQ(CurrentRecord(), 2);
  prev();
  prev();
  EXPECT_EQ(CurrentRecord(), 1);
  EXPECT_EQ(Name(), "rec1");
  first();
  EXPECT_EQ(CallWithData(countrec, 0), 3);
}

TEST_F(CursorExportsTest, GotorecPassesTheNumberUnchanged) {
  LoadRecords(3);
  EXPECT_EQ(CallWithData(gotorec, 2), 2);  // DataSlot keeps the argument
  EXPECT_EQ(CurrentRecord(), 2);
  CallWithData(gotorec, 0);
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(Name(), "");
  EXPECT_EQ(Resident().lastErrorCode, 0);
  next1();
  EXPECT_EQ(CurrentRecord(), 1);
  CallWithData(gotorec, 7);
  EXPECT_EQ(CurrentRecord(), 3);
  EXPECT_EQ(Name(), "");
  EXPECT_EQ(Resident().lastErrorText, "Read record out of range. Rec # 7");
  CallWithData(gotorec, -1);
  EXPECT_EQ(Resident().lastErrorText, "Read record out of range. Rec # -1");
  EXPECT_EQ(CurrentRecord(), 3);
}

TEST_F(CursorExportsTest, AnEmptyTable) {
  LoadRecords(0);
  EXPECT_EQ(CurrentRecord(), 0);
  first();
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(Resident().lastErrorText, "Read record out of range. Rec # 1");
  engine::TakeLastError(Resident());
  last();
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(Resident().lastErrorCode, 0);
  next1();
  prev();
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(CallWithData(countrec, 5), 0);
}

TEST_F(CursorExportsTest, NothingHappensBeforeATableIsLoaded) {
  SetFile("kept");
  for (auto exported : {first, last, next1, prev, gotorec, curnum, countrec}) {
    SetData(5);
    exported();
    EXPECT_EQ(GetData(), 5);
    EXPECT_STREQ(GetFile(), "kept");
  }
}

}  // namespace
}  // namespace quillon::testing
