// Sessions that load tables and move the cursor: missing tables and the
// message about them, memo names in both cases and in Windows-1251 folders,
// a table another program reads, the cursor's rules, and a library loaded
// again after a session.
#include "helpers/expected_messages.h"
#include "helpers/other_reader.h"
#include "helpers/table_bytes.h"
#include "plugin/plugin_test_support.h"

namespace quillon::testing {
namespace {

class LoadSessionsTest : public PluginSession {
 protected:
  void SetUp() override {
    PluginSession::SetUp();
    three_ = dir_.Write("three.dbf", ThreeRecords());
  }
  std::string three_;
};

TEST_F(LoadSessionsTest, AMissingTableIsReportedAndTheTableBeforeStaysOpen) {
  const std::string missing = dir_.File("absent.dbf");
  const std::string folder = dir_.Folder("folder.dbf");
  const std::string cyrillic_missing = dir_.File(kCyrillicFolder + "/absent.dbf");
  for (const std::string& path : {missing, std::string(), folder, cyrillic_missing}) {
    EXPECT_EQ(dll().Load(path), path);
    ExpectMessages({TableMissing(path)});
  }

  dll().Load(three_);
  dll().GoTo(2);
  EXPECT_EQ(dll().Load(missing), missing);
  ExpectMessages({TableMissing(missing)});
  EXPECT_EQ(dll().CurrentRecord(), 2);
  EXPECT_EQ(dll().RecordCount(), 3);
}

TEST_F(LoadSessionsTest, LoaddbAnswersTheMemoNameInTheTablesCase) {
  EXPECT_EQ(dll().Load(three_), dir_.File("three.dbt"));
  EXPECT_EQ(dll().RecordCount(), 3);
  EXPECT_EQ(dll().CurrentRecord(), 1);

  const std::string upper = dir_.Write("UPPER.DBF", ThreeRecords());
  EXPECT_EQ(dll().Load(upper), dir_.File("UPPER.DBT"));
  EXPECT_EQ(dll().RecordCount(), 3);

  dir_.Folder(kCyrillicFolder);
  const std::string cyrillic = dir_.Write(kCyrillicFolder + "/t.dbf", ThreeRecords());
  EXPECT_EQ(dll().Load(cyrillic), dir_.File(kCyrillicFolder + "/t.dbt"));
  EXPECT_EQ(dll().RecordCount(), 3);
  EXPECT_EQ(dll().CurrentRecord(), 1);
}

// A table that cannot be opened for writing opens for reading; every write
// export then leaves the file byte for byte as it was.
TEST_F(LoadSessionsTest, ATableAnotherProgramReadsIsNeverWritten) {
  const std::string table = dir_.Write("ro.dbf", ThreeRecords());
  OtherReader reader(table);
  ASSERT_TRUE(reader.holds());
  dll().Load(table);
  EXPECT_EQ(dll().RecordCount(), 3);
  EXPECT_EQ(dll().Ask("getdataotdo", "NAME|1|max"), "North|South|East|#");
  dll().GoTo(2);
  dll().Ask("editrec", "NAME=changed");
  dll().Ask("addrec", "NAME=added");
  dll().GoTo(1);
  dll().Call("delrec");
  EXPECT_EQ(ReadWholeFile(table), ThreeRecords());
  EXPECT_EQ(dll().Ask("getdataotdo", "NAME|1|max"), "North|South|East|#");
}

TEST_F(LoadSessionsTest, TheCursorStopsAtBothEndsAndRecordZeroIsNoRecord) {
  dll().Load(three_);
  // Each move, then the record the cursor is on.
  const struct {
    const char* move;
    int32_t to;  // for gotorec
    int32_t on;
  } moves[] = {
      {"next1", 0, 2},   {"next1", 0, 3},    {"next1", 0, 3},   {"last", 0, 3},    {"prev", 0, 2},
      {"prev", 0, 1},    {"prev", 0, 1},     {"gotorec", 2, 2}, {"gotorec", 0, 0}, {"next1", 0, 1},
      {"gotorec", 7, 3}, {"gotorec", -1, 3}, {"first", 0, 1},
  };
  for (const auto& m : moves) {
    SCOPED_TRACE(std::string(m.move) + " " + std::to_string(m.to));
    if (std::string(m.move) == "gotorec") {
      dll().GoTo(m.to);
      EXPECT_EQ(dll().GetData(), m.to);
    } else {
      dll().Call(m.move);
    }
    EXPECT_EQ(dll().CurrentRecord(), m.on);
  }
  EXPECT_EQ(dll().RecordCount(), 3);
  EXPECT_EQ(dll().GetFile(), dir_.File("three.dbt"));

  TableBytes empty;
  empty.fields = {{"NAME", 'C', 10}};
  dll().Load(dir_.Write("empty.dbf", empty.Build()));
  EXPECT_EQ(dll().RecordCount(), 0);
  EXPECT_EQ(dll().CurrentRecord(), 0);
  for (const char* move : {"first", "last", "next1", "prev"}) {
    dll().Call(move);
    EXPECT_EQ(dll().CurrentRecord(), 0) << move;
  }
}

// Moving the cursor never writes: the file is the same byte for byte during
// the session and after the library has been unloaded.
TEST_F(LoadSessionsTest, ASessionThatOnlyMovesTheCursorWritesNothing) {
  const std::string table = dir_.CopyFixture("db3_plain.dbf", "plain.dbf");
  const std::string before = ReadWholeFile(table);
  EXPECT_EQ(dll().Load(table), dir_.File("plain.dbt"));
  EXPECT_EQ(dll().RecordCount(), 7);
  int moves = 0;
  for (int32_t at = dll().CurrentRecord(); moves < 10; ++moves) {
    dll().Call("next1");
    const int32_t now = dll().CurrentRecord();
    if (now == at) break;
    at = now;
  }
  EXPECT_EQ(moves, 6);
  dll().GoTo(4);  // marked deleted, still counted and reachable
  EXPECT_EQ(dll().CurrentRecord(), 4);
  dll().Call("last");
  dll().Call("prev");
  dll().Call("first");
  EXPECT_EQ(ReadWholeFile(table), before);
  Reload();
  EXPECT_EQ(ReadWholeFile(table), before);
}

TEST_F(LoadSessionsTest, LoadedAgainTheLibraryStartsWithEmptySlotsAndNoTable) {
  dll().Load(three_);
  dll().GoTo(2);
  dll().SetData(3);
  Reload();
  EXPECT_EQ(dll().GetFile(), "");
  EXPECT_EQ(dll().GetData(), 0);
  EXPECT_EQ(dll().CurrentRecord(), 0);
}

}  // namespace
}  // namespace quillon::testing
