// Edit sessions: editrec, addrec and delrec with their assignment lists and
// memo values, each ending on no record after the table was packed; what
// they wrote is checked in the files' bytes and by loading the table again.
#include <string>
#include <vector>

#include "check.h"
#include "expected_messages.h"
#include "plugin.h"
#include "table_builder.h"
#include "table_sessions.h"

namespace host_test {

namespace {

// "Анна", "Борис", "Вера", "Глеб", "Дина", "Бор", "Жанна"
const std::string kAnna = "\xC0\xED\xED\xE0";
const std::string kBoris = "\xC1\xEE\xF0\xE8\xF1";
const std::string kVera = "\xC2\xE5\xF0\xE0";
const std::string kGleb = "\xC3\xEB\xE5\xE1";
const std::string kDina = "\xC4\xE8\xED\xE0";
const std::string kBor = "\xC1\xEE\xF0";
const std::string kZhanna = "\xC6\xE0\xED\xED\xE0";

const std::vector<FieldSpec> kPeople = {{"NAME", 'C', 10}, {"AGE", 'N', 3}, {"NOTE", 'M', 10}};
constexpr size_t kHeaderLength = 32 + 3 * 32 + 1;
constexpr size_t kRecordLength = 1 + 10 + 3 + 10;

// A live record of the people table as the file holds it.
std::string Person(const std::string& name, const std::string& age, const std::string& note) {
  return BytesAt(BuildTable(kPeople, {{name, age, note}}), kHeaderLength, kRecordLength);
}

std::string RecordAt(const std::string& table, uint32_t record) {
  return BytesAt(table, kHeaderLength + (record - 1) * kRecordLength, kRecordLength);
}

void EditPeople(Scratch& scratch) {
  Section("edit exports on a table with a memo file");
  const std::string table = scratch.Path("people.dbf");
  const std::string memo = scratch.Path("people.dbt");
  CHECK(scratch.Write("people.dbf", BuildTable(kPeople,
                                               {{kAnna, " 10", MemoPointer(1)},
                                                {kBoris, " 20"},
                                                {kVera, " 30"},
                                                {kGleb, " 40"},
                                                {kDina, " 50"}},
                                               0x83)));
  CHECK(scratch.Write("people.dbt", BuildMemoFile({"old note"})));
  {
    Session session;
    const Plugin& dll = *session;
    CHECK_EQ(dll.Load(table), memo);

    // Assignments apply in order to the record current at the call; names
    // in a spelling or of a field the table lacks change nothing. A memo
    // value is stored as given, blanks and all, in a new block.
    dll.GoTo(2);
    CHECK_EQ(dll.Ask(dll.editrec, "name=" + kBor + "|AGE=7|NOTE= first\r\nsecond |Name=x|nosuch=1"),
             "");
    CHECK_EQ(dll.CurrentRecord(), 0);
    CHECK_EQ(dll.RecordCount(), 5);
    CHECK_EQ(RecordAt(ReadBytes(table), 2), Person(kBor, "  7", MemoPointer(2)));
    std::string memo_bytes = ReadBytes(memo);
    CHECK_EQ(static_cast<int64_t>(memo_bytes.size()), 3 * 512);
    CHECK_EQ(LittleEndianAt(memo_bytes, 0, 4), 3);
    CHECK_EQ(BytesAt(memo_bytes, 1024, 17), " first\r\nsecond \x1A\x1A");
    dll.GoTo(2);
    CHECK_EQ(dll.Text(dll.getcurrecall), kBor + "|7|first\r\nsecond|");

    // addrec trims names and values, the memo value included.
    CHECK_EQ(dll.Ask(dll.addrec, " name = " + kZhanna + " |AGE= 8 |NOTE=  new note \r\n"), "");
    CHECK_EQ(dll.CurrentRecord(), 0);
    CHECK_EQ(dll.RecordCount(), 6);
    std::string table_bytes = ReadBytes(table);
    CHECK_EQ(LittleEndianAt(table_bytes, 4, 4), 6);
    CHECK_EQ(RecordAt(table_bytes, 6), Person(kZhanna, "  8", MemoPointer(3)));
    CHECK_EQ(BytesAt(ReadBytes(memo), 1536, 10), "new note\x1A\x1A");

    // delrec removes the record at once; those behind it move down. It
    // leaves the text slot alone, and on no record it deletes nothing.
    dll.SetFile("kept");
    dll.GoTo(3);
    dll.delrec();
    CHECK_EQ(dll.File(), "kept");
    CHECK_EQ(dll.CurrentRecord(), 0);
    CHECK_EQ(dll.RecordCount(), 5);
    dll.delrec();
    CHECK_EQ(dll.RecordCount(), 5);
    table_bytes = ReadBytes(table);
    CHECK_EQ(LittleEndianAt(table_bytes, 4, 4), 5);
    CHECK_EQ(RecordAt(table_bytes, 3), Person(kGleb, " 40", ""));
    dll.GoTo(4);
    dll.delrec();
    CHECK_EQ(dll.RecordCount(), 4);

    // On no record an edit changes nothing either.
    CHECK_EQ(dll.Ask(dll.editrec, "NAME=ghost"), "");
    CHECK_EQ(dll.RecordCount(), 4);
    CHECK_MESSAGES();
  }
  // Everything is on disk once the library is gone.
  Session session;
  const Plugin& dll = *session;
  CHECK_EQ(dll.Load(table), memo);
  CHECK_EQ(dll.Ask(dll.getdataotdo, "NAME|1|max#AGE|1|max#NOTE|1|max"),
           kAnna + "|" + kBor + "|" + kGleb + "|" + kZhanna +
               "|#10|7|40|8|#old note|first\r\nsecond||new note|#");
}

// "Новая заметка"; "Пустые поля|||T|Новая заметка|"
const std::string kNewNote = "\xCD\xEE\xE2\xE0\xFF \xE7\xE0\xEC\xE5\xF2\xEA\xE0";
const std::string kEditedEmptyFields = "\xCF\xF3\xF1\xF2\xFB\xE5 \xEF\xEE\xEB\xFF|||T|" + kNewNote + "|";

void EditForeignTable(Scratch& scratch, const std::string& fixtures) {
  Section("edit exports on a table another program wrote");
  CHECK(scratch.CopyIn(fixtures + "db3_memo.dbf", "edited.dbf"));
  CHECK(scratch.CopyIn(fixtures + "db3_memo.dbt", "edited.dbt"));
  Session session;
  const Plugin& dll = *session;
  dll.Load(scratch.Path("edited.dbf"));
  dll.GoTo(5);
  CHECK_EQ(dll.Ask(dll.editrec, "NOTES=" + kNewNote + "|ACTIVE=T"), "");
  // The record the other program marked deleted went with the first change.
  CHECK_EQ(dll.RecordCount(), 6);
  dll.GoTo(4);
  CHECK_EQ(dll.Text(dll.getcurrecall), kEditedEmptyFields);
  // The memo text of three blocks before it is whole.
  dll.GoTo(3);
  CHECK_EQ(static_cast<int64_t>(dll.Text(dll.getcurrecall).size()), 1179);
  CHECK_MESSAGES();
}

}  // namespace

void EditSessions(Scratch& scratch, const std::string& fixtures) {
  EditPeople(scratch);
  EditForeignTable(scratch, fixtures);
}

}  // namespace host_test
