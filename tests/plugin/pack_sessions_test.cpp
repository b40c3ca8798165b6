// Pack sessions: memopak rebuilds the table and its memo file through the
// library's temporary folder, keeps the old files as backups beside them and
// opens the table again; with no table loaded it reports the copy that could
// not be made.
#include <string>

#include "helpers/expected_messages.h"
#include "helpers/memo_bytes.h"
#include "helpers/system_files.h"
#include "helpers/table_bytes.h"
#include "plugin/plugin_test_support.h"

namespace quillon::testing {
namespace {

// NAME C8, NOTE M10, version 0x83.
TableBytes Notes() {
  TableBytes t;
  t.version = 0x83;
  t.fields = {{"NAME", 'C', 8}, {"NOTE", 'M', 10}};
  t.afterRecords = "\x1A";
  return t;
}

// One record with one memo text, as `table` and the memo file beside it.
void WriteOneNote(const ScratchDir& dir, const std::string& table, const std::string& memo,
                  const std::string& text) {
  TableBytes t = Notes();
  t.AddValues({"one", MemoPointer(1)});
  dir.Write(table, t.Build());
  dir.Write(memo, FixedMemoFile({text}));
}

using PackSessionsTest = PluginSession;

TEST_F(PackSessionsTest, MemopakRebuildsWithBackupsAndOpensTheTableAgain) {
  // A memo no record refers to, a memo with blanks around it, a record
  // marked deleted and one without a memo.
  TableBytes old = Notes();
  old.AddValues({"  lead", MemoPointer(2)});
  old.AddValues({"gone", MemoPointer(3)});
  old.AddValues({"none"});
  old.flags = {' ', '*', ' '};
  const std::string old_table = old.Build();
  const std::string old_memo = FixedMemoFile({"unreferenced", " abc ", "second\r\n"});
  const std::string table = dir_.Write("Notes.dbf", old_table);
  const std::string memo = dir_.Write("Notes.dbt", old_memo);

  EXPECT_EQ(dll().Load(table), memo);
  dll().GoTo(3);
  dll().SetFile("kept");
  dll().SetData(3);
  dll().Call("memopak");
  ExpectMessages({kTablePacked});
  EXPECT_EQ(dll().GetFile(), "kept");
  EXPECT_EQ(dll().GetData(), 3);

  // The backups hold the old bytes; the temporary files are gone.
  EXPECT_EQ(dir_.Read("Notes.baz"), old_table);
  EXPECT_EQ(dir_.Read("Notes.mem"), old_memo);
  EXPECT_FALSE(IsFile(temp_.folder() + "temp.dbf"));
  EXPECT_FALSE(IsFile(temp_.folder() + "temp.dbt"));

  // Open again on the rebuilt files: values trimmed, every record live, the
  // memo file holding only what the records refer to, in record order (an
  // absent memo becomes an empty one).
  EXPECT_EQ(dll().CurrentRecord(), 1);
  EXPECT_EQ(dll().RecordCount(), 3);
  EXPECT_EQ(dll().Ask("getdataotdo", "NAME|1|max#NOTE|1|max"), "lead|gone|none|#abc|second||#");
  const std::string rebuilt = ReadWholeFile(table);
  TableBytes want = Notes();
  want.AddValues({"lead", MemoPointer(1)});
  want.AddValues({"gone", MemoPointer(2)});
  want.AddValues({"none", MemoPointer(3)});
  EXPECT_EQ(rebuilt.substr(0, 1), "\x83");
  EXPECT_EQ(rebuilt.substr(want.HeaderLength(), 3 * want.RecordLength()),
            want.Build().substr(want.HeaderLength(), 3 * want.RecordLength()));
  EXPECT_EQ(ReadWholeFile(memo), FixedMemoFile({"abc", "second", ""}));
}

// Upper-case names find their memo file, so the rebuild keeps every memo
// text; and the backups lie beside the table even when a folder name holds
// "dbf".
TEST_F(PackSessionsTest, MemopakKeepsTheMemoTextsWhereverTheTableIs) {
  dir_.Folder("dbfiles");
  const struct {
    const char* table;
    const char* memo;
    const char* text;
    const char* read;  // getcurrecall after the rebuild
    const char* backups[2];
  } cases[] = {
      {"CLIENTS.DBF", "CLIENTS.DBT", "kept text", "one|kept text|", {"CLIENTS.BAZ", "CLIENTS.MEM"}},
      {"dbfiles/t.dbf", "dbfiles/t.dbt", " text ", "one|text|", {"dbfiles/t.baz", "dbfiles/t.mem"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    WriteOneNote(dir_, c.table, c.memo, c.text);
    EXPECT_EQ(dll().Load(dir_.File(c.table)), dir_.File(c.memo));
    dll().Call("memopak");
    ExpectMessages({kTablePacked});
    for (const char* backup : c.backups) EXPECT_TRUE(dir_.Exists(backup)) << backup;
    EXPECT_EQ(dll().Text("getcurrecall"), c.read);
  }
}

TEST_F(PackSessionsTest, MemopakBeforeAnyTableIsLoadedRebuildsNothing) {
  dll().Call("memopak");
  // Nothing was rebuilt, so nothing is backed up or replaced.
  ExpectMessages({ReplaceFailed(temp_.folder() + "temp.dbf", ""), kTablePacked});
  EXPECT_FALSE(IsFile(temp_.folder() + "temp.dbf"));
  // Still no table: the cursor exports leave the slots alone.
  dll().SetData(5);
  EXPECT_EQ(dll().CurrentRecord(), 5);
}

}  // namespace
}  // namespace quillon::testing
