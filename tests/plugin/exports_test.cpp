// The plug-in's exports as a host finds them, the descriptor exports, the
// two slots, and a walk over every fixture table through the exports alone.
#include <algorithm>

#include "plugin/plugin_test_support.h"

namespace quillon::testing {
namespace {

using ExportsTest = PluginSession;

TEST_F(ExportsTest, EveryExportIsFoundByNameAndNothingInternal) {
  for (const char* name : kExportNames) EXPECT_NE(dll().Find(name), nullptr) << name;
  EXPECT_EQ(dll().Find("_ZN7quillon4host11LibraryLoadEv"), nullptr);
}

TEST_F(ExportsTest, DescriptorsDescribeTheLibraryAndTheWindowExportsDoNothing) {
  EXPECT_EQ(reinterpret_cast<int32_t (*)()>(dll().Find("GetType"))(), 0);
  EXPECT_EQ(dll().Descriptor("GetShortInfo"), "Tervola Merrowkit");

  // Four lines, each ended by CR LF; the first "Tervola Merrowkit:движок DBF",
  // the third indented.
  const std::string info = dll().Descriptor("GetInfo");
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = info.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(info.substr(start, end - start));
  }
  EXPECT_EQ(start, info.size());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Tervola Merrowkit:\xE4\xE2\xE8\xE6\xEE\xEA DBF");
  for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(lines[2].rfind("   ", 0), 0u);
  EXPECT_GT(lines[2].size(), 3u);
  EXPECT_EQ(dll().Descriptor("GetInfo"), info);

  const std::string copyright = dll().Descriptor("Copyright");
  EXPECT_FALSE(copyright.empty());
  EXPECT_EQ(copyright.find_first_of("\r\n"), std::string::npos);

  // The window and canvas exports take an argument and do nothing with it.
  dll().SetFile("kept");
  dll().SetData(7);
  dll().Call("Settings");
  reinterpret_cast<void (*)(void*)>(dll().Find("SetParentWindow"))(reinterpret_cast<void*>(0x1234));
  reinterpret_cast<void (*)(void*)>(dll().Find("Draw"))(nullptr);
  EXPECT_EQ(dll().GetFile(), "kept");
  EXPECT_EQ(dll().GetData(), 7);
}

TEST_F(ExportsTest, TheSlotsHoldWhatTheHostPutsThere) {
  EXPECT_EQ(dll().GetFile(), "");
  EXPECT_EQ(dll().GetData(), 0);

  const std::string list = kCyrillicFolder + "|North|";
  dll().SetFile(list.c_str());
  EXPECT_EQ(dll().GetFile(), list);
  dll().SetFile(nullptr);
  EXPECT_EQ(dll().GetFile(), "");
  dll().SetData(-1);
  EXPECT_EQ(dll().GetData(), -1);
  reinterpret_cast<void (*)(const char*)>(dll().Find("SetPath"))("C:\\elsewhere\\");
  EXPECT_EQ(dll().GetFile(), "");
  EXPECT_EQ(dll().GetData(), -1);

  // Before any table is loaded the table exports leave both slots alone.
  dll().SetFile("kept|");
  dll().SetData(5);
  for (const char* name : {"first", "last", "next1", "prev", "gotorec", "curnum", "countrec"}) {
    dll().Call(name);
  }
  EXPECT_EQ(dll().GetFile(), "kept|");
  EXPECT_EQ(dll().GetData(), 5);
}

TEST_F(ExportsTest, AHostSessionWalksEveryFixtureTableWithoutChangingIt) {
  const struct {
    const char* table;
    const char* memo;  // copied beside the table under the derived memo name
    int32_t records;
  } fixtures[] = {{"db3_plain.dbf", nullptr, 7},         {"db3_memo.dbf", "db3_memo.dbt", 7},
                  {"db3_empty.dbf", "db3_empty.dbt", 0}, {"xbase_memo.dbf", "xbase_memo.dbt", 5},
                  {"vfp_memo.dbf", "vfp_memo.fpt", 5},   {"fox_memo.dbf", "fox_memo.fpt", 5}};
  for (const auto& f : fixtures) {
    SCOPED_TRACE(f.table);
    const std::string path = dir_.CopyFixture(f.table, f.table);
    const std::string memo = path.substr(0, path.size() - 3) + "dbt";
    const std::string name = std::string(f.table);
    if (f.memo != nullptr) dir_.CopyFixture(f.memo, name.substr(0, name.size() - 3) + "dbt");
    const std::string original = ReadWholeFile(path);
    const std::string original_memo = f.memo != nullptr ? ReadWholeFile(memo) : "";

    EXPECT_EQ(dll().Load(path), memo);
    EXPECT_EQ(dll().RecordCount(), f.records);
    EXPECT_EQ(dll().CurrentRecord(), f.records > 0 ? 1 : 0);
    EXPECT_EQ(dll().FieldCount(), 5);
    EXPECT_EQ(dll().Text("getfields").substr(0, 11), "NAME|PRICE|");
    int32_t visited = f.records > 0 ? 1 : 0;
    for (int32_t before = -1; before != dll().CurrentRecord();) {
      before = dll().CurrentRecord();
      const std::string values = dll().Text("getcurrecall");
      EXPECT_GE(std::count(values.begin(), values.end(), '|'), 5);
      dll().Call("next1");
      if (dll().CurrentRecord() != before) ++visited;
    }
    EXPECT_EQ(visited, f.records);
    dll().Call("first");
    dll().Call("last");
    dll().GoTo(f.records + 5);
    EXPECT_EQ(dll().CurrentRecord(), f.records);
    dll().Call("prev");
    EXPECT_EQ(ReadWholeFile(path), original);
    if (f.memo != nullptr) {
      EXPECT_EQ(ReadWholeFile(memo), original_memo);
    }
  }
}

}  // namespace
}  // namespace quillon::testing
