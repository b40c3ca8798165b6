// Import sessions: importasmaster reads a Windows-1251 text file (records
// separated by "##", pieces by "#") into a table whose fields 2 and 3 are
// memo fields, and says so in a message; a missing file is reported.
#include <string>

#include "helpers/expected_messages.h"
#include "helpers/memo_bytes.h"
#include "helpers/table_bytes.h"
#include "plugin/plugin_test_support.h"

namespace quillon::testing {
namespace {

// "первая", "вторая", "Ключ", and the file name "импорт.txt"
const std::string kFirst = "\xEF\xE5\xF0\xE2\xE0\xFF";
const std::string kSecond = "\xE2\xF2\xEE\xF0\xE0\xFF";
const std::string kKey = "\xCA\xEB\xFE\xF7";
const std::string kImportFile = "\xE8\xEC\xEF\xEE\xF0\xF2.txt";

class ImportSessionsTest : public PluginSession {
 protected:
  void SetUp() override {
    PluginSession::SetUp();
    // Line breaks around the separators trim away; those inside a piece
    // stay; a third piece keeps its "#"; "##" at the very end adds no record.
    text_file_ = dir_.Write(kImportFile, "K1#" + kFirst + "#" + kSecond + "##" + kKey +
                                             "#line 1\r\nline 2#c#d##\r\nAlone##");
  }
  std::string text_file_;
};

TEST_F(ImportSessionsTest, ImportAddsARecordForEachPartAndSaysItIsDone) {
  TableBytes t;
  t.version = 0x83;
  t.fields = {{"KEY", 'C', 8}, {"A", 'M', 10}, {"B", 'M', 10}};
  t.AddValues({"old"});
  t.afterRecords = "\x1A";
  const std::string table = dir_.Write("master.dbf", t.Build());
  dir_.Write("master.dbt", FixedMemoFile({}));
  dll().Load(table);
  dll().SetData(7);
  EXPECT_EQ(dll().Ask("importasmaster", text_file_), text_file_);
  ExpectMessages({kImportDone});
  EXPECT_EQ(dll().GetData(), 7);
  EXPECT_EQ(dll().CurrentRecord(), 0);
  EXPECT_EQ(dll().RecordCount(), 4);
  EXPECT_EQ(U32At(ReadWholeFile(table), 4), 4u);
  EXPECT_EQ(dll().Ask("getdataotdo", "KEY|1|max#A|2|max#B|2|max"),
            "old|K1|" + kKey + "|Alone|#" + kFirst + "|line 1\r\nline 2||#" + kSecond + "|c#d||#");

  // An empty file adds nothing, and the import still ends with its message.
  dll().Ask("importasmaster", dir_.Write("empty.txt", ""));
  ExpectMessages({kImportDone});
  EXPECT_EQ(dll().RecordCount(), 4);

  // A missing file, or a folder, is reported and nothing is added.
  for (const std::string& path : {dir_.File("none.txt"), dir_.Folder("imports")}) {
    EXPECT_EQ(dll().Ask("importasmaster", path), path);
    ExpectMessages({ImportFileMissing(path)});
  }
  EXPECT_EQ(dll().RecordCount(), 4);
}

// An import into another writer's table packs away the record it marked
// deleted first; a rebuild afterwards keeps the imported records last.
TEST_F(ImportSessionsTest, AnImportIntoAnotherWritersTablePacksItFirst) {
  dir_.CopyFixture("db3_memo.dbt", "t.dbt");
  dll().Load(dir_.CopyFixture("db3_memo.dbf", "t.dbf"));
  dll().Ask("importasmaster", dir_.Write("in.txt", "K#first#second##L"));
  ExpectMessages({kImportDone});
  EXPECT_EQ(dll().RecordCount(), 8);
  dll().Call("memopak");
  ExpectMessages({kTablePacked});
  EXPECT_EQ(dir_.Read("t.baz").size(), 193u + 8 * 50);
  EXPECT_EQ(dll().Ask("getdataotdo", "NAME|7|8"), "K|L|#");
}

// Before any table is loaded the import does nothing at all.
TEST_F(ImportSessionsTest, BeforeAnyTableIsLoadedTheImportDoesNothing) {
  EXPECT_EQ(dll().Ask("importasmaster", text_file_), text_file_);
}

}  // namespace
}  // namespace quillon::testing
