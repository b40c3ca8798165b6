// The Windows test host: loads Quillon.dll as a host application does and
// drives it through its exports on real files in a scratch folder, with the
// DLL's message boxes captured instead of shown. Needs the ANSI code page
// 1251. Argument: the folder holding the project's fixture tables.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <vector>

#include "check.h"
#include "expected_messages.h"
#include "plugin.h"
#include "scratch.h"
#include "table_builder.h"
#include "table_sessions.h"

namespace {

using host_test::Abandon;
using host_test::Plugin;
using host_test::ReadBytes;
using host_test::Scratch;
using host_test::Session;

// "Tervola Merrowkit:движок DBF"
const std::string kInfoFirstLine = "Tervola Merrowkit:\xE4\xE2\xE8\xE6\xEE\xEA DBF";
// "Данные"
const std::string kCyrillicFolder = "\xC4\xE0\xED\xED\xFB\xE5";

// Three records: enough for every cursor rule (first, middle, last).
std::string ThreeRecords() {
  return host_test::BuildTable({{"NAME", 'C', 10}, {"AGE", 'N', 3}},
                               {{"North", " 42"}, {"South", "  7"}, {"East", "100"}});
}

// Holds a file open the way another program would, until the object ends.
class Holder {
 public:
  Holder(const std::string& path, DWORD access, DWORD share)
      : handle_(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Holder() {
    if (held()) CloseHandle(handle_);
  }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

bool CanOpen(const std::string& path, DWORD access, DWORD share) {
  return Holder(path, access, share).held();
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

void Exports() {
  host_test::Section("exports by name and by ordinal");
  Session session;
  const HMODULE module = session->module;
  for (const host_test::ExportEntry& entry : host_test::kExports) {
    const FARPROC by_name = GetProcAddress(module, entry.name);
    const FARPROC by_ordinal = GetProcAddress(module, MAKEINTRESOURCEA(entry.ordinal));
    const std::string name = entry.name;
    host_test::Check(by_name != nullptr, (name + " found by name").c_str(), __FILE__, __LINE__);
    host_test::Check(by_ordinal == by_name, (name + " at its ordinal").c_str(), __FILE__, __LINE__);
  }
  CHECK(GetProcAddress(module, MAKEINTRESOURCEA(34)) == nullptr);
}

void Descriptors() {
  host_test::Section("descriptor exports");
  Session session;
  CHECK_EQ(session->GetType(), 0);
  CHECK_EQ(std::string(session->GetShortInfo()), "Tervola Merrowkit");

  const std::string info = session->GetInfo();
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = info.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(info.substr(start, end - start));
  }
  CHECK_EQ(static_cast<int64_t>(start), static_cast<int64_t>(info.size()));
  CHECK_EQ(static_cast<int64_t>(lines.size()), 4);
  if (!lines.empty()) CHECK_EQ(lines[0], kInfoFirstLine);
  for (const std::string& line : lines) CHECK(line.find_first_of("\r\n") == std::string::npos);
  if (lines.size() == 4) CHECK(lines[2].rfind("   ", 0) == 0 && lines[2].size() > 3);
  CHECK(session->GetInfo() == session->GetInfo());

  const std::string copyright = session->Copyright();
  CHECK(!copyright.empty() && copyright.find_first_of("\r\n") == std::string::npos);

  // The window and canvas exports take an argument and do nothing with it.
  session->SetFile("kept");
  session->SetData(7);
  session->Settings();
  session->SetParentWindow(reinterpret_cast<void*>(0x1234));
  session->Draw(nullptr);
  CHECK_EQ(session->File(), "kept");
  CHECK_EQ(session->GetData(), 7);
  CHECK_MESSAGES();
}

void Slots() {
  host_test::Section("slots");
  Session session;
  const char* fresh = session->GetFile();
  CHECK(fresh != nullptr);
  CHECK_EQ(session->File(), "");
  CHECK_EQ(session->GetData(), 0);

  const std::string list = kCyrillicFolder + "|North|";
  session->SetFile(list.c_str());
  CHECK_EQ(session->File(), list);
  session->SetFile(nullptr);
  CHECK(session->GetFile() != nullptr);
  CHECK_EQ(session->File(), "");
  session->SetData(-1);
  CHECK_EQ(session->GetData(), -1);
  session->SetPath("C:\\elsewhere\\");
  CHECK_EQ(session->File(), "");
  CHECK_EQ(session->GetData(), -1);

  // Before any table is loaded the table exports leave both slots alone.
  session->SetFile("kept|");
  session->SetData(5);
  for (auto action : {session->first, session->last, session->next1, session->prev,
                      session->gotorec, session->curnum, session->countrec}) {
    action();
  }
  CHECK_EQ(session->File(), "kept|");
  CHECK_EQ(session->GetData(), 5);
  CHECK_MESSAGES();
}

void MissingTables(Scratch& scratch) {
  host_test::Section("loaddb of a missing table");
  Session session;
  const std::string missing = scratch.Path("absent.dbf");
  CHECK_EQ(session->Load(missing), missing);
  CHECK_MESSAGES(host_test::TableMissing(missing));

  CHECK_EQ(session->Load(""), "");
  CHECK_MESSAGES(host_test::TableMissing(""));

  CHECK(scratch.Folder("folder.dbf"));
  CHECK_EQ(session->Load(scratch.Path("folder.dbf")), scratch.Path("folder.dbf"));
  CHECK_MESSAGES(host_test::TableMissing(scratch.Path("folder.dbf")));

  const std::string cyrillic_missing = scratch.Path(kCyrillicFolder + "\\absent.dbf");
  session->Load(cyrillic_missing);
  CHECK_MESSAGES(host_test::TableMissing(cyrillic_missing));

  // A failed load leaves the table loaded before it open where it was.
  session->Load(scratch.Path("three.dbf"));
  session->GoTo(2);
  CHECK_EQ(session->Load(missing), missing);
  CHECK_MESSAGES(host_test::TableMissing(missing));
  CHECK_EQ(session->CurrentRecord(), 2);
  CHECK_EQ(session->RecordCount(), 3);
}

void LoadingAndMemoNames(Scratch& scratch) {
  host_test::Section("loaddb and the memo file name");
  Session session;
  CHECK_EQ(session->Load(scratch.Path("three.dbf")), scratch.Path("three.dbt"));
  CHECK_MESSAGES();
  CHECK_EQ(session->RecordCount(), 3);
  CHECK_EQ(session->CurrentRecord(), 1);

  // An upper-case extension gives an upper-case memo name.
  CHECK_EQ(session->Load(scratch.Path("THREE.DBF")), scratch.Path("THREE.DBT"));
  CHECK_EQ(session->RecordCount(), 3);

  CHECK(scratch.Folder(kCyrillicFolder));
  const std::string cyrillic = kCyrillicFolder + "\\t.dbf";
  CHECK(scratch.Write(cyrillic, ThreeRecords()));
  CHECK_EQ(session->Load(scratch.Path(cyrillic)), scratch.Path(kCyrillicFolder + "\\t.dbt"));
  CHECK_EQ(session->RecordCount(), 3);
  CHECK_EQ(session->CurrentRecord(), 1);
  CHECK_MESSAGES();
}

void Sharing(Scratch& scratch, const std::string& fixtures) {
  host_test::Section("files held while a table is loaded");
  CHECK(scratch.CopyIn(fixtures + "db3_memo.dbf", "memo.dbf"));
  CHECK(scratch.CopyIn(fixtures + "db3_memo.dbt", "memo.dbt"));
  const std::string table = scratch.Path("memo.dbf");
  const std::string memo = scratch.Path("memo.dbt");
  Session session;
  CHECK_EQ(session->Load(table), memo);
  CHECK_EQ(session->RecordCount(), 7);
  // Others may read the table and its memo file, but not write them.
  CHECK(CanOpen(table, GENERIC_READ, kShareAll));
  CHECK(!CanOpen(table, GENERIC_WRITE, kShareAll));
  CHECK(CanOpen(memo, GENERIC_READ, kShareAll));
  CHECK(!CanOpen(memo, GENERIC_WRITE, kShareAll));

  // The upper-case spelling names the same memo file, which stays held.
  CHECK_EQ(session->Load(scratch.Path("MEMO.DBF")), scratch.Path("MEMO.DBT"));
  CHECK(!CanOpen(table, GENERIC_WRITE, kShareAll));
  CHECK(!CanOpen(memo, GENERIC_WRITE, kShareAll));
}

// A table another program holds open in a way that forbids our opening: the
// existence test passes, the open fails. The table then counts as loaded but
// is closed, with the empty header of a table never opened.
void HeldByAnother(Scratch& scratch) {
  host_test::Section("loaddb of a table held by another program");
  const std::string table = scratch.Path("three.dbf");
  const std::string memo = scratch.Path("three.dbt");
  const struct {
    DWORD access;
    DWORD share;
  } holders[] = {{GENERIC_READ, 0}, {GENERIC_WRITE, kShareAll}};
  for (const auto& holder : holders) {
    Session session;
    {
      Holder other(table, holder.access, holder.share);
      CHECK(other.held());
      CHECK_EQ(session->Load(table), memo);
      CHECK_MESSAGES();
      session->SetData(99);
      CHECK_EQ(session->RecordCount(), 0);
      CHECK_EQ(session->CurrentRecord(), 0);
      session->first();
      session->next1();
      CHECK_EQ(session->CurrentRecord(), 0);
    }
    // Once the other program lets go, loading it again works.
    CHECK_EQ(session->Load(table), memo);
    CHECK_EQ(session->RecordCount(), 3);
    CHECK_EQ(session->CurrentRecord(), 1);
  }
}

// A table that cannot be opened for writing opens for reading, here one
// that another program reads while sharing reading only. (A file marked
// read-only takes the same way, but wine run as root writes it anyway.)
// Every write export then leaves the file byte for byte as it was.
void ReadOnlyTable(Scratch& scratch) {
  host_test::Section("a table that can only be read");
  CHECK(scratch.Write("ro.dbf", ThreeRecords()));
  const std::string table = scratch.Path("ro.dbf");
  Holder reader(table, GENERIC_READ, FILE_SHARE_READ);
  CHECK(reader.held());
  Session session;
  const Plugin& dll = *session;
  dll.Load(table);
  CHECK_EQ(dll.RecordCount(), 3);
  CHECK_EQ(dll.Ask(dll.getdataotdo, "NAME|1|max"), "North|South|East|#");
  dll.GoTo(2);
  dll.Ask(dll.editrec, "NAME=changed");
  dll.Ask(dll.addrec, "NAME=added");
  dll.GoTo(1);
  dll.delrec();
  CHECK_EQ(ReadBytes(table), ThreeRecords());
  CHECK_EQ(dll.Ask(dll.getdataotdo, "NAME|1|max"), "North|South|East|#");
  CHECK_MESSAGES();
}

void Cursor(Scratch& scratch) {
  host_test::Section("cursor moves");
  Session session;
  session->Load(scratch.Path("three.dbf"));
  session->next1();
  session->next1();
  CHECK_EQ(session->CurrentRecord(), 3);
  session->next1();
  CHECK_EQ(session->CurrentRecord(), 3);

  session->last();
  session->prev();
  CHECK_EQ(session->CurrentRecord(), 2);
  session->prev();
  CHECK_EQ(session->CurrentRecord(), 1);
  session->prev();
  CHECK_EQ(session->CurrentRecord(), 1);

  session->GoTo(2);
  CHECK_EQ(session->GetData(), 2);
  CHECK_EQ(session->CurrentRecord(), 2);
  session->GoTo(0);
  CHECK_EQ(session->CurrentRecord(), 0);
  session->next1();
  CHECK_EQ(session->CurrentRecord(), 1);
  session->GoTo(7);
  CHECK_EQ(session->CurrentRecord(), 3);
  session->GoTo(-1);
  CHECK_EQ(session->GetData(), -1);
  CHECK_EQ(session->CurrentRecord(), 3);
  session->first();
  CHECK_EQ(session->CurrentRecord(), 1);
  CHECK_EQ(session->RecordCount(), 3);
  CHECK_EQ(session->File(), scratch.Path("three.dbt"));
  CHECK_MESSAGES();

  CHECK(scratch.Write("empty.dbf", host_test::BuildTable({{"NAME", 'C', 10}}, {})));
  session->Load(scratch.Path("empty.dbf"));
  CHECK_EQ(session->RecordCount(), 0);
  CHECK_EQ(session->CurrentRecord(), 0);
  for (auto move : {session->first, session->last, session->next1, session->prev}) {
    move();
    CHECK_EQ(session->CurrentRecord(), 0);
  }
}

// Moving the cursor never writes: the file is the same byte for byte, during
// the session and after the library has been unloaded, and unloading lets
// go of the file.
void ReadOnlySession(Scratch& scratch, const std::string& fixtures) {
  host_test::Section("a session that only moves the cursor");
  CHECK(scratch.CopyIn(fixtures + "db3_plain.dbf", "plain.dbf"));
  const std::string table = scratch.Path("plain.dbf");
  const std::string before = ReadBytes(table);
  CHECK(before.size() > 32);
  {
    Session session;
    CHECK_EQ(session->Load(table), scratch.Path("plain.dbt"));
    CHECK_EQ(session->RecordCount(), 7);
    int moves = 0;
    for (int32_t at = session->CurrentRecord(); moves < 10; ++moves) {
      session->next1();
      const int32_t now = session->CurrentRecord();
      if (now == at) break;
      at = now;
    }
    CHECK_EQ(moves, 6);
    session->GoTo(4);  // marked deleted, still counted and reachable
    CHECK_EQ(session->CurrentRecord(), 4);
    session->last();
    session->prev();
    session->first();
    CHECK_EQ(ReadBytes(table), before);
  }
  CHECK(GetModuleHandleA("Quillon.dll") == nullptr);
  CHECK_EQ(ReadBytes(table), before);
  CHECK(CanOpen(table, GENERIC_READ | GENERIC_WRITE, 0));
}

DWORD WINAPI DoNothing(LPVOID) { return 0; }

void LoadUnloadAndThreads(Scratch& scratch) {
  host_test::Section("process and thread notifications");
  {
    Session session;
    session->Load(scratch.Path("three.dbf"));
    session->GoTo(2);
    // A thread starting and ending in the host changes nothing.
    HANDLE thread = CreateThread(nullptr, 0, DoNothing, nullptr, 0, nullptr);
    CHECK(thread != nullptr);
    if (thread != nullptr) {
      WaitForSingleObject(thread, INFINITE);
      CloseHandle(thread);
    }
    CHECK_EQ(session->CurrentRecord(), 2);
    CHECK_EQ(session->RecordCount(), 3);
    CHECK_EQ(session->File(), scratch.Path("three.dbt"));
    session->SetData(3);
  }
  // Loaded again, the library starts from empty slots and no table.
  Session session;
  CHECK_EQ(session->File(), "");
  CHECK_EQ(session->GetData(), 0);
  session->curnum();
  CHECK_EQ(session->GetData(), 0);
}

}  // namespace

int main(int argc, char** argv) {
  host_test::Section("code page");
  const UINT code_page = GetACP();
  // "search" runs the search sessions alone, under any other code page: the
  // plug-in folds case by Windows-1251 whatever the machine's code page is.
  const bool searchOnly = argc == 3 && std::string(argv[2]) == "search";
  if (argc != 2 && !searchOnly) Abandon("usage: quillon_host_test FIXTURE-FOLDER [search]");
  if (searchOnly && code_page == 1251) Abandon("the search run needs a code page other than 1251");
  if (!searchOnly && code_page != 1251) {
    Abandon("needs the ANSI code page 1251, has " + std::to_string(code_page));
  }
  std::string fixtures = argv[1];
  if (fixtures.back() != '\\') fixtures += '\\';

  Scratch scratch;
  if (searchOnly) {
    host_test::SearchSessions(scratch);
    return host_test::Summary() ? 0 : 1;
  }
  CHECK(scratch.Write("three.dbf", ThreeRecords()));
  Exports();
  Descriptors();
  Slots();
  LoadingAndMemoNames(scratch);
  MissingTables(scratch);
  Sharing(scratch, fixtures);
  HeldByAnother(scratch);
  ReadOnlyTable(scratch);
  Cursor(scratch);
  ReadOnlySession(scratch, fixtures);
  LoadUnloadAndThreads(scratch);
  host_test::ReadSessions(scratch, fixtures);
  host_test::EditSessions(scratch, fixtures);
  host_test::SearchSessions(scratch);
  host_test::MakeSessions(scratch);
  host_test::ImportSessions(scratch);
  host_test::PackSessions(scratch);
  return host_test::Summary() ? 0 : 1;
}
