#include "engine/cursor.h"
#include "engine/fields.h"
#include "engine/memo.h"
#include "helpers/expected_messages.h"
#include "helpers/host_session.h"
#include "helpers/memo_bytes.h"
#include "helpers/table_bytes.h"
#include "quillon.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quillon::testing {
namespace {

// KEY C8, A M, B M, with one record already in it.
class ImportExportTest : public HostSession {
 protected:
  void LoadTable(bool with_memo = true) {
    TableBytes t;
    t.version = 0x83;
    t.fields = {{"KEY", 'C', 8}, {"A", 'M', 10}, {"B", 'M', 10}};
    t.records = {"old"};
    if (with_memo) dir_.Write("t.dbt", FixedMemoFile({}));
    Load(dir_.Write("t.dbf", t.Build()));
  }

  std::vector<std::string> Import(const std::string& text) {
    platform_.messages.clear();
    const std::string path = dir_.Write("in.txt", text);
    EXPECT_EQ(CallWithText(importasmaster, path), path);
    return platform_.messages;
  }

  // Every record after the first, as KEY/A/B.
  std::vector<std::string> Imported() {
    std::vector<std::string> rows;
    for (uint32_t r = 2; r <= Resident().header.recordCount; ++r) {
      engine::GoToRecord(Resident(), r);
      std::string a, b;
      engine::MemoText(Resident(), 2, a);
      engine::MemoText(Resident(), 3, b);
      rows.push_back(engine::FieldText(Resident(), 1) + "/" + a + "/" + b);
    }
    return rows;
  }
};

TEST_F(ImportExportTest, RecordsAndPiecesInEverySeparatorForm) {
  LoadTable();
  EXPECT_EQ(Import("K1#note one#note two##K2#a#b##A#b#c#d##\r\nAlone##A#1#2###B#3#4##X|Y"),
            std::vector<std::string>{kImportDone});
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(Imported(), (std::vector<std::string>{"K1/note one/note two", "K2/a/b", "A/b/c#d",
                                                  "Alone//", "A/1/2", "/B/3#4", "X//", "Y//"}));
}

TEST_F(ImportExportTest, TheEndOfTheFileDecidesALastEmptyRecord) {
  LoadTable();
  Import("A##");
  EXPECT_EQ(Imported(), std::vector<std::string>{"A//"});
  Import("B##\r\n");
  EXPECT_EQ(Imported(), (std::vector<std::string>{"A//", "B//", "//"}));
  EXPECT_EQ(Import(""), std::vector<std::string>{kImportDone});
  EXPECT_EQ(Resident().header.recordCount, 4u);
}

TEST_F(ImportExportTest, WindowsTextAndLongPiecesArriveWhole) {
  LoadTable();
  const std::string cyrillic = "\xCC\xEE\xF1\xEA\xE2\xE0";  // "Москва"
  const std::string long_memo(2000, 'z');
  Import(cyrillic + "#line 1\r\nline 2#" + long_memo);
  EXPECT_EQ(Imported(), std::vector<std::string>{"\xCC\xEE\xF1\xEA\xE2\xE0/line 1\r\nline 2/" + long_memo});
}

// A FIFO or a device is no file to import: it is reported as missing at
// once, never waited on or read without end.
TEST_F(ImportExportTest, AMissingFileAFolderOrASpecialFileIsReported) {
  LoadTable();
  platform_.messages.clear();
  std::vector<std::string> names = {dir_.File("none.txt"), dir_.path()};
#ifndef _WIN32
  names.push_back("/dev/zero");
  names.push_back(dir_.File("fifo"));
  ASSERT_EQ(mkfifo(names.back().c_str(), 0600), 0);
#endif
  for (const std::string& name : names) EXPECT_EQ(CallWithText(importasmaster, name), name);
  ASSERT_EQ(platform_.messages.size(), names.size());
  EXPECT_EQ(platform_.messages[0], ImportFileMissing(names[0]));
  for (size_t i = 1; i < names.size(); ++i) {
    EXPECT_NE(platform_.messages[i].find(names[i]), std::string::npos);
  }
  EXPECT_EQ(Resident().header.recordCount, 1u);
}

TEST_F(ImportExportTest, WithoutAMemoFileOnlyTheFirstPieceIsKept) {
  LoadTable(false);
  Import("K#dropped#dropped too");
  EXPECT_EQ(Imported(), std::vector<std::string>{"K//"});
}

TEST_F(ImportExportTest, PiecesForFieldsThatAreNotMemoFieldsArriveAsValues) {
  TableBytes t;
  t.version = 0x83;
  t.fields = {{"KEY", 'C', 8}, {"CITY", 'C', 8}, {"NOTE", 'M', 10}};
  dir_.Write("t.dbt", FixedMemoFile({}));
  Load(dir_.Write("t.dbf", t.Build()));
  Import("K1#Oslo#far north");
  EXPECT_EQ(CallWithText(getdataotdo, "KEY|1|1#CITY|1|1#NOTE|1|1"), "K1|#Oslo|#far north|#");
}

TEST_F(ImportExportTest, AFailingAppendNeverOverwritesTheLastRecord) {
  LoadTable();
  const std::string table = dir_.File("t.dbf");
  platform_.fail = [&](const OpInfo& op) {
    return op.op == Op::kWrite && op.path == table && op.position == 0;
  };
  EXPECT_EQ(Import("new1##new2"), std::vector<std::string>{kImportDone});
  platform_.fail = nullptr;
  EXPECT_EQ(Resident().header.recordCount, 1u);
  engine::GoToRecord(Resident(), 1);
  EXPECT_EQ(engine::FieldText(Resident(), 1), "old");
}

TEST_F(ImportExportTest, NothingHappensBeforeATableIsLoaded) {
  const std::string path = dir_.Write("in.txt", "A#b#c");
  EXPECT_EQ(CallWithText(importasmaster, path), path);
  EXPECT_TRUE(platform_.messages.empty());
}

}  // namespace
}  // namespace quillon::testing
