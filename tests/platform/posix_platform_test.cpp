#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "helpers/scratch_dir.h"
#include "platform/platform.h"

namespace quillon::platform {
namespace {

using testing::ScratchDir;

TEST(PosixPlatformTest, ReadWriteSharingKeepsOtherWritersOut) {
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

TEST(PosixPlatformTest, AnotherProcessHoldingTheFileKeepsItFromOpening) {
  ScratchDir dir;
  std::string path = dir.Write("t.dbf", "x");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  if (child == 0) {
    auto held = Native().Open(path, OpenMode::kReadWriteShareRead);
    char c = held ? '1' : '0';
    if (::write(ready[1], &c, 1) != 1) ::_exit(2);
    ::sleep(30);
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, '1');
  EXPECT_EQ(Native().Open(path, OpenMode::kReadWriteShareRead), nullptr);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_NE(Native().Open(path, OpenMode::kReadWriteShareRead), nullptr);
}

TEST(PosixPlatformTest, FilesReadWriteAndResizeAtSixtyFourBitPositions) {
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
  ASSERT_TRUE(file->Seek(3) && file->SetEnd() && file->Size(&size));
  EXPECT_EQ(size, 3u);
  EXPECT_FALSE(Native().IsExistingFile(dir.path()));
  EXPECT_TRUE(Native().IsExistingFile(dir.File("n.dbf")));
  EXPECT_FALSE(Native().IsExistingFile(""));
}

TEST(PosixPlatformTest, CopyingAFileOntoItselfFailsAndKeepsIt) {
  ScratchDir dir;
  std::string path = dir.Write("t.dbf", "precious");
  std::string other_spelling = dir.path() + "/./t.dbf";
  EXPECT_FALSE(Native().CopyFile(path, other_spelling));
  EXPECT_EQ(dir.Read("t.dbf"), "precious");
  EXPECT_TRUE(Native().CopyFile(path, dir.File("copy")));
  EXPECT_EQ(dir.Read("copy"), "precious");
  dir.Write("long", "a much longer text than the source");
  EXPECT_TRUE(Native().CopyFile(path, dir.File("long")));
  EXPECT_EQ(dir.Read("long"), "precious");
  EXPECT_FALSE(Native().CopyFile(dir.File("missing"), dir.File("copy")));
  EXPECT_TRUE(Native().DeleteFile(dir.File("copy")));
  EXPECT_FALSE(Native().DeleteFile(dir.File("copy")));
}

// As on Windows: a file held by another program is never copied over, and
// one another program writes is never copied from.
TEST(PosixPlatformTest, CopyingHonoursTheFilesOthersHold) {
  ScratchDir dir;
  const std::string from = dir.Write("t.dbt", "new");
  const std::string to = dir.Write("held.dbt", "held by someone");
  {
    auto reader = Native().Open(to, OpenMode::kReadOnlyShareRead);
    ASSERT_NE(reader, nullptr);
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

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    had_ = old != nullptr;
    if (had_) old_ = old;
    ::setenv("TMPDIR", dir_.path().c_str(), 1);
  }
  void TearDown() override {
    if (had_) {
      ::setenv("TMPDIR", old_.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }
  std::string Expected() const { return dir_.path() + "/quillon-" + std::to_string(::getuid()); }

  ScratchDir dir_;
  bool had_ = false;
  std::string old_;
};

TEST_F(TempFolderTest, IsCreatedPrivateUnderTmpdir) {
  std::string folder;
  ASSERT_TRUE(Native().TempFolder(&folder));
  EXPECT_EQ(folder, Expected() + "/");
  struct stat st {};
  ASSERT_EQ(::lstat(Expected().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_TRUE(Native().TempFolder(&folder));  // existing and safe: reused
}

TEST_F(TempFolderTest, RefusesAFolderOthersCouldHavePrepared) {
  std::string folder;
  ASSERT_EQ(::mkdir(Expected().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(Expected().c_str(), 0777), 0);
  EXPECT_FALSE(Native().TempFolder(&folder));
  ASSERT_EQ(::rmdir(Expected().c_str()), 0);
  std::filesystem::create_directory(dir_.File("elsewhere"));
  std::filesystem::create_directory_symlink(dir_.File("elsewhere"), Expected());
  EXPECT_FALSE(Native().TempFolder(&folder));
}

TEST(PosixPlatformTest, MessageGoesToStandardErrorInOneLine) {
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  int saved = ::dup(2);
  ::dup2(pipe_fds[1], 2);
  Native().ShowMessage("\xC1\xE0\xE7\xE0\r\nline two");
  ::dup2(saved, 2);
  ::close(saved);
  ::close(pipe_fds[1]);
  char buffer[64] = {};
  ssize_t got = ::read(pipe_fds[0], buffer, sizeof buffer);
  ::close(pipe_fds[0]);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(got)), "\xC1\xE0\xE7\xE0\r\nline two\n");
}

}  // namespace
}  // namespace quillon::platform
