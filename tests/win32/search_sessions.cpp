// Search sessions: finddata with Windows-1251 case folding, whatever the
// system's code page, and with wildcards, and getdataotdo in its request
// forms.
#include <string>
#include <vector>

#include "check.h"
#include "expected_messages.h"
#include "plugin.h"
#include "table_builder.h"
#include "table_sessions.h"

namespace host_test {

namespace {

// "Москва", "Смоленск", "МОСТ", "ЁЛКА", "ёжик"
const std::string kMoscow = "\xCC\xEE\xF1\xEA\xE2\xE0";
const std::string kSmolensk = "\xD1\xEC\xEE\xEB\xE5\xED\xF1\xEA";
const std::string kBridge = "\xCC\xCE\xD1\xD2";
const std::string kFirTree = "\xA8\xCB\xCA\xC0";
const std::string kHedgehog = "\xB8\xE6\xE8\xEA";
// "первая строка" CR LF "вторая СТРОКА", and "  с пробелами  "
const std::string kTwoLines =
    "\xEF\xE5\xF0\xE2\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0\r\n\xE2\xF2\xEE\xF0\xE0\xFF "
    "\xD1\xD2\xD0\xCE\xCA\xC0";
const std::string kWithBlanks = "\xF1 \xEF\xF0\xEE\xE1\xE5\xEB\xE0\xEC\xE8";

const std::vector<FieldSpec> kCityFields = {{"NAME", 'C', 12}, {"CITY", 'C', 10}, {"NOTE", 'M', 10}};

// A request, the answer expected in the text slot, and the record the
// cursor is left on.
struct Exchange {
  std::string request;
  std::string answer;
  int32_t cursor;
};

void CheckExchanges(const Plugin& dll, Plugin::Action search,
                    const std::vector<Exchange>& exchanges) {
  for (const Exchange& e : exchanges) {
    const std::string request = Escaped(e.request);
    CheckEqual(dll.Ask(search, e.request), e.answer, ("answer to " + request).c_str(), __FILE__,
               __LINE__);
    CheckEqual(dll.CurrentRecord(), e.cursor, ("cursor after " + request).c_str(), __FILE__,
               __LINE__);
  }
}

void Find(Scratch& scratch) {
  Section("finddata");
  CHECK(scratch.Write("cities.dbf", BuildTable(kCityFields,
                                               {{"xabcx", kMoscow, MemoPointer(1)},
                                                {"ABC", kSmolensk, MemoPointer(2)},
                                                {"ac", kBridge},
                                                {"", kFirTree},
                                                {"50% a x", kHedgehog},
                                                {"ax", ""}},
                                               0x83)));
  CHECK(scratch.Write("cities.dbt", BuildMemoFile({kTwoLines, "  " + kWithBlanks + "  "})));
  Session session;
  const Plugin& dll = *session;
  dll.Load(scratch.Path("cities.dbf"));
  // Every search reads every record and so ends on the last one.
  CheckExchanges(dll, dll.finddata, {
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
  CHECK(scratch.Write("nobody.dbf", BuildTable(kCityFields, {})));
  dll.Load(scratch.Path("nobody.dbf"));
  CheckExchanges(dll, dll.finddata, {{"NAME=", "", 0}});
  CHECK_MESSAGES();
}

void Ranges(Scratch& scratch) {
  Section("getdataotdo");
  Session session;
  const Plugin& dll = *session;
  dll.Load(scratch.Path("cities.dbf"));
  CheckExchanges(dll, dll.getdataotdo, {
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
  CHECK_MESSAGES();
}

}  // namespace

void SearchSessions(Scratch& scratch) {
  Find(scratch);
  Ranges(scratch);
}

}  // namespace host_test
