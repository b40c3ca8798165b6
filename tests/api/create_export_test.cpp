#include <filesystem>
#include <optional>

#include "helpers/current_folder.h"
#include "helpers/host_session.h"
#include "helpers/table_bytes.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

// make writes into the current folder: each test runs inside its scratch one.
class CreateExportTest : public HostSession {
 protected:
  void SetUp() override {
    HostSession::SetUp();
    inScratch_.emplace(dir_.path());
  }
  void TearDown() override {
    inScratch_.reset();
    HostSession::TearDown();
  }
  std::string Make(const std::string& defs) { return CallWithText(make, defs); }

  std::optional<CurrentFolderScope> inScratch_;
};

TEST_F(CreateExportTest, CreatesNewbaseWithItsMemoFile) {
  EXPECT_EQ(Make("NAME=C20|PRICE=N10,2|NOTES=M"), "OK!");
  const std::string b = dir_.Read("newbase.dbf");
  EXPECT_EQ(b.size(), 32u * 3 + 34);
  EXPECT_EQ(b[0], '\x83');
  EXPECT_EQ(U16At(b, 10), 41);
  EXPECT_EQ(dir_.Read("newbase.dbt"), std::string("\x01\0\0\0", 4));
}

TEST_F(CreateExportTest, ItemsAreTrimmedAndAClosingBarAddsNothing) {
  EXPECT_EQ(Make(" NAME=C20 |"), "OK!");
  const std::string b = dir_.Read("newbase.dbf");
  EXPECT_EQ(b.size(), 66u);
  EXPECT_EQ(U16At(b, 10), 21);
  // An empty item between two bars is a definition of its own.
  EXPECT_EQ(Make("A=C1||B=C1"), "OK!");
  EXPECT_EQ(U16At(dir_.Read("newbase.dbf"), 10), 13);
}

TEST_F(CreateExportTest, AnswersAndClearsThePendingError) {
  TableBytes t;
  t.fields = {{"NAME", 'C', 5}};
  t.records = {"one", "two"};
  Load(dir_.Write("t.dbf", t.Build()));
  SetData(2);
  gotorec();
  next1();  // stops at the last record: no error
  EXPECT_EQ(Make("A=C1"), "OK!");
  SetData(5);
  gotorec();
  EXPECT_EQ(Make("A=C1"), "Read record out of range. Rec # 5");
  EXPECT_TRUE(std::filesystem::exists(dir_.File("newbase.dbf")));
  EXPECT_EQ(Make("A=C1"), "OK!");
  EXPECT_EQ(CurrentRecord(), 2);
  EXPECT_TRUE(Resident().isOpen);
}

TEST_F(CreateExportTest, AFailedCreationIsNeverOk) {
  std::filesystem::create_directory(dir_.File("newbase.dbf"));
  EXPECT_EQ(Make("A=C1"), "DBF create error: newbase.dbf");
  std::filesystem::remove(dir_.File("newbase.dbf"));
  std::string too_wide;
  for (int i = 0; i < 19; ++i) too_wide += "F=C255|";  // more than a record holds
  EXPECT_EQ(Make(too_wide),
            "DBF create error: newbase.dbf");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("newbase.dbf")));
}

TEST_F(CreateExportTest, NamesThatCouldNeverBeFoundAreRefused) {
  for (const char* defs : {"A=C1|MY NAME=C10", "A=C1|=C10", "A=C1|ABCDEFGHI JK=C10"}) {
    SCOPED_TRACE(defs);
    EXPECT_EQ(Make(defs), "Field name error: bad field number # 2");
    EXPECT_FALSE(std::filesystem::exists(dir_.File("newbase.dbf")));
  }
}

TEST_F(CreateExportTest, WorksBeforeAnyTableIsLoaded) {
  EXPECT_EQ(Make(""), "OK!");
  EXPECT_EQ(dir_.Read("newbase.dbf").size(), 34u);
}

}  // namespace
}  // namespace quillon::testing
