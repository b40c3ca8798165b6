// The table object: one dBase table with its open files, the in-memory header
// and descriptors, the current record in a fixed buffer, and the last error.
// Opening, closing, record input and output and error recording live here;
// moving, fields, appending and memo texts have headers of their own.
//
// Promises: no operation throws; failures are recorded as the last error and
// the caller carries on. No operation reads or writes outside the object's
// buffers, whatever the files contain: a table whose structure the engine
// cannot hold safely is left closed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/errors.h"
#include "engine/format.h"
#include "platform/platform.h"

namespace quillon::engine {

struct DbfTable;

// Asked before a move or a mark; setting the flag to false refuses it.
using PermissionHook = std::function<void(DbfTable&, bool& allowed)>;
// Told after a blank record was appended. Throwing counts as a failure.
using AppendHook = std::function<void(DbfTable&)>;

struct DbfTable {
  std::string fileName;
  std::string memoFileName;
  uint32_t currentRecord = 0;
  int32_t fieldCount = 0;
  bool isOpen = false;
  bool recordModified = false;
  bool autoPost = false;
  DbfHeader header;
  std::unique_ptr<platform::File> dbfFile;
  // Entries 1 to fieldCount are valid; entry 0 is never used.
  std::array<DbfFieldDesc, kMaxFields + 1> fields{};
  std::array<uint8_t, kRecordBufferSize> recordBuffer{};
  PermissionHook onBeforeMove;
  PermissionHook onBeforeMark;
  AppendHook onAppend;
  std::unique_ptr<platform::File> memoFile;
  bool headerModified = false;
  uint8_t lastErrorCode = 0;
  std::string lastErrorText;
  // The buffer holds blanks or the leftovers of a failed read rather than
  // record currentRecord: writing it back would destroy that record.
  bool bufferIsStandIn = false;
  // Nothing may be written into the table: it could only be opened for
  // reading, its field widths do not add up to its record length, or a
  // change could not be finished cleanly (the next open puts it right).
  bool readOnly = false;
  // Records 1 to this number are known not to be marked deleted, because a
  // pack left them so and nothing has written a deleted flag among them
  // since: the next pack need not read them again. 0 after opening.
  uint32_t knownLiveRecords = 0;
};

std::unique_ptr<DbfTable> NewDbfTable(std::string fileName, std::string memoFileName,
                                      bool autoPost);

// true opens the table named by fileName (with its memo file when
// memoFileName names an existing file); false writes back what is pending
// and closes it. A table that cannot be written is opened for reading, and
// a change that an earlier run left unfinished is undone first.
void SetActive(DbfTable& table, bool active);

void RecordError(DbfTable& table, EngineError code, std::string_view detail);
void RecordError(DbfTable& table, EngineError code, int64_t detail);

// The last error's text; clears the error.
std::string TakeLastError(DbfTable& table);

// Loads record currentRecord into the buffer (blank for numbers outside the
// table, which also moves the cursor to the last record).
void ReadRecord(DbfTable& table);
// Fills the record's bytes in the buffer with blanks from byte `from` on.
void BlankBuffer(DbfTable& table, size_t from);
// Reads a record's bytes at that offset into the buffer; bytes the file does
// not hold (a file that ends inside its last record) read as blanks. False
// when a call fails.
bool ReadRecordBytes(DbfTable& table, uint64_t offset);
// Writes the buffer as record currentRecord; false when it did not reach the
// file.
bool WriteRecord(DbfTable& table);
// WriteRecord when the buffer was modified.
void PostRecord(DbfTable& table);
// Today's local date as a header stores it: year modulo 100, month, day.
std::array<uint8_t, 3> TodayStamp();
// Puts today's local date into the in-memory header.
void StampDate(DbfTable& table);
// Writes the in-memory header at offset 0; false when that fails.
bool WriteHeader(DbfTable& table);

// Asks a permission hook; a hook that throws refuses.
bool AskPermission(const PermissionHook& hook, DbfTable& table);

// Record k's offset in the table file, computed in 64 bits.
uint64_t RecordOffset(const DbfTable& table, uint32_t record);

// How many records a table file of `fileSize` bytes really holds: whole
// records, and a last record the file ends inside (read with its missing
// bytes blank). A single byte after the last whole record is an end-of-file
// mark, not a record. A header never gets more records than this.
uint32_t RecordsHeld(const DbfHeader& header, uint64_t fileSize);

// The byte range of a field inside the record, cut at the record's end, so
// that fields a damaged descriptor list puts past it read as empty.
struct FieldSpan {
  size_t begin = 0;
  size_t length = 0;
};
FieldSpan SpanOf(const DbfTable& table, const DbfFieldDesc& field);

// Positions a file and reads or writes there; false when there is no file or
// a call fails. Reading reports how many bytes arrived.
bool ReadAt(platform::File* file, uint64_t offset, void* buffer, size_t n, size_t* got);
bool WriteAt(platform::File* file, uint64_t offset, const void* buffer, size_t n);
// Makes the file exactly `length` bytes long (cuts or grows it).
bool SetLength(platform::File* file, uint64_t length);

}  // namespace quillon::engine
