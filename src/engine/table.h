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
#include <memory>
#include <string>
#include <string_view>

#include "engine/change.h"
#include "engine/errors.h"
#include "engine/file_io.h"
#include "engine/format.h"
#include "platform/platform.h"

namespace quillon::engine {

struct DbfTable {
  std::string fileName;
  std::string memoFileName;
  uint32_t currentRecord = 0;
  int32_t fieldCount = 0;
  bool isOpen = false;
  bool recordModified = false;
  DbfHeader header;
  std::unique_ptr<platform::File> dbfFile;
  // Entries 1 to fieldCount are valid; entry 0 is never used.
  std::array<DbfFieldDesc, kMaxFields + 1> fields{};
  std::array<uint8_t, kRecordBufferSize> recordBuffer{};
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
  // The memo file could be opened for reading only: memo texts are refused
  // before anything is written, and the rest of a change goes on.
  bool memoReadOnly = false;
  // The change the writes of the current export call belong to, begun by
  // the first of them (BeginChange) and ended by EndChange.
  std::unique_ptr<Change> change;
  // What the table looked like in memory when the change began, for an undo.
  DbfHeader headerBeforeChange;
  bool headerModifiedBeforeChange = false;
  uint32_t knownLiveBeforeChange = 0;
  // Set for a scratch copy no one reads until the library has closed it (a
  // rebuild in the temporary folder): its files gather their writes
  // (write_behind.h) from the open on, a write-out that fails sets the flag,
  // and its changes are written without a journal, since nothing relies on
  // the copy before it is complete.
  bool* scratchWriteOutFailed = nullptr;
  // Records 1 to this number are known not to be marked deleted, because a
  // pack left them so and nothing has written a deleted flag among them
  // since: the next pack need not read them again. 0 after opening.
  uint32_t knownLiveRecords = 0;
};

// A closed table over those files. A change pending in the buffer is
// written before the cursor moves, a record is appended or the table closes.
std::unique_ptr<DbfTable> NewDbfTable(std::string fileName, std::string memoFileName);

// true opens the table named by fileName (with its memo file when
// memoFileName names an existing file); false writes back what is pending
// and closes it. A table that cannot be written is opened for reading, and
// a change that an earlier run left unfinished is undone first. False when
// the table did not open, or when what the close had to write was not made.
bool SetActive(DbfTable& table, bool active);

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

// Record k's offset in the table file, computed in 64 bits.
uint64_t RecordOffset(const DbfTable& table, uint32_t record);

// The byte range of a field inside the record, cut at the record's end, so
// that fields a damaged descriptor list puts past it read as empty.
struct FieldSpan {
  size_t begin = 0;
  size_t length = 0;
};
FieldSpan SpanOf(const DbfTable& table, const DbfFieldDesc& field);

// The table's change for the current export call, begun if none is: every
// write into the table's files goes through it. Null when nothing may be
// written (a closed or read-only table).
Change* BeginChange(DbfTable& table);
// Writes through the change; false when the bytes did not reach the file
// or could not be guarded.
bool WriteTableFile(DbfTable& table, FileRole role, uint64_t at, const void* bytes, size_t n);
bool SetTableFileLength(DbfTable& table, FileRole role, uint64_t length);
// Ends the export call's change: makes it count or, when anything in it
// failed, undoes it whole and puts the table in memory back as it was. An
// undo that fails leaves the table closed to writes. True when the change
// was made (or there was none).
bool EndChange(DbfTable& table);

}  // namespace quillon::engine
