// Sessions on Quillon.dll about Windows alone: the exports at their fixed
// ordinals, the code page the run is under, the sharing modes the DLL holds
// its files in and meets in other programs, thread notifications, the DLL
// letting go of everything when it is unloaded, and backup names in the
// case the file system keeps them.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>

#include "helpers/expected_messages.h"
#include "helpers/memo_bytes.h"
#include "helpers/table_bytes.h"
#include "plugin/plugin_test_support.h"

namespace quillon::testing {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Holds a file open the way another program would, until the object ends.
class Holder {
 public:
  Holder(const std::string& path, DWORD access, DWORD share)
      : handle_(::CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Holder() {
    if (held()) ::CloseHandle(handle_);
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

// The name of the file as the file system keeps it; empty when there is none.
std::string StoredName(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  ::FindClose(search);
  return found.cFileName;
}

// The run names the ANSI code page it is meant to run under: the searches
// run once under 1251 and again under 1252.
TEST(Win32CodePage, IsTheOneTheRunNames) {
  const char* wanted = std::getenv("QUILLON_CODE_PAGE");
  ASSERT_NE(wanted, nullptr) << "the run names no code page in QUILLON_CODE_PAGE";
  EXPECT_EQ(std::to_string(::GetACP()), wanted);
}

using Win32DllTest = PluginSession;

TEST_F(Win32DllTest, EveryExportSitsAtItsOrdinal) {
  const HMODULE module = ::GetModuleHandleA("Quillon.dll");
  ASSERT_NE(module, nullptr);
  int ordinal = 1;
  for (const char* name : kExportNames) {
    const FARPROC by_name = ::GetProcAddress(module, name);
    EXPECT_NE(by_name, nullptr) << name;
    EXPECT_EQ(::GetProcAddress(module, MAKEINTRESOURCEA(ordinal)), by_name) << name;
    ++ordinal;
  }
  EXPECT_EQ(::GetProcAddress(module, MAKEINTRESOURCEA(ordinal)), nullptr);
}

// Others may read the table and its memo file while it is loaded, but not
// write them; the upper-case spelling names the same files, which stay held.
TEST_F(Win32DllTest, ALoadedTableAndItsMemoAreSharedForReadingOnly) {
  const std::string table = dir_.CopyFixture("db3_memo.dbf", "memo.dbf");
  const std::string memo = dir_.CopyFixture("db3_memo.dbt", "memo.dbt");
  EXPECT_EQ(dll().Load(table), memo);
  EXPECT_EQ(dll().RecordCount(), 7);
  for (const std::string& file : {table, memo}) {
    EXPECT_TRUE(CanOpen(file, GENERIC_READ, kShareAll)) << file;
    EXPECT_FALSE(CanOpen(file, GENERIC_WRITE, kShareAll)) << file;
  }
  EXPECT_EQ(dll().Load(dir_.File("MEMO.DBF")), dir_.File("MEMO.DBT"));
  EXPECT_FALSE(CanOpen(table, GENERIC_WRITE, kShareAll));
  EXPECT_FALSE(CanOpen(memo, GENERIC_WRITE, kShareAll));
}

// A table another program holds in a way that forbids our opening passes
// the existence test and fails to open: it counts as loaded but is closed,
// with the empty header of a table never opened. Once the other program
// lets go, loading it again works.
TEST_F(Win32DllTest, ATableAnotherProgramHoldsCountsAsLoadedButClosed) {
  const std::string table = dir_.Write("three.dbf", ThreeRecords());
  const struct {
    DWORD access;
    DWORD share;
  } holders[] = {{GENERIC_READ, 0}, {GENERIC_WRITE, kShareAll}};
  for (const auto& holder : holders) {
    SCOPED_TRACE(holder.access == GENERIC_READ ? "a reader sharing nothing"
                                               : "a writer sharing everything");
    Reload();
    {
      Holder other(table, holder.access, holder.share);
      ASSERT_TRUE(other.held());
      EXPECT_EQ(dll().Load(table), dir_.File("three.dbt"));
      dll().SetData(99);
      EXPECT_EQ(dll().RecordCount(), 0);
      EXPECT_EQ(dll().CurrentRecord(), 0);
      dll().Call("first");
      dll().Call("next1");
      EXPECT_EQ(dll().CurrentRecord(), 0);
    }
    EXPECT_EQ(dll().Load(table), dir_.File("three.dbt"));
    EXPECT_EQ(dll().RecordCount(), 3);
    EXPECT_EQ(dll().CurrentRecord(), 1);
  }
}

DWORD WINAPI DoNothing(LPVOID) { return 0; }

// A thread starting and ending in the host changes nothing; unloading lets
// go of the DLL and of the table, which another program may then hold alone.
TEST_F(Win32DllTest, ThreadsChangeNothingAndUnloadingLetsGoOfEverything) {
  const std::string table = dir_.Write("three.dbf", ThreeRecords());
  dll().Load(table);
  dll().GoTo(2);
  HANDLE thread = ::CreateThread(nullptr, 0, DoNothing, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  EXPECT_EQ(dll().CurrentRecord(), 2);
  EXPECT_EQ(dll().RecordCount(), 3);
  EXPECT_EQ(dll().GetFile(), dir_.File("three.dbt"));

  Unload();
  EXPECT_EQ(::GetModuleHandleA("Quillon.dll"), nullptr);
  EXPECT_EQ(ReadWholeFile(table), ThreeRecords());
  EXPECT_TRUE(CanOpen(table, GENERIC_READ | GENERIC_WRITE, 0));
}

// Windows ignores the case of file names, so the backups are named from the
// whole path in small letters, and the file system keeps them so.
TEST_F(Win32DllTest, BackupsAreStoredInSmallLetters) {
  for (const std::string name : {"Notes", "CLIENTS"}) {
    SCOPED_TRACE(name);
    TableBytes t;
    t.version = 0x83;
    t.fields = {{"NAME", 'C', 8}, {"NOTE", 'M', 10}};
    t.AddValues({"one", MemoPointer(1)});
    dir_.Write(name + ".dbt", FixedMemoFile({"text"}));
    dll().Load(dir_.Write(name + ".dbf", t.Build()));
    dll().Call("memopak");
    ExpectMessages({kTablePacked});
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(StoredName(dir_.File(name + ".baz")), lower + ".baz");
    EXPECT_EQ(StoredName(dir_.File(name + ".mem")), lower + ".mem");
    EXPECT_EQ(dll().Text("getcurrecall"), "one|text|");
  }
}

}  // namespace
}  // namespace quillon::testing
