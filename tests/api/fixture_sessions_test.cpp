// Host sessions that edit and search the tables other dBase programs wrote,
// in each memo layout they use.
#include "helpers/host_session.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

class FixtureSessionsTest : public HostSession {
 protected:
  // Copies a fixture table and its memo file (under the .dbt name) and loads it.
  void LoadFixture(const std::string& table, const std::string& memo) {
    const std::string name = table.substr(0, table.size() - 4);
    dir_.CopyFixture(memo, name + ".dbt");
    Load(dir_.CopyFixture(table, name + ".dbf"));
  }
  std::string Record(int32_t record) {
    CallWithData(gotorec, record);
    return CallWithText(getcurrecall, "");
  }
  int32_t Count() { return CallWithData(countrec, 0); }
};

TEST_F(FixtureSessionsTest, FixedBlockTableEditedAndSearched) {
  LoadFixture("db3_memo.dbf", "db3_memo.dbt");
  EXPECT_EQ(CallWithText(finddata, "NAME=\xB8\xEB"), "3|");          // "ёл" in "Ёлка ёжик"
  EXPECT_EQ(CallWithText(finddata, "notes=LATIN memo"), "2|");
  EXPECT_EQ(CallWithText(finddata, "NOTES=\xEA\xEE\xED\xE5\xF6."), "7|");  // "конец."
  EXPECT_EQ(CallWithText(finddata, "ACTIVE=t"), "1|4|7|");        // the deleted record too

  CallWithData(gotorec, 2);
  EXPECT_EQ(CallWithText(editrec, "NOTES=\xED\xEE\xE2\xFB\xE9 | with blank|PRICE=1.25"), "");
  EXPECT_EQ(Count(), 6);  // the record marked deleted is packed away
  EXPECT_EQ(Record(2), "Smith & Co|1.25|19991231|F|\xED\xEE\xE2\xFB\xE9|");
  EXPECT_EQ(CallWithText(getcurn, "NOTES"), "\xED\xEE\xE2\xFB\xE9|");

  CallWithText(addrec, "NAME=\xCD\xEE\xE2\xFB\xE9|NOTES=  \xEF\xE0\xEC\xFF\xF2\xEA\xE0  |ACTIVE=T");
  EXPECT_EQ(Count(), 7);
  EXPECT_EQ(Record(7), "\xCD\xEE\xE2\xFB\xE9|||T|\xEF\xE0\xEC\xFF\xF2\xEA\xE0|");
  CallWithData(gotorec, 1);
  delrec();
  EXPECT_EQ(Record(1), "Smith & Co|1.25|19991231|F|\xED\xEE\xE2\xFB\xE9|");
  EXPECT_EQ(CallWithText(getdataotdo, "NAME|5|max"), "\xCF\xEE\xF1\xEB\xE5\xE4\xED\xFF\xFF|\xCD\xEE\xE2\xFB\xE9|#");
}

TEST_F(FixtureSessionsTest, SizedBlockTablesKeepTheirMemosThroughEdits) {
  for (const char* fixture : {"fox_memo", "vfp_memo"}) {
    SCOPED_TRACE(fixture);
    LoadFixture(std::string(fixture) + ".dbf", std::string(fixture) + ".fpt");
    const std::string short_memo = "\xCA\xEE\xF0\xEE\xF2\xEA\xE0\xFF \xEF\xE0\xEC\xFF\xF2\xEA\xE0 FoxPro.";
    EXPECT_EQ(CallWithText(finddata, "NOTES=foxpro"), "5|");
    // Record 1's long memo is rewritten in place, record 5's grows elsewhere.
    CallWithData(gotorec, 1);
    CallWithText(editrec, "NOTES=short now");
    EXPECT_EQ(Count(), 4);
    CallWithData(gotorec, 4);
    CallWithText(editrec, "NOTES=" + std::string(700, 'g'));
    CallWithText(addrec, "NAME=Added|NOTES=fresh memo");
    EXPECT_EQ(Count(), 5);
    EXPECT_EQ(CallWithText(getdataotdo, "NOTES|1|max"),
              "short now|||" + std::string(700, 'g') + "|fresh memo|#");
    EXPECT_EQ(CallWithText(finddata, "NOTES=" + short_memo), "");
  }
}

}  // namespace
}  // namespace quillon::testing
