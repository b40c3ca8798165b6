#include <optional>

#include "api/field_values.h"
#include "engine/cursor.h"
#include "helpers/expected_messages.h"
#include "helpers/host_session.h"
#include "helpers/memo_bytes.h"
#include "helpers/system_files.h"
#include "helpers/table_bytes.h"
#include "helpers/temp_folder.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

// NAME C8, NOTE M; the temporary folder lies inside the scratch folder.
class PackExportTest : public HostSession {
 protected:
  void SetUp() override {
    HostSession::SetUp();
    tempScope_.emplace(dir_.Folder("tmp"));
    temp_ = tempScope_->folder();
  }
  void TearDown() override {
    tempScope_.reset();
    HostSession::TearDown();
  }

  void LoadNotes(const std::string& name, bool with_memo, const std::string& tableExt = ".dbf",
                 const std::string& memoExt = ".dbt") {
    TableBytes t;
    t.version = 0x83;
    t.fields = {{"NAME", 'C', 8}, {"NOTE", 'M', 10}};
    t.records = {"  lead  " + MemoPointer(2), "gone    " + MemoPointer(3), "none    "};
    t.flags = {' ', '*', ' '};
    table_ = dir_.Write(name + tableExt, t.Build());
    memo_ = dir_.File(name + memoExt);
    const std::string memo = FixedMemoFile({"unreferenced", " abc ", "second\r\n"});
    if (with_memo) dir_.Write(name + memoExt, memo);
    Load(table_);
    oldTable_ = ReadWholeFile(table_);
    if (with_memo) oldMemo_ = ReadWholeFile(memo_);
  }

  std::vector<std::string> Pack() {
    platform_.messages.clear();
    SetFile("kept");
    SetData(3);
    memopak();
    EXPECT_STREQ(GetFile(), "kept");
    EXPECT_EQ(GetData(), 3);
    return platform_.messages;
  }

  std::string All() { return CallWithText(getdataotdo, "NAME|1|max#NOTE|1|max"); }

  std::optional<TempFolderScope> tempScope_;
  std::string temp_, table_, memo_, oldTable_, oldMemo_;
};

TEST_F(PackExportTest, RebuildsTheTableWithBackupsAndReopensIt) {
  LoadNotes("t", true);
  EXPECT_EQ(Pack(), std::vector<std::string>{kTablePacked});
  EXPECT_EQ(ReadWholeFile(dir_.File("t.baz")), oldTable_);
  EXPECT_EQ(ReadWholeFile(dir_.File("t.mem")), oldMemo_);
  EXPECT_TRUE(Resident().isOpen);
  EXPECT_EQ(CurrentRecord(), 1);
  EXPECT_EQ(All(), "lead|gone|none|#abc|second||#");
  const std::string table = ReadWholeFile(table_);
  EXPECT_EQ(table[Resident().header.headerLength + Resident().header.recordLength], ' ');  // live now
  // Only the texts the records refer to, renumbered in record order; the
  // record without a memo gets an empty one, which still takes a block.
  EXPECT_EQ(ReadWholeFile(memo_), FixedMemoFile({"abc", "second", ""}));
  EXPECT_FALSE(IsFile(temp_ + "temp.dbf"));
  EXPECT_FALSE(IsFile(temp_ + "temp.dbt"));
}

// Other programs read the texts by the code-page byte, so the rebuilt header
// keeps it; nothing else of the old header, such as a flag that claims an
// index file, is carried over.
TEST_F(PackExportTest, TheRebuiltTableKeepsTheCodePageByteAndNothingElse) {
  TableBytes t;
  t.fields = {{"NAME", 'C', 8}};
  t.records = {"one", "two"};
  std::string bytes = t.Build();
  bytes[28] = '\x01';
  bytes[29] = '\xC9';
  table_ = dir_.Write("t.dbf", bytes);
  Load(table_);
  EXPECT_EQ(Pack(), std::vector<std::string>{kTablePacked});
  const std::string rebuilt = ReadWholeFile(table_);
  EXPECT_EQ(rebuilt[29], '\xC9');
  EXPECT_EQ(rebuilt[28], '\0');
}

TEST_F(PackExportTest, MemoPointersWithoutAMemoFileAreNeverRebuiltAway) {
  LoadNotes("t", false);
  WriteWholeFile(dir_.File("t.baz"), "an earlier backup");
  EXPECT_EQ(Pack(),
            (std::vector<std::string>{ReplaceFailed(temp_ + "temp.dbf", table_), kTablePacked}));
  EXPECT_EQ(ReadWholeFile(table_), oldTable_);
  EXPECT_EQ(ReadWholeFile(dir_.File("t.baz")), "an earlier backup");
  EXPECT_FALSE(dir_.Exists("t.mem"));
}

TEST_F(PackExportTest, ATableWithoutMemoFileOrPointersIsRebuilt) {
  TableBytes t;
  t.version = 0x83;
  t.fields = {{"NAME", 'C', 8}, {"NOTE", 'M', 10}};
  t.records = {"a", "b"};
  table_ = dir_.Write("t.dbf", t.Build());
  Load(table_);
  EXPECT_EQ(Pack(), std::vector<std::string>{kTablePacked});
  EXPECT_EQ(All(), "a|b|#||#");
}

// Each of these would come back from the copy different from what the read
// exports show now: nothing is replaced, and no file changes at all.
TEST_F(PackExportTest, ACopyThatWouldLoseAnythingReplacesNothing) {
  struct Case {
    const char* what;
    uint8_t version;
    FieldSpec field;
    std::string value;
  };
  const Case cases[] = {
      {"a number wider than the rebuilt field", 0x03, {"SUM", 'N', 20, 2}, "123456789012345678.50"},
      {"a field type the rebuild turns into a narrower one", 0x03, {"F", 'F', 12}, "123456789.12"},
      {"a binary memo pointer with no memo file", 0x30, {"NOTE", 'M', 4},
       std::string("\x05\0\0\0", 4)},
      {"a name the rebuild would trim", 0x03, {"\x13ID", 'C', 2}, "ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TableBytes t;
    t.version = c.version;
    t.fields = {{"NAME", 'C', 8}, c.field};
    t.records = {"kept    " + c.value};
    // A table of its own each time: the one loaded before stays held.
    const std::string name = "t" + std::to_string(&c - cases);
    table_ = dir_.Write(name + ".dbf", t.Build());
    Load(table_);
    oldTable_ = ReadWholeFile(table_);
    EXPECT_EQ(Pack(),
              (std::vector<std::string>{ReplaceFailed(temp_ + "temp.dbf", table_), kTablePacked}));
    EXPECT_EQ(ReadWholeFile(table_), oldTable_);
    EXPECT_FALSE(dir_.Exists(name + ".baz"));
  }
}

TEST_F(PackExportTest, BackupNamesKeepTheFoldersAndTheCase) {
  LoadNotes("Clients", true);
  Pack();
  EXPECT_TRUE(dir_.Exists("Clients.baz"));
  EXPECT_TRUE(dir_.Exists("Clients.mem"));
  // Upper-case names find their memo file and keep their case in the
  // backups (on a system whose names keep case at all).
  LoadNotes("SHOP", true, ".DBF", ".DBT");
  EXPECT_EQ(Pack(), std::vector<std::string>{kTablePacked});
  EXPECT_EQ(ReadWholeFile(dir_.File("SHOP.BAZ")), oldTable_);
  EXPECT_EQ(ReadWholeFile(dir_.File("SHOP.MEM")), oldMemo_);
  EXPECT_EQ(All(), "lead|gone|none|#abc|second||#");
}

TEST_F(PackExportTest, WithoutABackupNothingIsReplaced) {
  LoadNotes("t", true);
  // The backup's path may be spelled in small letters where names ignore case.
  platform_.fail = [&](const OpInfo& op) {
    return op.op == Op::kCopy && op.path.ends_with("t.baz");
  };
  EXPECT_EQ(Pack(),
            (std::vector<std::string>{kTableBackupFailed, ReplaceFailed(temp_ + "temp.dbf", table_),
                                      ReplaceFailed(temp_ + "temp.dbt", memo_), kTablePacked}));
  EXPECT_EQ(ReadWholeFile(table_), oldTable_);
  EXPECT_EQ(ReadWholeFile(memo_), oldMemo_);
}

TEST_F(PackExportTest, AFullDiskDuringTheRebuildLeavesTheOldFiles) {
  LoadNotes("t", true);
  platform_.fail = [&](const OpInfo& op) {
    // The disk has room for 600 bytes of the new memo file.
    return op.op == Op::kWrite && op.path == temp_ + "temp.dbt" && op.position + op.size > 600;
  };
  const auto messages = Pack();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0], ReplaceFailed(temp_ + "temp.dbf", table_));
  EXPECT_EQ(ReadWholeFile(table_), oldTable_);
  EXPECT_EQ(ReadWholeFile(memo_), oldMemo_);
  EXPECT_FALSE(dir_.Exists("t.baz"));
}

TEST_F(PackExportTest, AFailedMemoReplacementPutsTheTableBack) {
  LoadNotes("t", true);
  platform_.fail = FaultPlatform::FailWritesTo(memo_);
  const auto messages = Pack();
  EXPECT_EQ(messages,
            (std::vector<std::string>{ReplaceFailed(temp_ + "temp.dbt", memo_), kTablePacked}));
  EXPECT_EQ(ReadWholeFile(table_), oldTable_);
  EXPECT_EQ(ReadWholeFile(memo_), oldMemo_);
}

TEST_F(PackExportTest, ALeftoverTemporaryTableNeverReplacesTheTable) {
  MakeFolder(temp_);
  WriteWholeFile(temp_ + "temp.dbf", "someone else's table");
  // No table loaded: nothing can be rebuilt, so nothing is backed up either.
  EXPECT_EQ(Pack(),
            (std::vector<std::string>{ReplaceFailed(temp_ + "temp.dbf", ""), kTablePacked}));
  LoadNotes("t", true);
  WriteWholeFile(temp_ + "temp.dbf", "someone else's table");
  EXPECT_EQ(Pack(), std::vector<std::string>{kTablePacked});
  EXPECT_EQ(All(), "lead|gone|none|#abc|second||#");
}

}  // namespace
}  // namespace quillon::testing
