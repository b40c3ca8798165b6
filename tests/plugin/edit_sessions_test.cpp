// Edit sessions: editrec, addrec and delrec with their assignment lists and
// memo values, each ending on no record after the table was packed; what
// they wrote is checked in the files' bytes and by loading the table again.
#include <string>
#include <vector>

#include "helpers/memo_bytes.h"
#include "helpers/table_bytes.h"
#include "plugin/plugin_test_support.h"

namespace quillon::testing {
namespace {

// "Анна", "Борис", "Вера", "Глеб", "Дина", "Бор", "Жанна"
const std::string kAnna = "\xC0\xED\xED\xE0";
const std::string kBoris = "\xC1\xEE\xF0\xE8\xF1";
const std::string kVera = "\xC2\xE5\xF0\xE0";
const std::string kGleb = "\xC3\xEB\xE5\xE1";
const std::string kDina = "\xC4\xE8\xED\xE0";
const std::string kBor = "\xC1\xEE\xF0";
const std::string kZhanna = "\xC6\xE0\xED\xED\xE0";

// NAME C10, AGE N3, NOTE M10.
TableBytes People() {
  TableBytes t;
  t.version = 0x83;
  t.fields = {{"NAME", 'C', 10}, {"AGE", 'N', 3}, {"NOTE", 'M', 10}};
  t.afterRecords = "\x1A";
  return t;
}

// A live record of the people table as the file holds it.
std::string Person(const std::string& name, const std::string& age, const std::string& note) {
  TableBytes t = People();
  t.AddValues({name, age, note});
  return " " + t.records[0];
}

std::string RecordAt(const std::string& table, uint32_t record) {
  const TableBytes t = People();
  const size_t at = t.HeaderLength() + (record - 1) * t.RecordLength();
  return at < table.size() ? table.substr(at, t.RecordLength()) : "<beyond the file>";
}

using EditSessionsTest = PluginSession;

TEST_F(EditSessionsTest, EditsAddsAndDeletesReachTheFiles) {
  TableBytes people = People();
  people.AddValues({kAnna, " 10", MemoPointer(1)});
  for (const auto& [name, age] :
       {std::pair{kBoris, " 20"}, {kVera, " 30"}, {kGleb, " 40"}, {kDina, " 50"}}) {
    people.AddValues({name, age});
  }
  const std::string table = dir_.Write("people.dbf", people.Build());
  const std::string memo = dir_.Write("people.dbt", FixedMemoFile({"old note"}));
  EXPECT_EQ(dll().Load(table), memo);

  // Assignments apply in order to the record current at the call; names in
  // a spelling or of a field the table lacks change nothing. A memo value is
  // stored as given, blanks and all, in a new block.
  dll().GoTo(2);
  EXPECT_EQ(dll().Ask("editrec", "name=" + kBor + "|AGE=7|NOTE= first\r\nsecond |Name=x|nosuch=1"),
            "");
  EXPECT_EQ(dll().CurrentRecord(), 0);
  EXPECT_EQ(dll().RecordCount(), 5);
  EXPECT_EQ(RecordAt(ReadWholeFile(table), 2), Person(kBor, "  7", MemoPointer(2)));
  std::string memo_bytes = ReadWholeFile(memo);
  EXPECT_EQ(memo_bytes.size(), 3u * 512);
  EXPECT_EQ(U32At(memo_bytes, 0), 3u);
  EXPECT_EQ(memo_bytes.substr(1024, 17), " first\r\nsecond \x1A\x1A");
  dll().GoTo(2);
  EXPECT_EQ(dll().Text("getcurrecall"), kBor + "|7|first\r\nsecond|");

  // addrec trims names and values, the memo value included.
  EXPECT_EQ(dll().Ask("addrec", " name = " + kZhanna + " |AGE= 8 |NOTE=  new note \r\n"), "");
  EXPECT_EQ(dll().CurrentRecord(), 0);
  EXPECT_EQ(dll().RecordCount(), 6);
  std::string table_bytes = ReadWholeFile(table);
  EXPECT_EQ(U32At(table_bytes, 4), 6u);
  EXPECT_EQ(RecordAt(table_bytes, 6), Person(kZhanna, "  8", MemoPointer(3)));
  EXPECT_EQ(ReadWholeFile(memo).substr(1536, 10), "new note\x1A\x1A");

  // delrec removes the record at once; those behind it move down. It leaves
  // the text slot alone, and on no record it deletes nothing.
  dll().SetFile("kept");
  dll().GoTo(3);
  dll().Call("delrec");
  EXPECT_EQ(dll().GetFile(), "kept");
  EXPECT_EQ(dll().CurrentRecord(), 0);
  EXPECT_EQ(dll().RecordCount(), 5);
  dll().Call("delrec");
  EXPECT_EQ(dll().RecordCount(), 5);
  table_bytes = ReadWholeFile(table);
  EXPECT_EQ(U32At(table_bytes, 4), 5u);
  EXPECT_EQ(RecordAt(table_bytes, 3), Person(kGleb, " 40", ""));
  dll().GoTo(4);
  dll().Call("delrec");
  EXPECT_EQ(dll().RecordCount(), 4);

  // On no record an edit changes nothing either.
  EXPECT_EQ(dll().Ask("editrec", "NAME=ghost"), "");
  EXPECT_EQ(dll().RecordCount(), 4);

  // Everything is on disk once the library is gone.
  Reload();
  EXPECT_EQ(dll().Load(table), memo);
  EXPECT_EQ(dll().Ask("getdataotdo", "NAME|1|max#AGE|1|max#NOTE|1|max"),
            kAnna + "|" + kBor + "|" + kGleb + "|" + kZhanna +
                "|#10|7|40|8|#old note|first\r\nsecond||new note|#");
}

TEST_F(EditSessionsTest, AnEditOfAnotherWritersTablePacksAwayItsDeletedRecord) {
  dir_.CopyFixture("db3_memo.dbt", "edited.dbt");
  dll().Load(dir_.CopyFixture("db3_memo.dbf", "edited.dbf"));
  dll().GoTo(5);
  // "Новая заметка"
  const std::string new_note = "\xCD\xEE\xE2\xE0\xFF \xE7\xE0\xEC\xE5\xF2\xEA\xE0";
  EXPECT_EQ(dll().Ask("editrec", "NOTES=" + new_note + "|ACTIVE=T"), "");
  EXPECT_EQ(dll().RecordCount(), 6);
  dll().GoTo(4);
  // "Пустые поля|||T|Новая заметка|"
  EXPECT_EQ(dll().Text("getcurrecall"),
            "\xCF\xF3\xF1\xF2\xFB\xE5 \xEF\xEE\xEB\xFF|||T|" + new_note + "|");
  // The memo text of three blocks before it is whole.
  dll().GoTo(3);
  EXPECT_EQ(dll().Text("getcurrecall").size(), 1179u);
}

}  // namespace
}  // namespace quillon::testing
