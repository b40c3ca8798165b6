#include "engine/creation.h"

#include "engine/cursor.h"
#include "engine/engine_test_support.h"
#include "engine/fields.h"

namespace quillon::engine {
namespace {

using testing::EngineTest;
using testing::ReadWholeFile;
using testing::U16At;
using testing::U32At;

class CreationTest : public EngineTest {
 protected:
  CreationTest() { platform_.today = platform::LocalDate{2026, 3, 7}; }

  // Creates t.dbf from the definitions and returns its bytes.
  std::string Create(const FieldDefs& defs, bool expected = true) {
    path_ = dir_.File("t.dbf");
    auto table = NewDbfTable("", "");
    EXPECT_EQ(CreateTable(*table, path_, defs), expected);
    return FileBytes();
  }

  // name, type, width, decimals and stored offset of descriptor i (0-based).
  static std::string Desc(const std::string& b, size_t i) {
    const size_t at = 32 + 32 * i;
    std::string name = b.substr(at, 11);
    name = name.substr(0, name.find('\0'));
    return name + " " + b[at + 11] + std::to_string(static_cast<uint8_t>(b[at + 16])) + "," +
           std::to_string(static_cast<uint8_t>(b[at + 17])) + " @" + std::to_string(U32At(b, at + 12));
  }
};

TEST_F(CreationTest, AnEmptyListMakesTheSmallestTable) {
  const std::string b = Create({});
  EXPECT_EQ(b.size(), 34u);
  EXPECT_EQ(b.substr(0, 12), std::string("\x03\x1A\x03\x07\0\0\0\0\x21\0\x01\0", 12));
  EXPECT_EQ(b.substr(12, 20), std::string(20, '\0'));
  EXPECT_EQ(b.substr(32), "\x0D\x1A");
  EXPECT_FALSE(platform::Native().IsExistingFile(dir_.File("t.dbt")));
}

TEST_F(CreationTest, TwoFieldsGiveTheDocumentedLayout) {
  const std::string b = Create({"NAME=C10", "AGE=N3"});
  ASSERT_EQ(b.size(), 98u);
  EXPECT_EQ(b[0], '\x03');
  EXPECT_EQ(U32At(b, 4), 0u);
  EXPECT_EQ(U16At(b, 8), 97);
  EXPECT_EQ(U16At(b, 10), 14);
  EXPECT_EQ(Desc(b, 0), "NAME C10,0 @0");
  EXPECT_EQ(Desc(b, 1), "AGE N3,0 @10");
  EXPECT_EQ(b.substr(64 + 18, 14), std::string(14, '\0'));
  EXPECT_EQ(b.substr(96), "\x0D\x1A");
  DbfTable& t = OpenPath(path_);
  EXPECT_EQ(t.fields[2].offset, 12u);
  EXPECT_EQ(t.currentRecord, 0u);
}

TEST_F(CreationTest, DefinitionsAreReadByTheirRules) {
  const std::string b = Create({"name=c20", "PRICE=N10,2", "BORN=D8", "C30", "", "NOTE=M4",
                                "FLAG=L5", " averyverylongname = C5 ", "AMOUNT=N25,4", "X=N2,1",
                                "Y=N5,9", "A=C0", "A=C00", "A=Cabc", "A=C300", "A=C-3", "Z=Q12",
                                "N", "W=C 7 , 3", "E="});
  const std::vector<std::string> expected = {
      "NAME C20,0 @0",        "PRICE N10,2 @20", "BORN D16,0 @30",  "FIELD3 C30,0 @46",
      "FIELD4 C10,0 @76",     "NOTE M10,0 @86",  "FLAG L1,0 @96",   "AVERYVERYL C5,0 @97",
      "AMOUNT N18,4 @102",    "X N2,0 @120",     "Y N5,3 @122",     "A C1,0 @127",
      "A C8,0 @128",          "A C8,0 @136",     "A C255,0 @144",   "A C255,0 @399",
      "Z C8,0 @654",          "FIELD17 N10,0 @662", "W C7,0 @672",  "E C10,0 @679"};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(Desc(b, i), expected[i]) << i;
  EXPECT_EQ(b[0], '\x83');
  EXPECT_EQ(U16At(b, 10), 690);
  EXPECT_EQ(ReadWholeFile(dir_.File("t.dbt")), std::string("\x01\0\0\0", 4));
}

TEST_F(CreationTest, OffsetsAndLengthsOfAMixedList) {
  const std::string b = Create({"A=C10", "B=N5,2", "C=D"});
  EXPECT_EQ(Desc(b, 1), "B N5,2 @10");
  EXPECT_EQ(Desc(b, 2), "C D16,0 @15");
  EXPECT_EQ(U16At(b, 10), 32);
  EXPECT_EQ(U16At(b, 8), 129);
}

TEST_F(CreationTest, AtMostOneHundredTwentyEightFields) {
  FieldDefs defs(130, "F=C1");
  const std::string b = Create(defs);
  EXPECT_EQ(U16At(b, 8), 32 * 128 + 33);
  EXPECT_EQ(b.size(), 32u * 128 + 34);
}

TEST_F(CreationTest, ARecordLargerThanTheBufferCreatesNothing) {
  FieldDefs defs(18, "F=C255");  // 4590 bytes
  defs.push_back("G=C209");      // 4799 bytes: still fits with the flag
  Create(defs);
  defs.push_back("H=C1");
  auto table = NewDbfTable("", "");
  EXPECT_FALSE(CreateTable(*table, dir_.File("big.dbf"), defs));
  EXPECT_FALSE(platform::Native().IsExistingFile(dir_.File("big.dbf")));
}

TEST_F(CreationTest, ATableNameWithoutDbfGetsNoMemoFile) {
  auto table = NewDbfTable("", "");
  const std::string path = dir_.File("t.xyz");
  EXPECT_FALSE(CreateTable(*table, path, {"NOTE=M"}));
  const std::string b = ReadWholeFile(path);
  EXPECT_EQ(b.size(), 66u);  // the table itself is complete
  EXPECT_EQ(b[0], '\x83');
}

TEST_F(CreationTest, AFileHeldOpenIsNeitherReplacedNorCut) {
  DbfTable& open = Open(People());
  auto other = NewDbfTable("", "");
  EXPECT_FALSE(CreateTable(*other, path_, {"X=C1"}));
  EXPECT_EQ(FileBytes(), People().Build());
  EXPECT_TRUE(open.isOpen);
}

TEST_F(CreationTest, AFailingWriteIsReported) {
  platform_.fail = testing::FaultPlatform::FailNth(testing::Op::kWrite, 2);
  auto table = NewDbfTable("", "");
  EXPECT_FALSE(CreateTable(*table, dir_.File("t.dbf"), {"A=C1", "B=C2"}));
}

TEST_F(CreationTest, FieldDefinitionsCopyAStructureNormalised) {
  testing::TableBytes bytes;
  bytes.version = 0x30;
  bytes.fields = {{"name", 'C', 20}, {"PRICE", 'N', 22, 4}, {"BORN", 'D', 8}, {"ODD", 'F', 6, 2},
                  {"NOTE", 'M', 4}};
  DbfTable& source = Open(bytes);
  FieldDefs defs = {"stale"};
  ASSERT_TRUE(GetFieldDefs(source, defs));
  EXPECT_EQ(defs, (FieldDefs{"NAME=C20,0", "PRICE=N22,4", "BORN=D8,0", "ODD=F6,2", "NOTE=M4,0"}));
  ASSERT_TRUE(CreateTableLike(source, dir_.File("copy.dbf")));
  const std::string b = ReadWholeFile(dir_.File("copy.dbf"));
  EXPECT_EQ(b[0], '\x83');
  EXPECT_EQ(Desc(b, 1), "PRICE N18,4 @20");
  EXPECT_EQ(Desc(b, 2), "BORN D16,0 @38");
  EXPECT_EQ(Desc(b, 3), "ODD C8,0 @54");
  EXPECT_EQ(Desc(b, 4), "NOTE M10,0 @62");
  SetActive(source, false);
  EXPECT_FALSE(GetFieldDefs(source, defs));
  EXPECT_FALSE(CreateTableLike(source, dir_.File("none.dbf")));
  EXPECT_FALSE(platform::Native().IsExistingFile(dir_.File("none.dbf")));
}

}  // namespace
}  // namespace quillon::engine
