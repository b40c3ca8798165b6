// Pack sessions: memopak rebuilds the table and its memo file through the
// Windows temporary folder, keeps the old files as backups beside them and
// opens the table again; with no table loaded it reports every copy that
// could not be made.
#include <string>
#include <vector>

#include "check.h"
#include "expected_messages.h"
#include "plugin.h"
#include "table_builder.h"
#include "table_sessions.h"

namespace host_test {

namespace {

const std::vector<FieldSpec> kNoteFields = {{"NAME", 'C', 8}, {"NOTE", 'M', 10}};
constexpr size_t kHeaderLength = 32 + 2 * 32 + 1;
constexpr size_t kRecordLength = 1 + 8 + 10;

void Pack(Scratch& scratch) {
  Section("memopak");
  // A memo no record refers to, a memo with blanks around it, a record
  // marked deleted and one without a memo.
  std::string old_table = BuildTable(
      kNoteFields, {{"  lead", MemoPointer(2)}, {"gone", MemoPointer(3)}, {"none"}}, 0x83);
  MarkDeleted(old_table, 2);
  const std::string old_memo = BuildMemoFile({"unreferenced", " abc ", "second\r\n"});
  CHECK(scratch.Write("Notes.dbf", old_table));
  CHECK(scratch.Write("Notes.dbt", old_memo));
  const std::string table = scratch.Path("Notes.dbf");
  const std::string memo = scratch.Path("Notes.dbt");

  Session session;
  const Plugin& dll = *session;
  CHECK_EQ(dll.Load(table), memo);
  dll.GoTo(3);
  dll.SetFile("kept");
  dll.SetData(3);
  dll.memopak();
  CHECK_MESSAGES(kTablePacked);
  CHECK_EQ(dll.File(), "kept");
  CHECK_EQ(dll.GetData(), 3);

  // The backups are named from the whole path lower-cased, and hold the old
  // bytes; the temporary files are gone.
  CHECK_EQ(StoredName(scratch.Path("notes.baz")), "notes.baz");
  CHECK_EQ(ReadBytes(scratch.Path("notes.baz")), old_table);
  CHECK_EQ(StoredName(scratch.Path("notes.mem")), "notes.mem");
  CHECK_EQ(ReadBytes(scratch.Path("notes.mem")), old_memo);
  CHECK(!FileExists(TempFolder() + "temp.dbf"));
  CHECK(!FileExists(TempFolder() + "temp.dbt"));

  // Open again on the rebuilt files: values trimmed, every record live, the
  // memo file holding only what the records refer to, in record order (an
  // absent memo becomes an empty one).
  CHECK_EQ(dll.CurrentRecord(), 1);
  CHECK_EQ(dll.RecordCount(), 3);
  CHECK_EQ(dll.Ask(dll.getdataotdo, "NAME|1|max#NOTE|1|max"), "lead|gone|none|#abc|second||#");
  const std::string rebuilt = ReadBytes(table);
  CHECK_EQ(BytesAt(rebuilt, 0, 1), "\x83");
  CHECK_EQ(BytesAt(rebuilt, kHeaderLength, 3 * kRecordLength),
           BytesAt(BuildTable(kNoteFields, {{"lead", MemoPointer(1)},
                                            {"gone", MemoPointer(2)},
                                            {"none", MemoPointer(3)}}),
                   kHeaderLength, 3 * kRecordLength));
  CHECK_EQ(ReadBytes(memo), BuildMemoFile({"abc", "second", ""}));
}

// Upper-case names find their memo file, so the rebuild keeps every memo
// text; the backups are named from the lower-cased path.
void PackUpperCaseNames(Scratch& scratch) {
  Section("memopak of CLIENTS.DBF and CLIENTS.DBT");
  CHECK(scratch.Write("CLIENTS.DBF", BuildTable(kNoteFields, {{"one", MemoPointer(1)}}, 0x83)));
  CHECK(scratch.Write("CLIENTS.DBT", BuildMemoFile({"kept text"})));
  Session session;
  const Plugin& dll = *session;
  CHECK_EQ(dll.Load(scratch.Path("CLIENTS.DBF")), scratch.Path("CLIENTS.DBT"));
  dll.memopak();
  CHECK_MESSAGES(kTablePacked);
  CHECK_EQ(StoredName(scratch.Path("clients.baz")), "clients.baz");
  CHECK_EQ(StoredName(scratch.Path("clients.mem")), "clients.mem");
  CHECK_EQ(dll.Text(dll.getcurrecall), "one|kept text|");
}

// The backups lie beside the table even when a folder name holds "dbf".
void PackInFolderNamedDbf(Scratch& scratch) {
  Section("memopak of a table in a folder whose name holds dbf");
  CHECK(scratch.Folder("dbfiles"));
  CHECK(scratch.Write("dbfiles\\t.dbf", BuildTable(kNoteFields, {{"one", MemoPointer(1)}}, 0x83)));
  CHECK(scratch.Write("dbfiles\\t.dbt", BuildMemoFile({" text "})));
  Session session;
  const Plugin& dll = *session;
  CHECK_EQ(dll.Load(scratch.Path("dbfiles\\t.dbf")), scratch.Path("dbfiles\\t.dbt"));
  dll.memopak();
  CHECK_MESSAGES(kTablePacked);
  CHECK(FileExists(scratch.Path("dbfiles\\t.baz")));
  CHECK(FileExists(scratch.Path("dbfiles\\t.mem")));
  CHECK_EQ(dll.Text(dll.getcurrecall), "one|text|");
}

void PackWithoutTable() {
  Section("memopak before a table is loaded");
  Session session;
  const Plugin& dll = *session;
  dll.memopak();
  // Nothing was rebuilt, so nothing is backed up or replaced.
  CHECK_MESSAGES(ReplaceFailed(TempFolder() + "temp.dbf", ""), kTablePacked);
  CHECK(!FileExists(TempFolder() + "temp.dbf"));
  // Still no table: the cursor exports leave the slots alone.
  dll.SetData(5);
  CHECK_EQ(dll.CurrentRecord(), 5);
}

}  // namespace

void PackSessions(Scratch& scratch) {
  Pack(scratch);
  PackUpperCaseNames(scratch);
  PackInFolderNamedDbf(scratch);
  PackWithoutTable();
}

}  // namespace host_test
