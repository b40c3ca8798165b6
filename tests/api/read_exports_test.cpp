#include "engine/table.h"
#include "helpers/host_session.h"
#include "helpers/json_lite.h"
#include "helpers/memo_bytes.h"
#include "helpers/table_bytes.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

class ReadExportsTest : public HostSession {
 protected:
  // NAME C 10, AGE N 3, NOTE M; Birch 42 with memo 1, Cedar 7 with memo 2.
  static TableBytes Example() {
    TableBytes t;
    t.version = 0x83;
    t.fields = {{"name", 'C', 10}, {"AGE", 'N', 3}, {"NOTE", 'M', 10}};
    t.records = {"Birch      42         1", "Cedar       7         2"};
    return t;
  }
  // The example with its memos "first note" and "call back".
  void LoadExample(const std::vector<std::string>& memos = {"first note", "call back"}) {
    dir_.Write("t.dbt", FixedMemoFile(memos));
    Load(dir_.Write("t.dbf", Example().Build()));
  }

  std::string Text(void (*exported)()) { return CallWithText(exported, "old content"); }
};

TEST_F(ReadExportsTest, NamesAndValuesOfTheCurrentRecord) {
  LoadExample();
  EXPECT_EQ(CallWithData(fiedscount, -5), 3);
  EXPECT_EQ(Text(getfields), "NAME|AGE|NOTE|");
  EXPECT_EQ(Text(getcurrecall), "Birch|42|first note|");
  EXPECT_EQ(CallWithText(getcurn, "AGE|NAME|"), "42|Birch|");
  EXPECT_EQ(CallWithText(getcurn, "AGE|NAME"), "42|Birch|");
  EXPECT_EQ(CallWithText(getcurn, "note|NAME"), "first note|Birch|");
  EXPECT_EQ(CallWithText(getcurn, "NAME|CITY|AGE|"), "Birch||42|");
  EXPECT_EQ(CallWithText(getcurn, "NAME||AGE"), "Birch||42|");
  EXPECT_EQ(CallWithText(getcurn, ""), "");
  next1();
  EXPECT_EQ(Text(getcurrecall), "Cedar|7|call back|");
  CallWithData(gotorec, 0);
  EXPECT_EQ(Text(getcurrecall), "|||");
  EXPECT_EQ(CurrentRecord(), 0);
}

TEST_F(ReadExportsTest, OneFieldOverAListOfRecords) {
  LoadExample();
  EXPECT_EQ(CallWithText(getarrayrecords, "AGE|2|1|"), "7|42|");
  EXPECT_EQ(CurrentRecord(), 1);
  EXPECT_EQ(CallWithText(getarrayrecords, "NOTE|2"), "call back|");
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(CallWithText(getarrayrecords, "NAME|5|1|"), "|Birch|");
  EXPECT_EQ(CallWithText(getarrayrecords, "NAME| 1|"), "|");
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(CallWithText(getarrayrecords, "NAME|1x|"), "Birch|");
  EXPECT_EQ(CallWithText(getarrayrecords, "NAME|+2|-1|"), "Cedar||");
  EXPECT_EQ(CurrentRecord(), 2);  // -1 is beyond the last record
  EXPECT_EQ(CallWithText(getarrayrecords, "NAME"), "");
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_EQ(CallWithText(getarrayrecords, ""), "");
}

TEST_F(ReadExportsTest, MemoValuesAreTrimmedOnlyAtTheirEnds) {
  LoadExample({"\r\n  a|b\r\nc \t\r\n", std::string("x\0y", 3)});
  EXPECT_EQ(Text(getcurrecall), "Birch|42|a|b\r\nc|");
  next1();
  EXPECT_EQ(CallWithText(getcurn, "NOTE"), "x|");  // a value ends at its first NUL
}

TEST_F(ReadExportsTest, WithoutAMemoFileMemoFieldsAreEmpty) {
  Load(dir_.Write("t.dbf", Example().Build()));
  EXPECT_EQ(Text(getcurrecall), "Birch|42||");
}

TEST_F(ReadExportsTest, NothingHappensBeforeATableIsLoaded) {
  for (auto exported : {fiedscount, getfields, getcurn, getcurrecall, getarrayrecords}) {
    SetFile("NAME|1|");
    SetData(5);
    exported();
    EXPECT_EQ(std::string(GetFile()), "NAME|1|");
    EXPECT_EQ(GetData(), 5);
  }
}

// Bytes up to 0x20 removed from both ends, as the fixtures' description puts it.
std::string Stripped(const std::string& raw) {
  size_t begin = 0, end = raw.size();
  while (begin < end && static_cast<unsigned char>(raw[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(raw[end - 1]) <= 0x20) --end;
  return raw.substr(begin, end - begin);
}

TEST_F(ReadExportsTest, EveryRecordOfEveryFixtureTableReadsAsItsWriterStoredIt) {
  for (const char* name :
       {"db3_memo", "db3_plain", "db3_empty", "xbase_memo", "vfp_memo", "fox_memo",
        "gdal_plain"}) {
    SCOPED_TRACE(name);
    const Json fixture = ParseJson(ReadWholeFile(FixturePath(std::string(name) + ".json")));
    const std::string table = dir_.CopyFixture(fixture["table"].text, fixture["table"].text);
    if (!fixture["memo_file"].IsNull()) {
      dir_.CopyFixture(fixture["memo_file"].text, fixture["library_memo_file"].text);
    }
    Load(table);
    engine::TakeLastError(Resident());  // an empty table opens with no current record
    const auto& fields = fixture["fields"].items;
    const auto& records = fixture["records"].items;
    std::string names;
    for (const Json& field : fields) names += field["name"].text + "|";
    EXPECT_EQ(Text(getfields), names);
    ASSERT_EQ(CallWithData(countrec, 0), static_cast<int32_t>(records.size()));
    for (size_t r = 0; r < records.size(); ++r) {
      std::string expected;
      for (size_t f = 0; f < fields.size(); ++f) {
        const std::string& field = fields[f]["name"].text;
        if (fields[f]["type"].text == "M") {
          const Json& memo = records[r]["memos"][field];
          expected += (memo.IsNull() ? "" : Stripped(memo.text)) + "|";
        } else {
          expected += Stripped(records[r]["values"].items[f].text) + "|";
        }
      }
      CallWithData(gotorec, static_cast<int32_t>(r + 1));
      EXPECT_EQ(Text(getcurrecall), expected) << "record " << r + 1;
    }
    EXPECT_EQ(Resident().lastErrorCode, 0) << Resident().lastErrorText;
    // A table without records reads as one empty value per field.
    if (records.empty()) {
      EXPECT_EQ(Text(getcurrecall), std::string(fields.size(), '|'));
    }
  }
}

}  // namespace
}  // namespace quillon::testing
