// What only the Win32 layer does: the temporary folder taken straight from
// the system, and Windows' sharing, under which a writer elsewhere keeps the
// table from opening even when it lets everyone in.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// windows.h maps these names onto its own A/W functions; the platform's
// methods of the same names must keep theirs.
#undef CopyFile
#undef DeleteFile

#include <gtest/gtest.h>

#include "helpers/scratch_dir.h"
#include "helpers/temp_folder.h"
#include "platform/platform.h"

namespace quillon::platform {
namespace {

using testing::ScratchDir;

TEST(Win32PlatformTest, TheTemporaryFolderIsTheSystemsWithItsSeparator) {
  ScratchDir dir;
  testing::TempFolderScope temp(dir.path());
  std::string folder;
  ASSERT_TRUE(Native().TempFolder(&folder));
  EXPECT_EQ(folder, dir.path() + "\\");
  EXPECT_EQ(folder, temp.folder());
}

TEST(Win32PlatformTest, AWriterElsewhereKeepsTheTableFromOpeningAtAll) {
  ScratchDir dir;
  const std::string path = dir.Write("t.dbf", "x");
  HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Native().Open(path, OpenMode::kReadWriteShareRead), nullptr);
  EXPECT_EQ(Native().Open(path, OpenMode::kReadOnlyShareRead), nullptr);
  EXPECT_FALSE(Native().CopyFile(path, dir.File("copy")));
  ::CloseHandle(writer);
  EXPECT_NE(Native().Open(path, OpenMode::kReadWriteShareRead), nullptr);
}

}  // namespace
}  // namespace quillon::platform
