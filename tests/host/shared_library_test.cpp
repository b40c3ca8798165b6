// Plays a real host: loads the built plug-in with dlopen, finds its exports
// by name and drives it through them on the fixture tables.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "helpers/scratch_dir.h"

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

  void Call(const char* name) const { reinterpret_cast<void (*)()>(Find(name))(); }
  void SetFile(const std::string& text) const {
    reinterpret_cast<void (*)(const char*)>(Find("SetFile"))(text.c_str());
  }
  std::string GetFile() const { return reinterpret_cast<const char* (*)()>(Find("GetFile"))(); }
  void SetData(int32_t v) const { reinterpret_cast<void (*)(int32_t)>(Find("SetData"))(v); }
  int32_t GetData() const { return reinterpret_cast<int32_t (*)()>(Find("GetData"))(); }
  int32_t Ask(const char* name) const {
    SetData(-77);
    Call(name);
    return GetData();
  }

 private:
  void* handle_;
};

const char* const kExports[] = {
    "GetType", "GetShortInfo", "GetInfo", "Copyright", "Settings", "SetParentWindow", "Draw",
    "SetPath", "SetFile",      "GetFile", "SetData",   "GetData",  "loaddb",          "first",
    "last",    "next1",        "prev",    "gotorec",   "curnum",   "countrec",        "fiedscount",
    "getfields", "getcurn",    "getcurrecall", "getarrayrecords"};

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

}  // namespace
}  // namespace quillon::testing
