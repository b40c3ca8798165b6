// Tries to break the rules of a change (engine/change.h names them by
// number): journals found beside tables they do not belong to, journals that
// cannot be removed, journals crafted to grow a file, links and special files
// under the journal's name, and the order of every write and flush an export
// makes.
#include "engine/change.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "engine/cursor.h"
#include "engine/engine_test_support.h"
#include "engine/fields.h"
#include "engine/journal_format.h"
#include "engine/records.h"
#include "engine/shift_journal.h"
#include "helpers/current_folder.h"
#include "helpers/host_session.h"
#include "host/library.h"
#include "helpers/memo_bytes.h"
#include "quillon.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillon::engine {
namespace {

using testing::Op;
using testing::OpInfo;
using testing::ReadWholeFile;
using testing::TableBytes;
using testing::U32At;
using testing::WriteWholeFile;

TableBytes Names(int count) {
  TableBytes t;
  t.fields = {{"NAME", 'C', 8}};
  for (int i = 1; i <= count; ++i) t.records.push_back("name" + std::to_string(i));
  return t;
}

void Store(std::string& bytes, size_t at, uint64_t v) {
  for (int i = 0; i < 8; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

std::string Sum(const std::string& seed, const std::string& bytes) {
  RangeJournalSum s;
  s.Add(reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
  s.Add(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  std::string out(4, '\0');
  StoreU32(reinterpret_cast<uint8_t*>(out.data()), s.value());
  return out;
}

// The range journal earlier builds wrote: the file's old length and one
// saved range.
std::string EarlierJournal(uint64_t length, uint64_t from, const std::string& saved) {
  std::string journal = std::string("QUNDO\0\0\x04", 8) + std::string(32, '\0');
  Store(journal, 8, length);
  Store(journal, 16, 1);
  Store(journal, 24, from);
  Store(journal, 32, saved.size());
  journal += saved;
  return journal + Sum("", journal);
}

class ChangeTest : public testing::EngineTest {
 protected:
  // Appends a record named `name` and drops the table as a killed process
  // would, with the record written but the change not made.
  void AppendAndDie(DbfTable& t, const std::string& name) {
    ASSERT_TRUE(BeginAppend(t));
    PutFieldByNumber(t, 1, name);
    ASSERT_TRUE(EndAppend(t));
    table_.reset();
    ASSERT_TRUE(std::filesystem::exists(Journal()));
  }
  std::string Journal() const { return path_ + ".undo"; }
  std::string Aside() const { return path_ + ".undo.1"; }
};

// Rule 5: another program's records, or another copy of the table put in its
// place, are never cut off by a journal of an earlier state; the journal is
// moved aside, never deleted. The table the journal does belong to is put
// back.
TEST_F(ChangeTest, Rule5_AJournalIsAppliedOnlyToTheTableItsChangeLeft) {
  const struct {
    const char* what;
    TableBytes now;  // what lies beside the journal at the next open
    bool belongs;
  } cases[] = {
      {"as the change left it", {}, true},
      {"another program appended 50 records", Names(60), false},
      {"a copy of 2,000 records put back", Names(2000), false},
      {"a copy of 5 records put back", Names(5), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(Aside());
    AppendAndDie(Open(Names(10)), "added");
    if (!c.belongs) WriteWholeFile(path_, c.now.Build());
    const std::string before = FileBytes();
    DbfTable& t = OpenPath(path_);
    EXPECT_TRUE(t.isOpen);
    EXPECT_FALSE(t.readOnly);
    EXPECT_FALSE(std::filesystem::exists(Journal()));
    EXPECT_EQ(std::filesystem::exists(Aside()), !c.belongs);
    EXPECT_EQ(FileBytes(), c.belongs ? Names(10).Build() : before);
  }
}

// Rule 5 for a pack: a copy of the table as it was, put back in its place
// after a pack was cut off, is not rebuilt from the pack's journal, which
// would take its records for moved ones.
TEST_F(ChangeTest, Rule5_APackJournalIsNotAppliedToACopyPutInTheTablesPlace) {
  const size_t whole = ShiftSegmentBytes();
  ShiftSegmentBytes() = 9;  // one record a segment
  TableBytes t = Names(6);
  t.flags = {' ', '*', ' ', '*', ' ', ' '};
  DbfTable& table = Open(t);
  // Killed at the third flush of the table: a record has moved by then.
  int flushes = 0;
  platform_.fail = [&](const OpInfo& op) {
    if (op.op == Op::kFlush && op.path == path_) ++flushes;
    return flushes >= 3;
  };
  Pack(table);
  table_.reset();
  platform_.fail = nullptr;
  ShiftSegmentBytes() = whole;
  ASSERT_TRUE(std::filesystem::exists(Journal()));
  WriteWholeFile(path_, t.Build());
  EXPECT_TRUE(OpenPath(path_).isOpen);
  EXPECT_EQ(FileBytes(), t.Build());
  EXPECT_TRUE(std::filesystem::exists(Aside()));
}

// Rule 2: a journal another program holds open (so it cannot be deleted) is
// marked finished first, and never takes the made change back; the next
// change takes the finished journal again.
TEST_F(ChangeTest, Rule2_AJournalThatCannotBeRemovedNeverUndoesAMadeChange) {
  DbfTable& t = Open(Names(10));
  platform_.fail = [this](const OpInfo& op) {
    return op.op == Op::kDelete && op.path == Journal();
  };
  for (const char* name : {"first", "second"}) {
    ASSERT_TRUE(BeginAppend(t));
    PutFieldByNumber(t, 1, name);
    ASSERT_TRUE(EndAppend(t));
    EXPECT_TRUE(EndChange(t));
    EXPECT_TRUE(std::filesystem::exists(Journal()));
  }
  platform_.fail = nullptr;
  DbfTable& again = OpenPath(path_);
  EXPECT_EQ(again.header.recordCount, 12u);
  EXPECT_FALSE(std::filesystem::exists(Journal()));
  EXPECT_FALSE(std::filesystem::exists(Aside()));
}

// An append saves the new record's place and the header, never what lies
// after the last record, however much that is.
TEST_F(ChangeTest, AnAppendJournalsOnlyWhatItOverwrites) {
  TableBytes t = Names(3);
  t.afterRecords = std::string(256 * 1024, 'x');
  DbfTable& table = Open(t);
  ASSERT_TRUE(BeginAppend(table));
  EXPECT_LT(std::filesystem::file_size(Journal()), 512u);
  EXPECT_TRUE(EndAppend(table));
  EXPECT_TRUE(EndChange(table));
}

// Rule 6: journals whose sums hold but whose numbers ask to grow the table
// or to write far past it are kept aside, never followed: the table keeps
// its length and bytes.
TEST_F(ChangeTest, Rule6_ACraftedJournalNeverGrowsTheTable) {
  constexpr uint64_t kTenGiB = uint64_t{10} << 30;
  // An earlier build's journal: old length 10 GiB, a range at 5 GiB.
  const std::string earlier = EarlierJournal(kTenGiB, kTenGiB / 2, "evil");
  // This build's journal of an interrupted append, its head made to say the
  // table was 10 GiB long, with the head's sum made right again.
  AppendAndDie(Open(Names(10)), "added");
  std::string current = ReadWholeFile(Journal());
  Store(current, 16, kTenGiB);
  const std::string seed = current.substr(8, 8) + std::string(8, '\0');
  current.replace(72, 4, Sum(seed, current.substr(0, 72)));
  for (const std::string& journal : {earlier, current}) {
    Close();
    std::filesystem::remove(Aside());
    const std::string table = Names(10).Build();
    WriteWholeFile(path_, table);
    WriteWholeFile(Journal(), journal);
    EXPECT_TRUE(OpenPath(path_).isOpen);
    EXPECT_EQ(FileBytes(), table);
    EXPECT_TRUE(std::filesystem::exists(Aside()));
  }
}

// An append an earlier build was interrupted in is still taken back.
TEST_F(ChangeTest, AJournalAnEarlierBuildLeftIsStillPutBack) {
  const std::string before = Names(10).Build();
  Open(Names(11));
  Close();
  WriteWholeFile(Journal(), EarlierJournal(before.size(), 0, before.substr(0, 32)));
  EXPECT_TRUE(OpenPath(path_).isOpen);
  EXPECT_EQ(FileBytes(), before);
  EXPECT_FALSE(std::filesystem::exists(Journal()));
}

#ifndef _WIN32
// What a hostile folder puts under the journal's name is never opened
// through, never emptied or created, never waited on: it is moved aside and
// the change that follows makes a journal of its own.
TEST_F(ChangeTest, PosixLinksAndFifosAtTheJournalNameAreMovedAsideUnfollowed) {
  const std::string victim = dir_.Write("victim.txt", "the user's own file");
  const std::string nowhere = dir_.File("nowhere.txt");
  const struct {
    const char* what;
    std::function<void(const std::string&)> plant;
  } cases[] = {
      {"a link to another file", [&](const std::string& at) { ASSERT_EQ(symlink(victim.c_str(), at.c_str()), 0); }},
      {"a link to nothing", [&](const std::string& at) { ASSERT_EQ(symlink(nowhere.c_str(), at.c_str()), 0); }},
      {"a FIFO", [](const std::string& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(Aside());
    Open(Names(3));
    Close();
    c.plant(Journal());
    DbfTable& t = OpenPath(path_);
    ASSERT_TRUE(t.isOpen);
    EXPECT_TRUE(std::filesystem::is_symlink(Aside()) || std::filesystem::is_fifo(Aside()));
    GoToRecord(t, 2);
    MarkDeleted(t, true);
    Pack(t);
    EXPECT_TRUE(EndChange(t));
    EXPECT_EQ(t.header.recordCount, 2u);
    EXPECT_EQ(ReadWholeFile(victim), "the user's own file");
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_FALSE(std::filesystem::exists(Journal()));
  }
}
#endif

// Rules 1 and 2 as every write export follows them, call by call: no byte a
// file held is overwritten, and no file cut, while the journal has writes
// not yet on the disk; the journal is marked finished only once every file
// written since its last flush is flushed; and nothing is written into the
// table or memo file before the journal exists.
class ChangeOrderTest : public testing::HostSession {
 protected:
  struct File {
    uint64_t length = 0;  // when the export began
    bool unflushed = false;
  };

  // Runs the export and checks every call it makes against the rules.
  void Check(const std::function<void()>& exported) {
    std::map<std::string, File> files;
    for (const std::string& path : {table_, memo_}) files[path] = {std::filesystem::file_size(path)};
    const std::string journal = table_ + ".undo";
    bool journalUnflushed = false;
    bool journalBegun = false;
    int guarded = 0;
    platform_.fail = [&](const OpInfo& op) {
      const bool toJournal = op.path == journal;
      const bool changes = op.op == Op::kWrite || op.op == Op::kSetEnd;
      if (toJournal && op.op == Op::kWrite && op.position == 0 && journalBegun) {
        // The journal's head written again: it is being marked finished.
        for (const auto& [path, file] : files) {
          EXPECT_FALSE(file.unflushed) << path << " is not on the disk at the commit";
        }
      }
      if (toJournal && changes) journalUnflushed = journalBegun = true;
      if (toJournal && op.op == Op::kFlush) journalUnflushed = false;
      auto it = files.find(op.path);
      if (it == files.end()) return false;
      if (op.op == Op::kFlush) it->second.unflushed = false;
      if (!changes) return false;
      EXPECT_TRUE(journalBegun) << "written before the journal: " << op.path;
      if (op.position < it->second.length) {
        EXPECT_FALSE(journalUnflushed) << "overwritten before the journal was flushed: "
                                       << op.path << " at " << op.position;
        ++guarded;
      }
      it->second.unflushed = true;
      return false;
    };
    exported();
    platform_.fail = nullptr;
    EXPECT_GT(guarded, 0);
    EXPECT_FALSE(std::filesystem::exists(journal));
  }

  // A fresh library, so that closing the table before does not write into
  // the new files.
  void LoadPair(uint8_t version) {
    host::LibraryUnload();
    host::LibraryLoad();
    TableBytes t;
    t.version = version;
    t.fields = {{"NAME", 'C', 8}, {"NOTE", 'M', 10}};
    t.flags = {' ', '*'};
    const bool sized = version == 0xF5;
    for (int i = 1; i <= 3; ++i) {
      t.records.push_back("name" + std::to_string(i) + "   " + testing::MemoPointer(sized ? 7 + i : i));
    }
    table_ = dir_.Write("t.dbf", t.Build());
    memo_ = dir_.Write("t.dbt", sized ? testing::SizedMemoFile(64, {"one", "two", "three"})
                                      : testing::FixedMemoFile({"one", "two", "three"}));
    Load(table_);
  }

  std::string table_, memo_;
};

TEST_F(ChangeOrderTest, Rules1And2_EveryWriteExportFlushesInOrder) {
  const struct {
    const char* what;
    uint8_t version;
    std::function<void()> act;
  } cases[] = {
      {"editrec of a value", 0x83, [this] { CallWithText(editrec, "NAME=edited"); }},
      {"editrec of a text", 0x83, [this] { CallWithText(editrec, "NOTE=a new text"); }},
      {"editrec of a text in place", 0xF5, [this] { CallWithText(editrec, "NOTE=new"); }},
      {"addrec with a text", 0x83, [this] { CallWithText(addrec, "NAME=added|NOTE=its text"); }},
      {"delrec", 0x83, [] { delrec(); }},
      {"memopak", 0x83, [] { memopak(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoadPair(c.version);
    CallWithData(gotorec, 3);
    Check(c.act);
  }
}

#ifndef _WIN32
// Links a hostile folder puts at the names of the backups and of the table
// make creates are never written through: the user's file they lead to
// stays as it was, and so does the table.
TEST_F(ChangeOrderTest, PosixLinksAtBackupAndNewTableNamesAreNeverWrittenThrough) {
  const std::string victim = dir_.Write("victim.txt", "the user's own file");
  for (const char* name : {"t.baz", "t.mem"}) {
    SCOPED_TRACE(name);
    LoadPair(0x83);
    const std::string table = ReadWholeFile(table_);
    std::filesystem::remove(dir_.File("t.baz"));
    std::filesystem::remove(dir_.File("t.mem"));
    ASSERT_EQ(symlink(victim.c_str(), dir_.File(name).c_str()), 0);
    memopak();
    EXPECT_EQ(ReadWholeFile(victim), "the user's own file");
    EXPECT_EQ(ReadWholeFile(table_), table);
  }
  testing::CurrentFolderScope inScratch(dir_.File(""));
  ASSERT_EQ(symlink(victim.c_str(), "newbase.dbf"), 0);
  EXPECT_NE(CallWithText(make, "NAME=C10"), "OK!");
  EXPECT_EQ(ReadWholeFile(victim), "the user's own file");
}
#endif

}  // namespace
}  // namespace quillon::engine
