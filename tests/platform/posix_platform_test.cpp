// What only the POSIX layer does: sharing held by other processes, links,
// pipes and devices in a hostile folder, the private temporary folder under
// TMPDIR, messages on standard error.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "helpers/scratch_dir.h"
#include "helpers/temp_folder.h"
#include "platform/platform.h"

namespace quillon::platform {
namespace {

using testing::ScratchDir;

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

// What someone else may have put at a name the library uses, beside a file
// of the user's that a link may lead to. Only a link to a regular file is
// followed, and only where the user's own file is expected. A rename or a
// delete moves or removes the link or pipe itself, and once it is gone the
// library's own file there is its owner's alone.
TEST(PosixPlatformTest, LinksPipesAndDevicesAtANameAreNeverWrittenNorWaitedOn) {
  struct Trap {
    const char* what;
    std::string leadsTo;  // for a link; empty for a pipe
    bool isUsersFile;
  };
  const Trap traps[] = {
      {"a link to a file of the user's", "victim", true},
      {"a link to nothing", "nowhere", false},
      {"a link to a device", "/dev/zero", false},
      {"a pipe", "", false},
  };
  const OpenMode modes[] = {OpenMode::kReadWriteShareRead, OpenMode::kReadOnlyShareRead,
                            OpenMode::kCreateExclusive, OpenMode::kCreateNew,
                            OpenMode::kReadWriteOwn};
  ::alarm(60);  // a pipe waited on would otherwise hold the test for ever
  for (const Trap& trap : traps) {
    SCOPED_TRACE(trap.what);
    ScratchDir dir;
    dir.Write("victim", "precious");
    const std::string at = dir.File("t.dbf.undo"), moved = dir.File("moved");
    const std::string target =
        trap.leadsTo.empty() || trap.leadsTo[0] == '/' ? trap.leadsTo : dir.File(trap.leadsTo);
    ASSERT_EQ(target.empty() ? ::mkfifo(at.c_str(), 0600) : ::symlink(target.c_str(), at.c_str()),
              0);
    const auto kind = std::filesystem::symlink_status(at).type();
    const std::string source = dir.Write("source", "copied");
    for (const OpenMode mode : modes) {
      const bool followed = trap.isUsersFile && (mode == OpenMode::kReadWriteShareRead ||
                                                 mode == OpenMode::kReadOnlyShareRead);
      EXPECT_EQ(Native().Open(at, mode) != nullptr, followed) << static_cast<int>(mode);
    }
    EXPECT_FALSE(Native().CopyFile(source, at));
    EXPECT_EQ(Native().CopyFile(at, dir.File("copy")), trap.isUsersFile);
    EXPECT_EQ(Native().IsExistingFile(at), trap.isUsersFile);
    EXPECT_TRUE(Native().NameIsTaken(at));
    EXPECT_FALSE(Native().RenameFile(source, at));
    EXPECT_TRUE(Native().RenameFile(at, moved));
    EXPECT_EQ(std::filesystem::symlink_status(moved).type(), kind);
    EXPECT_TRUE(Native().DeleteFile(moved));
    EXPECT_EQ(dir.Read("victim"), "precious");
    EXPECT_FALSE(std::filesystem::exists(dir.File("nowhere")));
    struct stat st {};
    EXPECT_NE(Native().Open(at, OpenMode::kCreateNew), nullptr);
    ASSERT_EQ(::stat(at.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
  ::alarm(0);
}

class PosixTempFolderTest : public ::testing::Test {
 protected:
  // The library's folder, named without its final separator.
  std::string Expected() const { return temp_.folder().substr(0, temp_.folder().size() - 1); }

  ScratchDir dir_;
  testing::TempFolderScope temp_{dir_.path()};
};

TEST_F(PosixTempFolderTest, IsCreatedPrivateUnderTmpdir) {
  std::string folder;
  ASSERT_TRUE(Native().TempFolder(&folder));
  EXPECT_EQ(folder, Expected() + "/");
  struct stat st {};
  ASSERT_EQ(::lstat(Expected().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_TRUE(Native().TempFolder(&folder));  // existing and safe: reused
}

TEST_F(PosixTempFolderTest, RefusesAFolderOthersCouldHavePrepared) {
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
