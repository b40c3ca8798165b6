// Make sessions: make writes "newbase.dbf" (and its memo file) into the
// host's current folder, so each test runs inside its scratch folder. The
// answer is "OK!" or the engine error still pending, which make clears.
#include <ctime>

#include "helpers/current_folder.h"
#include "helpers/table_bytes.h"
#include "plugin/plugin_test_support.h"

namespace quillon::testing {
namespace {

class MakeSessionsTest : public PluginSession {
 protected:
  CurrentFolderScope in_scratch_{dir_.path()};
};

TEST_F(MakeSessionsTest, MakeWritesANewTableTheHostThenLoads) {
  // Before any table is loaded.
  EXPECT_EQ(dll().Ask("make", "NAME=C20|PRICE=N10,2|NOTES=M"), "OK!");
  const std::time_t now = std::time(nullptr);
  const std::tm today = *std::localtime(&now);
  TableBytes expected;
  expected.version = 0x83;
  expected.year = static_cast<uint8_t>(today.tm_year % 100);
  expected.month = static_cast<uint8_t>(today.tm_mon + 1);
  expected.day = static_cast<uint8_t>(today.tm_mday);
  expected.fields = {{"NAME", 'C', 20}, {"PRICE", 'N', 10, 2}, {"NOTES", 'M', 10}};
  expected.afterRecords = "\x1A";
  const std::string want = expected.Build();
  const std::string made = dir_.Read("newbase.dbf");
  EXPECT_EQ(made.size(), 32u * 4 + 2);
  // The header up to the record length, every descriptor, and the ends.
  EXPECT_EQ(made.substr(0, 12), want.substr(0, 12));
  EXPECT_EQ(made.substr(32), want.substr(32));
  EXPECT_EQ(dir_.Read("newbase.dbt"), std::string("\x01\0\0\0", 4));

  // Items are trimmed; a closing "|" adds no field; the file is replaced.
  EXPECT_EQ(dll().Ask("make", " NAME=C20 |"), "OK!");
  const std::string one_field = dir_.Read("newbase.dbf");
  EXPECT_EQ(one_field.size(), 66u);
  EXPECT_EQ(U16At(one_field, 10), 21u);

  // The host opens what make made with loaddb.
  EXPECT_EQ(dll().Ask("make", "NAME=C20|PRICE=N10,2|NOTES=M"), "OK!");
  EXPECT_EQ(dll().Load(dir_.File("newbase.dbf")), dir_.File("newbase.dbt"));
  EXPECT_EQ(dll().Text("getfields"), "NAME|PRICE|NOTES|");
  EXPECT_EQ(dll().RecordCount(), 0);
}

// A move beyond the last record leaves an error that the next make answers,
// once; the loaded table and its cursor stay as they were.
TEST_F(MakeSessionsTest, MakeAnswersThePendingErrorOnce) {
  TableBytes t;
  t.fields = {{"NAME", 'C', 10}};
  for (const char* name : {"one", "two", "three"}) t.AddValues({name});
  dll().Load(dir_.Write("three_more.dbf", t.Build()));
  dll().GoTo(9);
  EXPECT_EQ(dll().CurrentRecord(), 3);
  EXPECT_EQ(dll().Ask("make", "A=C1"), "Read record out of range. Rec # 9");
  EXPECT_TRUE(dir_.Exists("newbase.dbf"));
  EXPECT_EQ(dll().Ask("make", "A=C1"), "OK!");
  EXPECT_EQ(dll().CurrentRecord(), 3);
  EXPECT_EQ(dll().RecordCount(), 3);
}

}  // namespace
}  // namespace quillon::testing
