// What both platform layers promise alike: what each mode opens, creates or
// refuses, the sharing the library relies on, 64-bit file positions, reads
// at and past the end, copies that never destroy the file they come from or
// one another program holds, renames that never replace, and salts.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <set>

#include "helpers/other_reader.h"
#include "helpers/scratch_dir.h"

namespace quillon::platform {
namespace {

using testing::OtherReader;
using testing::ScratchDir;

TEST(PlatformTest, ReadWriteSharingKeepsOtherWritersOut) {
  ScratchDir dir;
  std::string path = dir.Write("t.dbf", "0123456789");
  auto& os = Native();
  auto first = os.Open(path, OpenMode::kReadWriteShareRead);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(os.Open(path, OpenMode::kReadWriteShareRead), nullptr);
  EXPECT_EQ(os.Open(path, OpenMode::kReadOnlyShareRead), nullptr);
  // Creating over a held file fails and must not have cut it.
  EXPECT_EQ(os.Open(path, OpenMode::kCreateExclusive), nullptr);
  EXPECT_EQ(dir.Read("t.dbf"), "0123456789");
  first.reset();
  auto reader = os.Open(path, OpenMode::kReadOnlyShareRead);
  ASSERT_NE(reader, nullptr);
  EXPECT_NE(os.Open(path, OpenMode::kReadOnlyShareRead), nullptr);
  EXPECT_EQ(os.Open(path, OpenMode::kReadWriteShareRead), nullptr);
}

TEST(PlatformTest, AnotherProgramReadingLetsTheTableOpenOnlyForReading) {
  ScratchDir dir;
  std::string path = dir.Write("t.dbf", "x");
  OtherReader other(path);
  ASSERT_TRUE(other.holds());
  EXPECT_EQ(Native().Open(path, OpenMode::kReadWriteShareRead), nullptr);
  EXPECT_EQ(Native().Open(path, OpenMode::kReadWriteOwn), nullptr);
  EXPECT_NE(Native().Open(path, OpenMode::kReadOnlyShareRead), nullptr);
}

// Each mode at a name that holds a file, at one that holds nothing and at a
// folder; a file it opened for writing keeps every other opener out.
TEST(PlatformTest, EachModeOpensCreatesOrRefusesAsItPromises) {
  struct Case {
    const char* name;
    OpenMode mode;
    bool opensExisting;
    bool cutsExisting;
    bool createsMissing;
  };
  const Case cases[] = {
      {"an existing table", OpenMode::kReadWriteShareRead, true, false, false},
      {"a file to read", OpenMode::kReadOnlyShareRead, true, false, false},
      {"a new table", OpenMode::kCreateExclusive, true, true, true},
      {"a new file of the library's", OpenMode::kCreateNew, false, false, true},
      {"a file the library made", OpenMode::kReadWriteOwn, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    const std::string existing = dir.Write("t.dbf", "kept");
    auto file = Native().Open(existing, c.mode);
    EXPECT_EQ(file != nullptr, c.opensExisting);
    if (file != nullptr && c.mode != OpenMode::kReadOnlyShareRead) {
      EXPECT_EQ(Native().Open(existing, OpenMode::kReadOnlyShareRead), nullptr);
      EXPECT_TRUE(Native().IsExistingFile(existing));
    }
    file.reset();
    EXPECT_EQ(dir.Read("t.dbf"), c.cutsExisting ? "" : "kept");
    file = Native().Open(dir.File("new.dbf"), c.mode);
    EXPECT_EQ(file != nullptr, c.createsMissing);
    char back = 0;
    size_t got = 0;
    if (file != nullptr) {
      EXPECT_TRUE(file->Write("a", 1) && file->ReadAt(0, &back, 1, &got));
    }
    EXPECT_EQ(back, c.createsMissing ? 'a' : 0);
    EXPECT_EQ(Native().Open(dir.path(), c.mode), nullptr);
  }
}

// A name is taken by anything at all, and a rename never replaces what has
// the name it is to give.
TEST(PlatformTest, RenamingNeverReplacesWhatTakesTheName) {
  ScratchDir dir;
  const std::string from = dir.Write("t.dbf.undo", "journal");
  for (const std::string& taken : {dir.Write("taken", "precious"), dir.Folder("folder")}) {
    EXPECT_TRUE(Native().NameIsTaken(taken));
    EXPECT_FALSE(Native().RenameFile(from, taken));
  }
  EXPECT_FALSE(Native().NameIsTaken(dir.File("missing/t.dbf")));
  EXPECT_TRUE(Native().RenameFile(from, dir.File("moved")));
  EXPECT_EQ(dir.Read("moved") + dir.Read("taken"), "journalprecious");
  EXPECT_FALSE(Native().NameIsTaken(from));
  EXPECT_FALSE(Native().RenameFile(from, dir.File("again")));
}

TEST(PlatformTest, RandomNumbersDifferFromCallToCall) {
  std::set<uint64_t> seen;
  for (int i = 0; i < 1000; ++i) seen.insert(Native().RandomNumber());
  EXPECT_EQ(seen.size(), 1000u);
}

TEST(PlatformTest, FilesReadWriteAndResizeAtSixtyFourBitPositions) {
  ScratchDir dir;
  auto file = Native().Open(dir.File("n.dbf"), OpenMode::kCreateExclusive);
  ASSERT_NE(file, nullptr);
  const uint64_t far = (uint64_t{1} << 32) + 10;  // beyond what 32 bits address
  ASSERT_TRUE(file->Seek(far));
  ASSERT_TRUE(file->Write("ab", 2));
  uint64_t size = 0;
  ASSERT_TRUE(file->Size(&size));
  EXPECT_EQ(size, far + 2);
  char buffer[4] = {};
  size_t got = 0;
  ASSERT_TRUE(file->Seek(far) && file->Read(buffer, 4, &got));
  EXPECT_EQ(got, 2u);
  got = 9;
  ASSERT_TRUE(file->ReadAt(far + 1, buffer, 4, &got));
  EXPECT_EQ(got, 1u);
  EXPECT_EQ(buffer[0], 'b');
  // Past the end a read succeeds with nothing.
  ASSERT_TRUE(file->ReadAt(far + 100, buffer, 4, &got));
  EXPECT_EQ(got, 0u);
  ASSERT_TRUE(file->Seek(3) && file->SetEnd() && file->Size(&size));
  EXPECT_EQ(size, 3u);
  EXPECT_FALSE(Native().IsExistingFile(dir.path()));
  EXPECT_TRUE(Native().IsExistingFile(dir.File("n.dbf")));
  EXPECT_FALSE(Native().IsExistingFile(""));
}

TEST(PlatformTest, CopyingAFileOntoItselfFailsAndKeepsIt) {
  ScratchDir dir;
  std::string path = dir.Write("t.dbf", "precious");
  std::string other_spelling =
      dir.path() + testing::kSeparator + "." + testing::kSeparator + "t.dbf";
  EXPECT_FALSE(Native().CopyFile(path, other_spelling));
  EXPECT_EQ(dir.Read("t.dbf"), "precious");
  EXPECT_TRUE(Native().CopyFile(path, dir.File("copy")));
  EXPECT_EQ(dir.Read("copy"), "precious");
  dir.Write("long", "a much longer text than the source");
  EXPECT_TRUE(Native().CopyFile(path, dir.File("long")));
  EXPECT_EQ(dir.Read("long"), "precious");
  // Over a target of several pieces, with more and with fewer of them.
  const std::string big(200000, 'b'), bigger(300000, 'c');
  dir.Write("big", big);
  EXPECT_TRUE(Native().CopyFile(dir.Write("bigger", bigger), dir.File("big")));
  EXPECT_EQ(dir.Read("big"), bigger);
  EXPECT_TRUE(Native().CopyFile(path, dir.File("big")));
  EXPECT_EQ(dir.Read("big"), "precious");
  EXPECT_FALSE(Native().CopyFile(dir.File("missing"), dir.File("copy")));
  EXPECT_TRUE(Native().DeleteFile(dir.File("copy")));
  EXPECT_FALSE(Native().DeleteFile(dir.File("copy")));
}

// A file held by another program is never copied over, and one another
// program writes is never copied from.
TEST(PlatformTest, CopyingHonoursTheFilesOthersHold) {
  ScratchDir dir;
  const std::string from = dir.Write("t.dbt", "new");
  const std::string to = dir.Write("held.dbt", "held by someone");
  {
    OtherReader reader(to);
    ASSERT_TRUE(reader.holds());
    EXPECT_FALSE(Native().CopyFile(from, to));
    EXPECT_EQ(dir.Read("held.dbt"), "held by someone");
  }
  {
    auto writer = Native().Open(from, OpenMode::kReadWriteShareRead);
    ASSERT_NE(writer, nullptr);
    EXPECT_FALSE(Native().CopyFile(from, to));
  }
  EXPECT_TRUE(Native().CopyFile(from, to));
  EXPECT_EQ(dir.Read("held.dbt"), "new");
}

}  // namespace
}  // namespace quillon::platform
