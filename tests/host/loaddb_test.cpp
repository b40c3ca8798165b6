#include "engine/fields.h"
#include "helpers/expected_messages.h"
#include "helpers/host_session.h"
#include "helpers/table_bytes.h"
#include "host/library.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

class LoaddbTest : public HostSession {
 protected:
  static std::string Table(int records) {
    TableBytes t;
    t.version = 0x83;
    t.fields = {{"NAME", 'C', 8}};
    for (int i = 1; i <= records; ++i) t.records.push_back("rec" + std::to_string(i));
    return t.Build();
  }
};

TEST_F(LoaddbTest, OpensTheTableAndAnswersTheMemoPath) {
  std::string path = dir_.Write("clients.dbf", Table(3));
  dir_.Write("clients.dbt", std::string("\x01\0\0\0", 4));
  EXPECT_EQ(Load(path), dir_.File("clients.dbt"));
  EXPECT_TRUE(Resident().isOpen);
  EXPECT_EQ(Resident().memoFileName, dir_.File("clients.dbt"));
  EXPECT_NE(Resident().memoFile, nullptr);
  EXPECT_EQ(CurrentRecord(), 1);
  EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(LoaddbTest, AMissingMemoFileStillGivesItsPathButIsNotUsed) {
  std::string path = dir_.Write("clients.dbf", Table(1));
  EXPECT_EQ(Load(path), dir_.File("clients.dbt"));
  EXPECT_TRUE(Resident().isOpen);
  EXPECT_EQ(Resident().memoFileName, "");
}

TEST_F(LoaddbTest, UpperCaseNamesFindTheirMemoFileAndFolderNamesDoNot) {
  std::string upper = dir_.Write("CLIENTS.DBF", Table(1));
  dir_.Write("CLIENTS.DBT", "");
  EXPECT_EQ(Load(upper), dir_.File("CLIENTS.DBT"));
  EXPECT_EQ(Resident().memoFileName, dir_.File("CLIENTS.DBT"));
  // A "dbf" in a folder name is left alone: the memo never lands elsewhere.
  dir_.Folder("dbfdata");
  dir_.Folder("dbtdata");
  std::string nested = dir_.Write("dbfdata/t.dbf", Table(1));
  dir_.Write("dbtdata/t.dbf", Table(2));
  EXPECT_EQ(Load(nested), dir_.File("dbfdata/t.dbt"));
  EXPECT_EQ(Resident().memoFileName, "");
  EXPECT_EQ(Resident().memoFile, nullptr);
}

TEST_F(LoaddbTest, AMissingFileIsReportedAndChangesNothing) {
  std::string path = dir_.Write("a.dbf", Table(3));
  Load(path);
  SetData(2);
  gotorec();
  std::string missing = dir_.File("none.dbf");
  EXPECT_EQ(Load(missing), missing);
  ASSERT_EQ(platform_.messages.size(), 1u);
  EXPECT_EQ(platform_.messages[0], TableMissing(missing));
  EXPECT_EQ(Resident().fileName, path);
  EXPECT_TRUE(Resident().isOpen);
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(Load(dir_.path()), dir_.path());  // a folder is no table
  EXPECT_EQ(platform_.messages.back(), TableMissing(dir_.path()));
  EXPECT_EQ(Load(""), "");
  EXPECT_EQ(platform_.messages.back(), TableMissing(""));
}

TEST_F(LoaddbTest, LoadingAnotherTableWritesBackTheFirstAndDropsItsMemo) {
  std::string first_path = dir_.Write("a.dbf", Table(2));
  dir_.Write("a.dbt", std::string("\x01\0\0\0", 4));
  Load(first_path);
  engine::PutFieldByNumber(Resident(), 1, "changed");
  std::string second_path = dir_.Write("b.dbf", Table(0));
  Load(second_path);
  EXPECT_EQ(ReadWholeFile(first_path).substr(66, 7), "changed");  // record 1, after its flag
  EXPECT_EQ(Resident().memoFileName, "");
  EXPECT_EQ(CurrentRecord(), 0);
}

TEST_F(LoaddbTest, ADamagedTableCountsAsLoadedButStaysClosed) {
  std::string path = dir_.Write("bad.dbf", "short");
  Load(path);
  EXPECT_EQ(Resident().fileName, path);
  EXPECT_FALSE(Resident().isOpen);
  EXPECT_TRUE(platform_.messages.empty());
  EXPECT_EQ(CallWithData(countrec, 9), 0);
  first();
  EXPECT_EQ(ReadWholeFile(path), "short");
}

TEST_F(LoaddbTest, ATableHeldElsewhereLeavesNothingOfTheTableBefore) {
  Load(dir_.Write("a.dbf", Table(3)));
  SetData(3);
  gotorec();
  std::string held = dir_.Write("b.dbf", Table(2));
  auto holder = platform::Native().Open(held, platform::OpenMode::kReadWriteShareRead);
  Load(held);
  EXPECT_FALSE(Resident().isOpen);
  EXPECT_EQ(CallWithData(countrec, 9), 0);
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(Resident().fieldCount, 0);
}

TEST_F(LoaddbTest, UnloadWritesNothingToTheTable) {
  std::string path = dir_.Write("a.dbf", Table(2));
  Load(path);
  engine::PutFieldByNumber(Resident(), 1, "unsaved");
  Resident().headerModified = true;
  host::LibraryUnload();
  EXPECT_EQ(ReadWholeFile(path), Table(2));
  host::LibraryLoad();
}

}  // namespace
}  // namespace quillon::testing
