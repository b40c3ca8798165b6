// Import sessions: importasmaster reads a Windows-1251 text file (records
// separated by "##", pieces by "#") into a table whose fields 2 and 3 are
// memo fields, and says so in a message box; a missing file is reported.
#include <string>

#include "check.h"
#include "expected_messages.h"
#include "plugin.h"
#include "table_builder.h"
#include "table_sessions.h"

namespace host_test {

namespace {

// "первая", "вторая", "Ключ", and the file name "импорт.txt"
const std::string kFirst = "\xEF\xE5\xF0\xE2\xE0\xFF";
const std::string kSecond = "\xE2\xF2\xEE\xF0\xE0\xFF";
const std::string kKey = "\xCA\xEB\xFE\xF7";
const std::string kImportFile = "\xE8\xEC\xEF\xEE\xF0\xF2.txt";

void Import(Scratch& scratch) {
  Section("importasmaster");
  const std::string table = scratch.Path("master.dbf");
  CHECK(scratch.Write("master.dbf",
                      BuildTable({{"KEY", 'C', 8}, {"A", 'M', 10}, {"B", 'M', 10}}, {{"old"}}, 0x83)));
  CHECK(scratch.Write("master.dbt", BuildMemoFile({})));
  // Line breaks around the separators trim away; those inside a piece stay;
  // a third piece keeps its "#"; "##" at the very end adds no record.
  CHECK(scratch.Write(kImportFile, "K1#" + kFirst + "#" + kSecond + "##" + kKey +
                                       "#line 1\r\nline 2#c#d##\r\nAlone##"));
  const std::string text_file = scratch.Path(kImportFile);
  Session session;
  const Plugin& dll = *session;
  dll.Load(table);
  dll.SetData(7);
  CHECK_EQ(dll.Ask(dll.importasmaster, text_file), text_file);
  CHECK_MESSAGES(kImportDone);
  CHECK_EQ(dll.GetData(), 7);
  CHECK_EQ(dll.CurrentRecord(), 0);
  CHECK_EQ(dll.RecordCount(), 4);
  CHECK_EQ(LittleEndianAt(ReadBytes(table), 4, 4), 4);
  CHECK_EQ(dll.Ask(dll.getdataotdo, "KEY|1|max#A|2|max#B|2|max"),
           "old|K1|" + kKey + "|Alone|#" + kFirst + "|line 1\r\nline 2||#" + kSecond + "|c#d||#");

  // An empty file adds nothing, and the import still ends with its message.
  CHECK(scratch.Write("empty.txt", ""));
  dll.Ask(dll.importasmaster, scratch.Path("empty.txt"));
  CHECK_MESSAGES(kImportDone);
  CHECK_EQ(dll.RecordCount(), 4);

  // A missing file, or a folder, is reported and nothing is added.
  const std::string missing = scratch.Path("none.txt");
  CHECK_EQ(dll.Ask(dll.importasmaster, missing), missing);
  CHECK_MESSAGES(ImportFileMissing(missing));
  CHECK(scratch.Folder("imports"));
  dll.Ask(dll.importasmaster, scratch.Path("imports"));
  CHECK_MESSAGES(ImportFileMissing(scratch.Path("imports")));
  CHECK_EQ(dll.RecordCount(), 4);
}

// Before any table is loaded the import does nothing at all.
void ImportWithoutTable(Scratch& scratch) {
  Section("importasmaster before a table is loaded");
  Session session;
  const Plugin& dll = *session;
  const std::string text_file = scratch.Path(kImportFile);
  CHECK_EQ(dll.Ask(dll.importasmaster, text_file), text_file);
  CHECK_MESSAGES();
}

}  // namespace

void ImportSessions(Scratch& scratch) {
  Import(scratch);
  ImportWithoutTable(scratch);
}

}  // namespace host_test
