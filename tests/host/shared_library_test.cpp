// Plays a real host: loads the built plug-in with dlopen, finds its exports
// by name and drives it through them on the fixture tables.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "helpers/scratch_dir.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

class PluginHost {
 public:
  PluginHost() : handle_(dlopen(QUILLON_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL)) {}
  ~PluginHost() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  bool loaded() const { return handle_ != nullptr; }
  void* Find(const char* name) const { return dlsym(handle_, name); }

  void Call(const char* name) const { reinterpret_cast<quillon_action>(Find(name))(); }
  void SetFile(const std::string& text) const {
    reinterpret_cast<quillon_takes_text>(Find("SetFile"))(text.c_str());
  }
  std::string GetFile() const { return reinterpret_cast<quillon_gives_text>(Find("GetFile"))(); }
  void SetData(int32_t v) const { reinterpret_cast<quillon_takes_number>(Find("SetData"))(v); }
  int32_t GetData() const { return reinterpret_cast<quillon_gives_number>(Find("GetData"))(); }
  int32_t Ask(const char* name) const {
    SetData(-77);
    Call(name);
    return GetData();
  }

 private:
  void* handle_;
};

const char* const kExports[] = {
    "memopak", "getarrayrecords", "getdataotdo", "finddata",     "importasmaster", "getcurrecall",
    "delrec",  "fiedscount",      "getfields",   "editrec",      "addrec",         "gotorec",
    "countrec", "curnum",         "getcurn",     "last",         "first",          "next1",
    "prev",    "loaddb",          "make",        "Draw",         "Settings",       "SetParentWindow",
    "GetType", "GetInfo",         "GetShortInfo", "Copyright",   "SetPath",        "GetData",
    "SetData", "GetFile",         "SetFile"};

TEST(SharedLibraryTest, ExportsThePluginFunctionsAndNothingElse) {
  PluginHost host;
  ASSERT_TRUE(host.loaded()) << dlerror();
  for (const char* name : kExports) EXPECT_NE(host.Find(name), nullptr) << name;
  EXPECT_EQ(host.Find("_ZN7quillon4host11LibraryLoadEv"), nullptr);
  EXPECT_EQ(host.GetFile(), "");
  EXPECT_EQ(host.GetData(), 0);
}

struct Fixture {
  const char* table;
  const char* memo;  // copied beside the table under the derived memo name
  int32_t records;
};

TEST(SharedLibraryTest, AHostSessionWalksEveryFixtureTableWithoutChangingIt) {
  const Fixture fixtures[] = {{"db3_plain.dbf", nullptr, 7}, {"db3_memo.dbf", "db3_memo.dbt", 7},
                              {"db3_empty.dbf", "db3_empty.dbt", 0},
                              {"xbase_memo.dbf", "xbase_memo.dbt", 5},
                              {"vfp_memo.dbf", "vfp_memo.fpt", 5},
                              {"fox_memo.dbf", "fox_memo.fpt", 5}};
  PluginHost host;
  ASSERT_TRUE(host.loaded()) << dlerror();
  ScratchDir dir;
  for (const Fixture& f : fixtures) {
    SCOPED_TRACE(f.table);
    std::string path = dir.CopyFixture(f.table, f.table);
    std::string memo_path = path.substr(0, path.size() - 3) + "dbt";
    if (f.memo != nullptr) dir.CopyFixture(f.memo, memo_path.substr(dir.path().size() + 1));
    const std::string original = ReadWholeFile(path);
    const std::string original_memo = f.memo != nullptr ? ReadWholeFile(memo_path) : "";

    host.SetFile(path);
    host.Call("loaddb");
    EXPECT_EQ(host.GetFile(), memo_path);
    EXPECT_EQ(host.Ask("countrec"), f.records);
    EXPECT_EQ(host.Ask("curnum"), f.records > 0 ? 1 : 0);
    EXPECT_EQ(host.Ask("fiedscount"), 5);
    host.Call("getfields");
    EXPECT_EQ(host.GetFile().substr(0, 11), "NAME|PRICE|");
    int32_t visited = f.records > 0 ? 1 : 0;
    for (int32_t before = -1; before != host.Ask("curnum");) {
      before = host.Ask("curnum");
      host.Call("getcurrecall");
      const std::string values = host.GetFile();
      EXPECT_GE(std::count(values.begin(), values.end(), '|'), 5);
      host.Call("next1");
      if (host.Ask("curnum") != before) ++visited;
    }
    EXPECT_EQ(visited, f.records);
    host.Call("first");
    host.Call("last");
    host.SetData(f.records + 5);
    host.Call("gotorec");
    EXPECT_EQ(host.Ask("curnum"), f.records);
    host.Call("prev");
    EXPECT_EQ(ReadWholeFile(path), original);
    if (f.memo != nullptr) {
      EXPECT_EQ(ReadWholeFile(memo_path), original_memo);
    }
  }
}

// Runs an export with standard error caught: the Linux plug-in shows its
// messages there, one line each.
std::string MessagesOf(const PluginHost& host, const char* name) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return "<no pipe>";
  const int saved = ::dup(2);
  ::dup2(pipe_fds[1], 2);
  host.Call(name);
  ::dup2(saved, 2);
  ::close(saved);
  ::close(pipe_fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) {
    text.append(buffer, static_cast<size_t>(got));
  }
  ::close(pipe_fds[0]);
  return text;
}

TEST(SharedLibraryTest, MessagesReachTheUserOnStandardError) {
  PluginHost host;
  ASSERT_TRUE(host.loaded()) << dlerror();
  ScratchDir dir;
  ::setenv("TMPDIR", dir.path().c_str(), 1);
  host.SetFile(dir.File("none.dbf"));
  EXPECT_EQ(MessagesOf(host, "loaddb"),
            "\xCD\xC5 \xCF\xCE\xCD\xDF\xCB!! \xC1\xE0\xE7\xFB \xE4\xE0\xED\xED\xFB\xF5 \xEF\xEE "
            "\xF3\xEA\xE0\xE7\xE0\xED\xED\xEE\xEC\xF3 \xEF\xF3\xF2\xE8 " +
                dir.File("none.dbf") +
                " \xCD\xC5\xD2!\r\n\xCF\xF0\xEE\xE2\xE5\xF0\xFC\xF2\xE5 "
                "\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xF1\xF2\xFC \xEF\xF3\xF2\xE8 \xE8 "
                "\xED\xE0\xEB\xE8\xF7\xE8\xE5 \xD2\xC0\xCC \xF4\xE0\xE9\xEB\xE0!\n");

  dir.CopyFixture("db3_memo.dbt", "t.dbt");
  host.SetFile(dir.CopyFixture("db3_memo.dbf", "t.dbf"));
  host.Call("loaddb");
  host.SetFile(dir.Write("in.txt", "K#first#second##L"));
  EXPECT_EQ(MessagesOf(host, "importasmaster"), "\xC8\xEC\xEF\xEE\xF0\xF2 \xEE\xEA\xEE\xED\xF7\xE5\xED\n");
  EXPECT_EQ(host.Ask("countrec"), 8);  // the record marked deleted was packed away
  EXPECT_EQ(MessagesOf(host, "memopak"), "\xC1\xE0\xE7\xE0 \xF3\xEF\xE0\xEA\xEE\xE2\xE0\xED\xE0!\n");
  EXPECT_EQ(ReadWholeFile(dir.File("t.baz")).size(), 193u + 8 * 50);
  host.SetFile("NAME|7|8");
  host.Call("getdataotdo");
  EXPECT_EQ(host.GetFile(), "K|L|#");
  ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace quillon::testing
