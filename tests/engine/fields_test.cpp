#include "engine/engine_test_support.h"
#include "engine/fields.h"

namespace quillon::engine {
namespace {

using testing::EngineTest;
using testing::TableBytes;

class FieldsTest : public EngineTest {
 protected:
  // NAME C10, PRICE N8.2, BORN D8, OK L1, NOTE M10, ODD F4, DEC N3.3
  DbfTable& OpenMixed() {
    TableBytes bytes;
    bytes.fields = {{"NAME", 'C', 10},    {"PRICE", 'N', 8, 2}, {"BORN", 'D', 8}, {"OK", 'L', 1},
                    {"NOTE", 'M', 10},    {"ODD", 'F', 4},      {"DEC", 'N', 3, 3}};
    bytes.records = {std::string("abc\0\0\0\0\0\0\0", 10) + "   12.50" + "20240131" + "T" +
                     "        12" + "1.5 " + ".25"};
    return Open(bytes);
  }

  std::string Bytes(const DbfTable& t, int field) {
    const auto& d = t.fields[static_cast<size_t>(field)];
    return std::string(t.recordBuffer.begin() + d.offset - 1,
                       t.recordBuffer.begin() + d.offset - 1 + d.width);
  }
};

TEST_F(FieldsTest, NamesAreFoundByTheirCaseAndBlankRules) {
  DbfTable& t = OpenMixed();
  EXPECT_EQ(FieldIndex(t, "NAME"), 1);
  EXPECT_EQ(FieldIndex(t, "name"), 1);
  EXPECT_EQ(FieldIndex(t, "Name"), 0);
  EXPECT_EQ(FieldIndex(t, " NAME"), 0);
  EXPECT_EQ(FieldIndex(t, "NAME extra"), 1);
  EXPECT_EQ(FieldIndex(t, "price"), 2);
  EXPECT_EQ(FieldIndex(t, ""), 0);
  EXPECT_EQ(t.lastErrorCode, 0);
  // Another program's name with a blank inside is found by its listed text.
  TableBytes foreign;
  // So is one stored in small letters, and a control byte stays part of it.
  foreign.fields = {{"MY", 'C', 2}, {"MY NAME", 'C', 2}, {"city", 'C', 2}, {"\x13ID", 'C', 2}};
  foreign.records = {"aabbccdd"};
  DbfTable& other = Open(foreign);
  EXPECT_EQ(FieldIndex(other, "MY NAME"), 2);
  EXPECT_EQ(FieldIndex(other, "MY OTHER"), 1);
  EXPECT_EQ(FieldIndex(other, "city"), 3);
  EXPECT_EQ(FieldIndex(other, "CITY"), 3);
  EXPECT_EQ(FieldIndex(other, "\x13ID"), 4);
  EXPECT_EQ(FieldIndex(other, "ID"), 0);
}

TEST_F(FieldsTest, RepeatedAndUnterminatedNamesFollowTheDescriptors) {
  TableBytes bytes;
  bytes.fields = {{"SAME", 'C', 2}, {"SAME", 'C', 2}, {"ELEVENBYTES", 'C', 2}};
  bytes.records = {"aabbcc"};
  DbfTable& t = Open(bytes);
  EXPECT_EQ(FieldIndex(t, "SAME"), 1);
  // Found by the name it is listed with, never by bytes it does not list.
  EXPECT_EQ(FieldName(t, 3), "ELEVENBYTE");
  EXPECT_EQ(FieldIndex(t, "ELEVENBYTE"), 3);
  EXPECT_EQ(FieldIndex(t, "ELEVENBYTES"), 0);
}

TEST_F(FieldsTest, TextsAndTypeCodesComeFromTheBuffer) {
  DbfTable& t = OpenMixed();
  EXPECT_EQ(FieldText(t, 1), "abc");
  EXPECT_EQ(FieldText(t, 2), "   12.50");
  EXPECT_EQ(FieldText(t, 3), "20240131");
  EXPECT_EQ(FieldText(t, 4), "T");
  EXPECT_EQ(FieldText(t, 5), "        12");
  const std::vector<uint8_t> codes = {1, 3, 2, 4, 5, 0, 3};
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(FieldTypeCode(t, i), codes[static_cast<size_t>(i - 1)]);
  EXPECT_EQ(t.lastErrorCode, 0);
}

TEST_F(FieldsTest, BadFieldNumbersGiveEmptyAnswersAndTheirErrors) {
  DbfTable& t = OpenMixed();
  EXPECT_EQ(FieldText(t, 0), "");
  EXPECT_EQ(t.lastErrorText, "Field by number: bad field number # 0");
  EXPECT_EQ(FieldText(t, 8), "");
  EXPECT_EQ(t.lastErrorText, "Field by number: bad field number # 8");
  EXPECT_EQ(FieldName(t, -1), "");
  EXPECT_EQ(t.lastErrorText, "Field name error: bad field number # -1");
  EXPECT_EQ(FieldTypeCode(t, 9), 0);
  EXPECT_EQ(t.lastErrorText, "Field type error: bad field number # 9");
}

TEST_F(FieldsTest, ValuesAreFittedByTypeLetter) {
  DbfTable& t = OpenMixed();
  PutFieldByNumber(t, 1, "ABCDEFGHIJKLMN");
  EXPECT_EQ(Bytes(t, 1), "ABCDEFGHIJ");
  PutFieldByNumber(t, 1, "");
  EXPECT_EQ(Bytes(t, 1), std::string(10, ' '));
  PutFieldByNumber(t, 3, "31.01.2024 and more");
  EXPECT_EQ(Bytes(t, 3), "31.01.20");
  PutFieldByNumber(t, 4, "yes");
  EXPECT_EQ(Bytes(t, 4), "y");
  PutFieldByNumber(t, 5, "17");
  EXPECT_EQ(Bytes(t, 5), "        17");
  PutFieldByNumber(t, 6, "xy");
  EXPECT_EQ(Bytes(t, 6), "xy  ");
  EXPECT_EQ(t.lastErrorCode, 0);
  EXPECT_TRUE(t.recordModified);
}

TEST_F(FieldsTest, NumbersKeepTheirRightEndAndReportAMisplacedPoint) {
  DbfTable& t = OpenMixed();
  PutFieldByNumber(t, 2, "12.50");
  EXPECT_EQ(Bytes(t, 2), "   12.50");
  EXPECT_EQ(t.lastErrorCode, 0);
  PutFieldByNumber(t, 2, "12.5");
  EXPECT_EQ(Bytes(t, 2), "    12.5");  // stored all the same
  EXPECT_EQ(t.lastErrorText, "Decimal point out of good position. Field # 2");
  TakeLastError(t);
  // A number that does not fit is refused rather than cut into another one.
  PutFieldByNumber(t, 2, "123456.78");
  EXPECT_EQ(Bytes(t, 2), "    12.5");
  EXPECT_EQ(t.lastErrorText, "Field size error: bad field number # 2");
  TakeLastError(t);
  PutFieldByNumber(t, 2, "   1234.56");
  EXPECT_EQ(Bytes(t, 2), " 1234.56");
  EXPECT_EQ(t.lastErrorCode, 0);
  // No room for a point before the decimals: always reported, nothing read
  // outside the fitted text.
  PutFieldByNumber(t, 7, ".25");
  EXPECT_EQ(Bytes(t, 7), ".25");
  EXPECT_EQ(t.lastErrorText, "Decimal point out of good position. Field # 7");
}

TEST_F(FieldsTest, NumbersWithoutDecimalsAreNeverChecked) {
  TableBytes bytes;
  bytes.fields = {{"QTY", 'N', 5}};
  bytes.records = {"    1"};
  DbfTable& t = Open(bytes);
  PutFieldByNumber(t, 1, "12345");
  EXPECT_EQ(Bytes(t, 1), "12345");
  PutFieldByNumber(t, 1, "");
  EXPECT_EQ(Bytes(t, 1), "     ");
  EXPECT_EQ(t.lastErrorCode, 0);
}

TEST_F(FieldsTest, BadTargetsStoreNothing) {
  DbfTable& t = OpenMixed();
  auto before = t.recordBuffer;
  PutFieldByNumber(t, 0, "x");
  EXPECT_EQ(t.lastErrorText, "Put field by number: bad number # 0");
  PutFieldByNumber(t, 8, "x");
  EXPECT_EQ(t.lastErrorText, "Put field by number: bad number # 8");
  EXPECT_FALSE(t.recordModified);
  PutFieldByName(t, "Name", "x");
  EXPECT_EQ(t.lastErrorText, "Put field by name: field not found: Name");
  PutFieldByName(t, "", "x");
  EXPECT_EQ(t.lastErrorText, "Put field by name: field not found: ");
  EXPECT_EQ(t.recordBuffer, before);
  PutFieldByName(t, "name", "Oak");
  EXPECT_EQ(FieldText(t, 1), "Oak");
}

// Widths that add up past the record buffer (possible in foreign files) are
// read and written only as far as the buffer goes.
TEST_F(FieldsTest, FieldsBeyondTheRecordBufferStayInsideIt) {
  TableBytes bytes;
  for (int i = 0; i < 20; ++i) bytes.fields.push_back({"F" + std::to_string(i), 'C', 255});
  bytes.recordLength = 4800;
  bytes.records = {std::string(4799, 'q')};
  DbfTable& t = Open(bytes);
  ASSERT_TRUE(t.isOpen);
  EXPECT_EQ(FieldText(t, 19).size(), 4800u - (2 + 18 * 255) + 1);
  EXPECT_EQ(FieldText(t, 20), "");
  PutFieldByNumber(t, 19, std::string(255, 'w'));
  PutFieldByNumber(t, 20, std::string(255, 'w'));
  EXPECT_EQ(t.recordBuffer.back(), 'w');
}

}  // namespace
}  // namespace quillon::engine
