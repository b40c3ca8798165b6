// What only the Win32 layer does: the temporary folder taken straight from
// the system, Windows' sharing, under which a writer elsewhere keeps the
// table from opening even when it lets everyone in, and the names Windows
// takes for devices, which are never opened.
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

// Names that lead to a device in any folder, and paths into the device
// namespaces: nothing opens, copies or renames onto them, none is a file,
// and each is taken. Opening COM1 can wait for ever, so the name alone
// must refuse it.
TEST(Win32PlatformTest, DeviceNamesAreNeverOpenedNorTakenForFiles) {
  ScratchDir dir;
  const std::string source = dir.Write("source", "x");
  const std::string devices[] = {
      "COM1", "AUX.dbf", "nul", "Prn.txt", "lpt9", "com0.dbf.undo", "CONIN$", "conout$.x",
      "AUX .dbf", "C:NUL", "COM1:", dir.File("Aux.dbf"), dir.File("nul/t.dbf"),
      "\\\\.\\COM1", "//./nul", "\\\\.\\pipe\\quillon",
      "\\\\?\\GLOBALROOT\\Device\\Null", "\\??\\NUL"};
  const OpenMode modes[] = {OpenMode::kReadWriteShareRead, OpenMode::kReadOnlyShareRead,
                            OpenMode::kCreateExclusive, OpenMode::kCreateNew,
                            OpenMode::kReadWriteOwn};
  for (const std::string& path : devices) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(Native().IsExistingFile(path));
    EXPECT_TRUE(Native().NameIsTaken(path));
    for (const OpenMode mode : modes) EXPECT_EQ(Native().Open(path, mode), nullptr);
    EXPECT_FALSE(Native().CopyFile(source, path));
    EXPECT_FALSE(Native().CopyFile(path, dir.File("copy")));
    EXPECT_FALSE(Native().RenameFile(source, path));
  }
  EXPECT_EQ(dir.Read("source"), "x");
}

TEST(Win32PlatformTest, NamesThatOnlyLookLikeDevicesAreFiles) {
  ScratchDir dir;
  for (const char* name : {"COM10.dbf", "CONSOLE.dbf", "nul1", "auxiliary.dbf", "t.con", "LPT"}) {
    SCOPED_TRACE(name);
    const std::string path = dir.Write(name, "x");
    EXPECT_TRUE(Native().IsExistingFile(path));
    EXPECT_NE(Native().Open(path, OpenMode::kReadWriteOwn), nullptr);
  }
  EXPECT_TRUE(Native().IsExistingFile("\\\\?\\" + dir.File("t.con")));
  // Wine shows the Linux devices under Z: as names that open like files;
  // on Windows nothing is there. Either way none is a file.
  EXPECT_FALSE(Native().IsExistingFile("Z:\\dev\\zero"));
  EXPECT_FALSE(Native().CopyFile("Z:\\dev\\zero", dir.File("copy")));
  EXPECT_FALSE(dir.Exists("copy"));
}

}  // namespace
}  // namespace quillon::platform
