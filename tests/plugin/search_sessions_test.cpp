// Search sessions: finddata with Windows-1251 case folding, whatever the
// system's code page, and with wildcards, and getdataotdo in its request
// forms. The Windows build runs these again under another code page.
#include <string>
#include <vector>

#include "helpers/memo_bytes.h"
#include "helpers/table_bytes.h"
#include "plugin/plugin_test_support.h"

namespace quillon::testing {
namespace {

// "Москва", "Смоленск", "МОСТ", "ЁЛКА", "ёжик"
const std::string kMoscow = "\xCC\xEE\xF1\xEA\xE2\xE0";
const std::string kSmolensk = "\xD1\xEC\xEE\xEB\xE5\xED\xF1\xEA";
const std::string kBridge = "\xCC\xCE\xD1\xD2";
const std::string kFirTree = "\xA8\xCB\xCA\xC0";
const std::string kHedgehog = "\xB8\xE6\xE8\xEA";
// "первая строка" CR LF "вторая СТРОКА", and "с пробелами"
const std::string kTwoLines =
    "\xEF\xE5\xF0\xE2\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0\r\n\xE2\xF2\xEE\xF0\xE0\xFF "
    "\xD1\xD2\xD0\xCE\xCA\xC0";
const std::string kWithBlanks = "\xF1 \xEF\xF0\xEE\xE1\xE5\xEB\xE0\xEC\xE8";

// A request, the answer expected in the text slot, and the record the
// cursor is left on.
struct Exchange {
  std::string request;
  std::string answer;
  int32_t cursor;
};

// NAME C12, CITY C10, NOTE M10: six cities, the first two with memo texts.
class SearchSessionsTest : public PluginSession {
 protected:
  void SetUp() override {
    PluginSession::SetUp();
    TableBytes t = Cities();
    t.AddValues({"xabcx", kMoscow, MemoPointer(1)});
    t.AddValues({"ABC", kSmolensk, MemoPointer(2)});
    t.AddValues({"ac", kBridge});
    t.AddValues({"", kFirTree});
    t.AddValues({"50% a x", kHedgehog});
    t.AddValues({"ax", ""});
    dir_.Write("cities.dbt", FixedMemoFile({kTwoLines, "  " + kWithBlanks + "  "}));
    dll().Load(dir_.Write("cities.dbf", t.Build()));
  }

  static TableBytes Cities() {
    TableBytes t;
    t.version = 0x83;
    t.fields = {{"NAME", 'C', 12}, {"CITY", 'C', 10}, {"NOTE", 'M', 10}};
    t.afterRecords = "\x1A";
    return t;
  }

  void ExpectExchanges(const char* search, const std::vector<Exchange>& exchanges) {
    for (const Exchange& e : exchanges) {
      EXPECT_EQ(dll().Ask(search, e.request), e.answer) << "request " << e.request;
      EXPECT_EQ(dll().CurrentRecord(), e.cursor) << "cursor after " << e.request;
    }
  }
};

TEST_F(SearchSessionsTest, FinddataFoldsCyrillicCaseAndKnowsOnlyTwoWildcards) {
  // Every search reads every record and so ends on the last one.
  ExpectExchanges("finddata",
                  {
                      // Both Cyrillic cases fold, Ё and ё among them; the name is trimmed
                      // and upper-cased. "мос", "МОС", "ё", "Ё", "м?ст", "*к*а"
                      {"city=\xEC\xEE\xF1", "1|3|", 6},
                      {" City =\xCC\xCE\xD1", "1|3|", 6},
                      {"CITY=\xB8", "4|5|", 6},
                      {"CITY=\xA8", "4|5|", 6},
                      {"CITY=\xEC?\xF1\xF2", "3|", 6},
                      {"CITY=*\xEA*\xE0", "1|4|", 6},
                      // Only "*" and "?" are wildcards; the pattern keeps its blanks;
                      // empty values never match.
                      {"name=a?c", "1|2|", 6},
                      {"NAME=50%", "5|", 6},
                      {"NAME= x", "5|", 6},
                      {"NAME=", "1|2|3|5|6|", 6},
                      {"NAME", "1|2|3|5|6|", 6},
                      {"nosuchfield=a", "", 6},
                      // Memo texts are searched whole and trimmed. "СТРОКА" CR LF "ВТО"
                      {"NOTE=\xD1\xD2\xD0\xCE\xCA\xC0\r\n\xC2\xD2\xCE", "1|", 6},
                      {"NOTE=" + kWithBlanks, "2|", 6},
                      {"NOTE=  " + kWithBlanks, "", 6},
                  });

  // An empty table finds nothing and keeps its cursor.
  dll().Load(dir_.Write("nobody.dbf", Cities().Build()));
  ExpectExchanges("finddata", {{"NAME=", "", 0}});
}

TEST_F(SearchSessionsTest, GetdataotdoReadsRangesOfRecords) {
  ExpectExchanges("getdataotdo",
                  {
                      {"NAME|1|max#CITY|3|3#", "xabcx|ABC|ac||50% a x|ax|#" + kBridge + "|#", 3},
                      {"NAME|2|4", "ABC|ac||#", 4},
                      {"NOTE|1|3", kTwoLines + "|" + kWithBlanks + "||#", 3},
                      // No record when the range runs backwards; "MAX" is no "max".
                      {"NAME|5|2", "#", 3},
                      {"NAME|1|MAX", "#", 3},
                      // Record 0 is blank and leaves the cursor on no record.
                      {"NAME|0|0", "|#", 0},
                      {"NAME|x|2", "|xabcx|ABC|#", 2},
                      {"name|1|1#Name|1|1", "xabcx|#|#", 1},
                      // Beyond the last record: blank values, the cursor on the last one.
                      {"CITY|6|8", "|||#", 6},
                  });
}

}  // namespace
}  // namespace quillon::testing
