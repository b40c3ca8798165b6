// Read sessions on the fixture tables that other writers made: memo texts in
// both memo layouts (the .fpt files copied to the .dbt name the library looks
// for), Windows-1251 values, empty fields and a record marked deleted.
#include <string>
#include <vector>

#include "plugin/plugin_test_support.h"

namespace quillon::testing {
namespace {

// A record's values as getcurrecall hands them out.
struct Row {
  int32_t record;
  std::string values;
};

// A record with a long memo text: the length of its values and their end.
struct LongRow {
  int32_t record;
  size_t length;
  std::string ending;
};

struct FixtureTable {
  std::string name;  // the table file is name + ".dbf"
  std::string memo;  // its memo file in the fixture folder
  int32_t records;
  Row deleted;
  Row live;
  std::vector<LongRow> long_rows;
};

const std::string kFields = "NAME|PRICE|BORN|ACTIVE|NOTES|";

// The rows that both the binary-pointer and the text-pointer FoxPro-style
// tables hold.
// "Remove me|5.00|20111111|F|deleted row|"
const Row kFoxDeleted = {2, "Remove me|5.00|20111111|F|deleted row|"};
// "Фокс|-99.99|20260307|F|Короткая памятка FoxPro.|"
const Row kFoxLive = {5,
                      "\xD4\xEE\xEA\xF1|-99.99|20260307|F|\xCA\xEE\xF0\xEE\xF2\xEA\xE0\xFF "
                      "\xEF\xE0\xEC\xFF\xF2\xEA\xE0 FoxPro.|"};
// The 700-byte memo ends in CR LF, "Строка 07:".
const LongRow kFoxLong = {1, 732, "zy dog.\r\n\xD1\xF2\xF0\xEE\xEA\xE0 07:|"};

const FixtureTable kTables[] = {
    {"db3_memo",
     "db3_memo.dbt",
     7,
     // "Удалённая запись|0.00|20200505|T|Эта запись помечена удалённой.|"
     {4,
      "\xD3\xE4\xE0\xEB\xB8\xED\xED\xE0\xFF \xE7\xE0\xEF\xE8\xF1\xFC|0.00|20200505|T|\xDD\xF2\xE0 "
      "\xE7\xE0\xEF\xE8\xF1\xFC \xEF\xEE\xEC\xE5\xF7\xE5\xED\xE0 \xF3\xE4\xE0\xEB\xB8\xED\xED\xEE"
      "\xE9.|"},
     // "Иванов Иван|1.50|20240131|T|Первая заметка: кириллица в Windows-1251.|"
     {1,
      "\xC8\xE2\xE0\xED\xEE\xE2 \xC8\xE2\xE0\xED|1.50|20240131|T|\xCF\xE5\xF0\xE2\xE0\xFF "
      "\xE7\xE0\xEC\xE5\xF2\xEA\xE0: \xEA\xE8\xF0\xE8\xEB\xEB\xE8\xF6\xE0 \xE2 Windows-1251.|"},
     // Three blocks with CR LF inside; then exactly one block of 510 bytes.
     {{3, 1179, " over the lazy dog.|"},
      {6, 542, "\xE0 \xE8 \xE4\xE2\xE0 \xE1\xE0\xE9\xF2\xE0 0x1A.|"}}},
    {"xbase_memo",
     "xbase_memo.dbt",
     5,
     // "Стёртая|1.00|20000101|T|Удалена через XBase.|"
     {3,
      "\xD1\xF2\xB8\xF0\xF2\xE0\xFF|1.00|20000101|T|\xD3\xE4\xE0\xEB\xE5\xED\xE0 \xF7\xE5\xF0\xE5"
      "\xE7 XBase.|"},
     // "Юрий Ёжиков|42.00|20260307|T|Последняя строка XBase.|"
     {5,
      "\xDE\xF0\xE8\xE9 \xA8\xE6\xE8\xEA\xEE\xE2|42.00|20260307|T|\xCF\xEE\xF1\xEB\xE5\xE4\xED"
      "\xFF\xFF \xF1\xF2\xF0\xEE\xEA\xE0 XBase.|"},
     {{2, 824, "mps over the lazy d|"}}},
    {"vfp_memo", "vfp_memo.fpt", 5, kFoxDeleted, kFoxLive, {kFoxLong}},
    {"fox_memo", "fox_memo.fpt", 5, kFoxDeleted, kFoxLive, {kFoxLong}},
};

// Records whose fields are partly or wholly empty.
// "Пустые поля|||?||", "Без памятки|||?||", "Пустая памятка|0.00||?||",
// "Без памятки|||F||"
const struct {
  const char* table;
  Row row;
} kEmptyFields[] = {
    {"db3_memo", {5, "\xCF\xF3\xF1\xF2\xFB\xE5 \xEF\xEE\xEB\xFF|||?||"}},
    {"xbase_memo", {4, "\xC1\xE5\xE7 \xEF\xE0\xEC\xFF\xF2\xEA\xE8|||?||"}},
    {"vfp_memo", {3, "\xCF\xF3\xF1\xF2\xE0\xFF \xEF\xE0\xEC\xFF\xF2\xEA\xE0|0.00||?||"}},
    {"vfp_memo", {4, "\xC1\xE5\xE7 \xEF\xE0\xEC\xFF\xF2\xEA\xE8|||F||"}},
    {"fox_memo", {3, "\xCF\xF3\xF1\xF2\xE0\xFF \xEF\xE0\xEC\xFF\xF2\xEA\xE0|0.00||?||"}},
    {"fox_memo", {4, "\xC1\xE5\xE7 \xEF\xE0\xEC\xFF\xF2\xEA\xE8|||F||"}},
};

void PrintTo(const FixtureTable& table, std::ostream* out) { *out << table.name; }

class ReadSessionsTest : public PluginSession, public ::testing::WithParamInterface<FixtureTable> {
 protected:
  void ExpectRow(const Row& row) {
    dll().GoTo(row.record);
    EXPECT_EQ(dll().Text("getcurrecall"), row.values) << "record " << row.record;
  }
};

TEST_P(ReadSessionsTest, ReadExportsGiveWhatTheOtherWriterStored) {
  const FixtureTable& t = GetParam();
  const std::string table = dir_.CopyFixture(t.name + ".dbf", t.name + ".dbf");
  const std::string memo = dir_.CopyFixture(t.memo, t.name + ".dbt");
  const std::string table_before = ReadWholeFile(table);
  const std::string memo_before = ReadWholeFile(memo);

  EXPECT_EQ(dll().Load(table), memo);
  dll().SetData(-1);
  EXPECT_EQ(dll().FieldCount(), 5);
  EXPECT_EQ(dll().Ask("getfields", "old content"), kFields);
  EXPECT_EQ(dll().RecordCount(), t.records);
  EXPECT_EQ(dll().CurrentRecord(), 1);

  ExpectRow(t.deleted);
  ExpectRow(t.live);
  for (const auto& empty : kEmptyFields) {
    if (t.name == empty.table) ExpectRow(empty.row);
  }
  for (const LongRow& row : t.long_rows) {
    dll().GoTo(row.record);
    const std::string values = dll().Text("getcurrecall");
    EXPECT_EQ(values.size(), row.length) << "record " << row.record;
    EXPECT_TRUE(values.ends_with(row.ending)) << "record " << row.record;
  }

  // Names are found as stored or all in lower case; other spellings and
  // unknown names give an empty item in their place.
  dll().GoTo(t.deleted.record);
  const std::string name = Item(t.deleted.values, 0);
  EXPECT_EQ(dll().Ask("getcurn", "NAME|name|Name|CITY|NOTES"),
            name + "|" + name + "|||" + Item(t.deleted.values, 4) + "|");
  EXPECT_EQ(dll().CurrentRecord(), t.deleted.record);

  // A record beyond the last gives an empty item; the cursor stays on the
  // last record listed.
  EXPECT_EQ(dll().Ask("getarrayrecords", "PRICE|" + std::to_string(t.deleted.record) + "|99|" +
                                             std::to_string(t.live.record) + "|"),
            Item(t.deleted.values, 1) + "||" + Item(t.live.values, 1) + "|");
  EXPECT_EQ(dll().CurrentRecord(), t.live.record);
  EXPECT_EQ(dll().Ask("getarrayrecords", "NOTES| 2|"), "|");
  EXPECT_EQ(dll().CurrentRecord(), 0);

  // Reading writes nothing.
  EXPECT_EQ(ReadWholeFile(table), table_before);
  EXPECT_EQ(ReadWholeFile(memo), memo_before);
}

INSTANTIATE_TEST_SUITE_P(OtherWriters, ReadSessionsTest, ::testing::ValuesIn(kTables),
                         [](const ::testing::TestParamInfo<FixtureTable>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace quillon::testing
