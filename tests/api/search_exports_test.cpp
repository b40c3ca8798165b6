#include "helpers/host_session.h"
#include "helpers/memo_bytes.h"
#include "helpers/table_bytes.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

// NAME C12, CITY C10, NOTE M.
class SearchExportsTest : public HostSession {
 protected:
  void LoadCities(const std::vector<std::pair<std::string, std::string>>& rows,
                  const std::vector<std::string>& notes = {}) {
    TableBytes t;
    t.version = 0x83;
    t.fields = {{"NAME", 'C', 12}, {"CITY", 'C', 10}, {"NOTE", 'M', 10}};
    for (size_t i = 0; i < rows.size(); ++i) {
      std::string record = rows[i].first;
      record.resize(12, ' ');
      std::string city = rows[i].second;
      city.resize(10, ' ');
      record += city;
      // Every note but the last fits one block.
      record += i < notes.size() ? MemoPointer(static_cast<int>(i) + 1) : std::string(10, ' ');
      t.records.push_back(record);
    }
    dir_.Write("t.dbt", FixedMemoFile(notes));
    Load(dir_.Write("t.dbf", t.Build()));
  }

  std::string Find(const std::string& request) { return CallWithText(finddata, request); }
  std::string Range(const std::string& request) { return CallWithText(getdataotdo, request); }
};

// "Москва", "Смоленск", "МОСТ", "ёлка", "ЁЛКА"
const std::string kMoscow = "\xCC\xEE\xF1\xEA\xE2\xE0";
const std::string kSmolensk = "\xD1\xEC\xEE\xEB\xE5\xED\xF1\xEA";
const std::string kBridge = "\xCC\xCE\xD1\xD2";
const std::string kFirTree = "\xB8\xEB\xEA\xE0";
const std::string kFirTreeUpper = "\xA8\xCB\xCA\xC0";

TEST_F(SearchExportsTest, CyrillicValuesMatchWithoutRegardToCase) {
  LoadCities({{"a", kMoscow}, {"b", kSmolensk}, {"c", kBridge}, {"d", kFirTreeUpper}});
  EXPECT_EQ(Find("city=\xEC\xEE\xF1"), "1|3|");  // "мос"
  EXPECT_EQ(Find(" City =\xEC\xEE\xF1"), "1|3|");  // the name is trimmed and upper-cased
  EXPECT_EQ(Find(" city =" + kFirTree), "4|");
  EXPECT_EQ(CurrentRecord(), 4);
}

TEST_F(SearchExportsTest, WildcardsBlanksAndEmptyValues) {
  LoadCities({{"xabcx", ""}, {"ABC", ""}, {"ac", ""}, {"", ""}, {"50% a x", ""}, {"ax", ""}});
  EXPECT_EQ(Find("name=a?c"), "1|2|");
  EXPECT_EQ(Find("NAME=50%"), "5|");
  EXPECT_EQ(Find("NAME= x"), "5|");  // the pattern keeps its blank
  EXPECT_EQ(Find("NAME="), "1|2|3|5|6|");
  EXPECT_EQ(Find("NAME"), "1|2|3|5|6|");
  EXPECT_EQ(Find("CITY="), "");
  EXPECT_EQ(Find("nosuchfield=a"), "");
  EXPECT_EQ(Find("=a"), "");
  EXPECT_EQ(Find("NAME=a=b|c#d"), "");
}

TEST_F(SearchExportsTest, MemoTextsAreSearchedWholeAndQuickly) {
  std::string long_note(100000, 'a');
  LoadCities({{"one", ""}, {"two", ""}, {"three", ""}},
             {"first line\r\nsecond LINE", "  padded  ", long_note});
  EXPECT_EQ(Find("NOTE=line\r\nsec"), "1|");
  EXPECT_EQ(Find("NOTE=padded"), "2|");
  EXPECT_EQ(Find("NOTE=  padded"), "");  // values are trimmed, patterns are not
  EXPECT_EQ(Find("NOTE=*a*a*a*a*a*a*a*a*a*a*b"), "");
  EXPECT_EQ(Find("NOTE=a*a*a*a?a"), "3|");
}

TEST_F(SearchExportsTest, AnEmptyTableFindsNothingAndKeepsTheCursor) {
  LoadCities({});
  EXPECT_EQ(Find("NAME="), "");
  EXPECT_EQ(CurrentRecord(), 0);
}

TEST_F(SearchExportsTest, RangesOfOneFieldInEveryRequestForm) {
  LoadCities({{"Ann", "Oslo"}, {"Bob", "Rome"}, {"Cy", "Kyiv"}, {"Dee", ""}}, {"n1", " n2 "});
  EXPECT_EQ(Range("NAME|2|4"), "Bob|Cy|Dee|#");
  EXPECT_EQ(CurrentRecord(), 4);
  EXPECT_EQ(Range("NAME|1|max#CITY|3|3#"), "Ann|Bob|Cy|Dee|#Kyiv|#");
  EXPECT_EQ(Range("NOTE|1|3"), "n1|n2||#");
  EXPECT_EQ(Range("NAME|5|2"), "#");
  EXPECT_EQ(Range("NAME|0|0"), "|#");
  EXPECT_EQ(CurrentRecord(), 0);
  EXPECT_EQ(Range("NAME|1|MAX"), "#");
  EXPECT_EQ(Range("NAME|x|3"), "|Ann|Bob|Cy|#");
  EXPECT_EQ(Range("NAME|1|3##"), "Ann|Bob|Cy|#|#");
  EXPECT_EQ(Range("name|1|1"), "Ann|#");
  EXPECT_EQ(Range("Name|1|2"), "||#");
  EXPECT_EQ(Range("NAME|-1|1|ignored"), "||Ann|#");
  EXPECT_EQ(Range("NAME|3|9"), "Cy|Dee||||||#");  // five records past the end
  EXPECT_EQ(CurrentRecord(), 4);
  EXPECT_EQ(Resident().lastErrorText, "Read record out of range. Rec # 9");
}

// Each answer is built in the buffer the last one left in the slot.
TEST_F(SearchExportsTest, AnAnswerHoldsNothingOfTheSlotsEarlierTexts) {
  LoadCities({{"Ann", "Oslo"}, {"Bob", "Rome"}});
  const std::string all = "Ann|Bob|#Oslo|Rome|#";
  EXPECT_EQ(Range("NAME|1|max#CITY|1|max"), all);
  EXPECT_EQ(Range("CITY|2|2"), "Rome|#");
  EXPECT_EQ(Range("NAME|1|2147483647"), "NAME|1|2147483647");  // refused: the request stays
  EXPECT_EQ(Range("NAME|1|max#CITY|1|max"), all);
  EXPECT_EQ(Range(""), "");
}

TEST_F(SearchExportsTest, NothingHappensBeforeATableIsLoaded) {
  EXPECT_EQ(Find("NAME=a"), "NAME=a");
  EXPECT_EQ(Range("NAME|1|2"), "NAME|1|2");
}

}  // namespace
}  // namespace quillon::testing
