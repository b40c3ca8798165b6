// Make sessions: make writes "newbase.dbf" (and its memo file) into the
// host's current folder, so the host first changes into the scratch folder.
// The answer is "OK!" or the engine error still pending, which make clears.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "check.h"
#include "expected_messages.h"
#include "plugin.h"
#include "table_builder.h"
#include "table_sessions.h"

namespace host_test {

namespace {

// Changes the current folder for the life of the object, then goes back.
class InFolder {
 public:
  explicit InFolder(const std::string& folder) {
    char old[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof old, old);
    if (length == 0 || length > MAX_PATH) Abandon("cannot tell the current folder");
    old_ = old;
    if (!SetCurrentDirectoryA(folder.c_str())) Abandon("cannot change into " + folder);
  }
  ~InFolder() { SetCurrentDirectoryA(old_.c_str()); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  std::string old_;
};

// The 32-byte descriptor make writes: the name padded with NULs, the type,
// the field's offset in the record, its width and decimals.
std::string Descriptor(const std::string& name, char type, uint32_t offset, uint8_t width,
                       uint8_t decimals) {
  std::string bytes(32, '\0');
  bytes.replace(0, name.size(), name);
  bytes[11] = type;
  for (int i = 0; i < 4; ++i) bytes[12 + i] = static_cast<char>(offset >> (8 * i));
  bytes[16] = static_cast<char>(width);
  bytes[17] = static_cast<char>(decimals);
  return bytes;
}

void CheckNewTable(const std::string& bytes) {
  SYSTEMTIME today;
  GetLocalTime(&today);
  CHECK_EQ(static_cast<int64_t>(bytes.size()), 32 * 4 + 2);
  const std::string version_and_date = {'\x83', static_cast<char>(today.wYear % 100),
                                        static_cast<char>(today.wMonth),
                                        static_cast<char>(today.wDay)};
  CHECK_EQ(BytesAt(bytes, 0, 4), version_and_date);
  CHECK_EQ(LittleEndianAt(bytes, 4, 4), 0);
  CHECK_EQ(LittleEndianAt(bytes, 8, 2), 32 * 4 + 1);
  CHECK_EQ(LittleEndianAt(bytes, 10, 2), 41);
  CHECK_EQ(BytesAt(bytes, 32, 96), Descriptor("NAME", 'C', 0, 20, 0) +
                                     Descriptor("PRICE", 'N', 20, 10, 2) +
                                     Descriptor("NOTES", 'M', 30, 10, 0));
  CHECK_EQ(BytesAt(bytes, 128, 2), "\x0D\x1A");
}

}  // namespace

void MakeSessions(Scratch& scratch) {
  Section("make");
  InFolder in_scratch(scratch.Path(""));
  const std::string made = scratch.Path("newbase.dbf");
  Session session;
  const Plugin& dll = *session;

  // Before any table is loaded.
  CHECK_EQ(dll.Ask(dll.make, "NAME=C20|PRICE=N10,2|NOTES=M"), "OK!");
  CheckNewTable(ReadBytes(made));
  CHECK_EQ(ReadBytes(scratch.Path("newbase.dbt")), std::string("\x01\0\0\0", 4));

  // Items are trimmed; a closing "|" adds no field; the file is replaced.
  CHECK_EQ(dll.Ask(dll.make, " NAME=C20 |"), "OK!");
  const std::string one_field = ReadBytes(made);
  CHECK_EQ(static_cast<int64_t>(one_field.size()), 66);
  CHECK_EQ(LittleEndianAt(one_field, 10, 2), 21);

  // The host opens what make made with loaddb.
  CHECK_EQ(dll.Ask(dll.make, "NAME=C20|PRICE=N10,2|NOTES=M"), "OK!");
  CHECK_EQ(dll.Load(made), scratch.Path("newbase.dbt"));
  CHECK_EQ(dll.Text(dll.getfields), "NAME|PRICE|NOTES|");
  CHECK_EQ(dll.RecordCount(), 0);

  // A move beyond the last record leaves an error that the next make
  // answers, once; the loaded table and its cursor stay as they were.
  CHECK(scratch.Write("three_more.dbf",
                      BuildTable({{"NAME", 'C', 10}}, {{"one"}, {"two"}, {"three"}})));
  dll.Load(scratch.Path("three_more.dbf"));
  dll.GoTo(9);
  CHECK_EQ(dll.CurrentRecord(), 3);
  CHECK_EQ(dll.Ask(dll.make, "A=C1"), "Read record out of range. Rec # 9");
  CHECK(FileExists(made));
  CHECK_EQ(dll.Ask(dll.make, "A=C1"), "OK!");
  CHECK_EQ(dll.CurrentRecord(), 3);
  CHECK_EQ(dll.RecordCount(), 3);
  CHECK_MESSAGES();
}

}  // namespace host_test
