// The one doorway to the operating system. Everything the library does with
// files, the clock, the temporary folder and message boxes goes
// through the Platform interface, so that the Win32 implementation (the real
// target), the POSIX stand-in and the tests' fault-injecting wrappers can be
// swapped without touching the engine. No function here throws.
// A folder the library works in may have been prepared by someone else, so
// no call here opens or writes anything but a regular file (not a folder, a
// pipe, a device, on Windows names such as COM1 or AUX.dbf, or a socket),
// and the files the library makes for itself never through a link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillon::platform {

// An open file. Closing happens when the object is destroyed.
class File {
 public:
  virtual ~File() = default;
  // Moves the read/write position to an absolute offset. False on failure.
  virtual bool Seek(uint64_t offset) = 0;
  // Reads up to n bytes at the position; *got receives how many arrived
  // (fewer at the end of the file). False when the call itself fails.
  virtual bool Read(void* buffer, size_t n, size_t* got) = 0;
  // The same at an absolute offset, in one call; the position afterwards is
  // not known.
  virtual bool ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) = 0;
  // Writes n bytes at the position. False when the call fails.
  virtual bool Write(const void* buffer, size_t n) = 0;
  virtual bool Size(uint64_t* size) = 0;
  // Makes the current position the end of the file (grows or cuts it).
  virtual bool SetEnd() = 0;
  // Returns once everything written so far is on the disk, so that what is
  // written next can rely on it surviving a crash.
  virtual bool Flush() = 0;
};

// Every mode opens regular files only, and never waits for one.
enum class OpenMode {
  // An existing table or memo file: read and write, others may only read.
  // The name may be a link to it.
  kReadWriteShareRead,
  // An existing file read only (a text to import, a table that cannot be
  // written): others may only read. The name may be a link to it.
  kReadOnlyShareRead,
  // A new table or memo file: created or replaced, for this caller alone.
  // A link at the name is refused, never followed.
  kCreateExclusive,
  // A file the library makes for itself (a journal, a backup), which must
  // not exist yet: refused when anything at all has the name, even a link
  // that leads nowhere. Read and write; others may only read. On POSIX only
  // its owner may read it; on Windows it takes the folder's permissions.
  kCreateNew,
  // An existing file the library made (a journal an interrupted change left,
  // a backup): read and write, others may only read. Refused when the name
  // is a link.
  kReadWriteOwn,
};

struct LocalDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;
  // Null when the file cannot be opened in that mode.
  virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
  // True for a path that names a regular file, directly or through a link.
  virtual bool IsExistingFile(const std::string& path) = 0;
  // True when anything at all has that name: a file, a folder, a link even
  // to nothing, a device. Also true when the system cannot tell that the
  // name is free, so a caller looking for a free name must bound its tries.
  virtual bool NameIsTaken(const std::string& path) = 0;
  virtual LocalDate Today() = 0;
  // The folder for temporary files, ending in its separator; false when
  // there is none that is safe to use.
  virtual bool TempFolder(std::string* folder) = 0;
  // Copies a regular file over any existing target that is a regular file
  // itself; a link at the target is refused, never written through.
  // Copying a file onto itself fails and leaves it untouched.
  virtual bool CopyFile(const std::string& from, const std::string& to) = 0;
  // Gives a file (or a link, itself) a new name, never replacing what has
  // that name already: false when anything has it or the call fails.
  virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
  // Deletes a file; a link is deleted itself, not what it leads to.
  virtual bool DeleteFile(const std::string& path) = 0;
  // 64 bits that differ from call to call and from process to process: a
  // salt for names, not a secret.
  virtual uint64_t RandomNumber() = 0;
  // Shows a message to the user and returns when it has been dismissed.
  virtual void ShowMessage(const std::string& text) = 0;
};

// The platform in use. Starts as this build's native implementation.
Platform& Current();

// Replaces the platform in use (tests); nullptr restores the native one.
void SetCurrent(Platform* platform);

// The native implementation of this build, created on first use.
Platform& Native();

}  // namespace quillon::platform
