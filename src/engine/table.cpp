#include "engine/table.h"

#include <algorithm>

#include "engine/change_recovery.h"
#include "engine/read_window.h"
#include "engine/structure.h"
#include "engine/write_behind.h"
#include "support/text.h"

namespace quillon::engine {

namespace {

using platform::OpenMode;

// Opens a file of the table for reading and writing or, when that is
// refused (a read-only file, folder or share, or another program reading
// it), for reading only. A file another program writes stays closed either
// way. Every file is read through a window; a scratch copy's files also
// gather their writes above it, since reading the copy back goes over what
// was written out moments before.
std::unique_ptr<platform::File> OpenForUse(const DbfTable& t, const std::string& path,
                                           bool* readOnly) {
  auto& os = platform::Current();
  auto file = os.Open(path, OpenMode::kReadWriteShareRead);
  *readOnly = file == nullptr;
  if (file == nullptr) file = os.Open(path, OpenMode::kReadOnlyShareRead);
  auto windowed = ReadThroughWindow(std::move(file));
  if (windowed != nullptr && t.scratchWriteOutFailed != nullptr) {
    return std::make_unique<WriteBehindFile>(std::move(windowed), t.scratchWriteOutFailed);
  }
  return windowed;
}

// The table's own file, as the source its structure is read from.
class OpenTableFile final : public StructureSource {
 public:
  explicit OpenTableFile(platform::File* file) : file_(file) {}
  bool Read(uint64_t offset, uint8_t* into, size_t length, size_t* got) override {
    return ReadAt(file_, offset, into, length, got);
  }
  bool Size(uint64_t* size) override { return file_->Size(size); }

 private:
  platform::File* file_;
};

// Takes in the header and the descriptors; false when the structure cannot
// be held safely. A table whose field widths do not add up is never
// written.
bool ReadStructure(DbfTable& t) {
  OpenTableFile source(t.dbfFile.get());
  const TableStructure s = ReadTableStructure(source);
  t.header = s.header;
  if (s.verdict == StructureVerdict::kRefused) return false;
  if (s.trouble != DescriptorTrouble::kNone) {
    RecordError(t,
                s.trouble == DescriptorTrouble::kReadFailed ? EngineError::kHeaderBuffer
                                                            : EngineError::kHeaderSize,
                s.troubledField);
  }
  t.fieldCount = s.fieldCount;
  t.fields = s.fields;
  if (s.verdict == StructureVerdict::kReadOnly) t.readOnly = true;
  t.currentRecord = 1;
  ReadRecord(t);
  return true;
}

}  // namespace

std::unique_ptr<DbfTable> NewDbfTable(std::string fileName, std::string memoFileName) {
  auto table = std::make_unique<DbfTable>();
  table->fileName = std::move(fileName);
  table->memoFileName = std::move(memoFileName);
  return table;
}

bool SetActive(DbfTable& t, bool active) {
  auto& os = platform::Current();
  if (!active) {
    if (!t.isOpen) return true;
    PostRecord(t);
    if (t.headerModified) {
      BeginChange(t);
      StampDate(t);
      WriteHeader(t);
    }
    const bool made = EndChange(t);
    t.dbfFile.reset();
    t.memoFile.reset();
    t.isOpen = false;
    return made;
  }
  if (t.isOpen) return true;
  if (!os.IsExistingFile(t.fileName)) {
    RecordError(t, EngineError::kFileNotExist, t.fileName);
    return false;
  }
  t.dbfFile = OpenForUse(t, t.fileName, &t.readOnly);
  t.knownLiveRecords = 0;
  t.isOpen = t.dbfFile != nullptr;
  t.headerModified = false;
  t.change.reset();
  // A memo file that is the table file itself is never used as one: memo
  // writes would overwrite the table. The memo file of a table that is not
  // written is only read.
  t.memoReadOnly = t.readOnly;
  if (t.isOpen && !t.memoFileName.empty() && t.memoFileName != t.fileName &&
      os.IsExistingFile(t.memoFileName)) {
    t.memoFile = t.readOnly
                     ? ReadThroughWindow(os.Open(t.memoFileName, OpenMode::kReadOnlyShareRead))
                     : OpenForUse(t, t.memoFileName, &t.memoReadOnly);
  }
  // A file held by another program, one a journal shows half changed and
  // that cannot be put back, or one whose structure cannot be held safely,
  // is left closed: no later operation reads records of an unknown size
  // into the buffer or writes anything into it. Nothing of the table opened
  // before stays visible either.
  if (!t.isOpen ||
      RecoverChange({t.dbfFile.get(), t.memoFile.get(), t.fileName}, t.memoFileName) ==
          Recovery::kFailed ||
      !ReadStructure(t)) {
    RecordError(t, EngineError::kHeader, "32");
    t.dbfFile.reset();
    t.memoFile.reset();
    t.isOpen = false;
    t.header = DbfHeader{};
    t.fieldCount = 0;
    t.currentRecord = 0;
  }
  return t.isOpen;
}

void RecordError(DbfTable& t, EngineError code, std::string_view detail) {
  t.lastErrorCode = static_cast<uint8_t>(code);
  t.lastErrorText = std::string(ErrorMessage(code)) + " " + std::string(detail);
}

void RecordError(DbfTable& t, EngineError code, int64_t detail) {
  RecordError(t, code, support::Decimal(detail));
}

std::string TakeLastError(DbfTable& t) {
  std::string text = std::move(t.lastErrorText);
  t.lastErrorCode = 0;
  t.lastErrorText = std::string(ErrorMessage(EngineError::kNone));
  return text;
}

uint64_t RecordOffset(const DbfTable& t, uint32_t record) {
  return uint64_t{t.header.headerLength} + uint64_t{record - 1} * t.header.recordLength;
}

FieldSpan SpanOf(const DbfTable& t, const DbfFieldDesc& field) {
  const size_t end_of_record = std::min<size_t>(t.header.recordLength, kRecordBufferSize);
  const size_t begin = std::min<size_t>(field.offset - 1u, end_of_record);
  const size_t end = std::min<size_t>(begin + field.width, end_of_record);
  return {begin, end - begin};
}

void BlankBuffer(DbfTable& t, size_t from) {
  const size_t end = std::min<size_t>(t.header.recordLength, kRecordBufferSize);
  for (size_t i = from; i < end; ++i) t.recordBuffer[i] = kLiveFlag;
}

bool ReadRecordBytes(DbfTable& t, uint64_t offset) {
  size_t got = 0;
  if (!ReadAt(t.dbfFile.get(), offset, t.recordBuffer.data(), t.header.recordLength, &got)) {
    return false;
  }
  // The missing bytes read as blanks rather than as another record's
  // leftovers.
  BlankBuffer(t, got);
  return true;
}

void ReadRecord(DbfTable& t) {
  const uint32_t n = t.currentRecord;
  if (n >= 1 && n <= t.header.recordCount) {
    if (ReadRecordBytes(t, RecordOffset(t, n))) {
      t.bufferIsStandIn = false;
    } else {
      RecordError(t, EngineError::kReadRecord, static_cast<int32_t>(n));
      t.bufferIsStandIn = true;
    }
  } else {
    BlankBuffer(t, 0);
    t.bufferIsStandIn = true;
    if (n != 0) {
      RecordError(t, EngineError::kReadOutOfRange, static_cast<int32_t>(n));
      t.currentRecord = t.header.recordCount;
    }
  }
  t.recordModified = false;
}

bool WriteRecord(DbfTable& t) {
  const uint32_t n = t.currentRecord;
  bool written = false;
  // A record written with the deleted flag (even by a write that fails
  // part-way) is no longer known to be live.
  if (n >= 1 && t.recordBuffer[0] == kDeletedFlag) {
    t.knownLiveRecords = std::min(t.knownLiveRecords, n - 1);
  }
  if (n == 0 || n > t.header.recordCount) {
    RecordError(t, EngineError::kWriteOutOfRange, static_cast<int32_t>(n));
  } else if (t.bufferIsStandIn ||
             !WriteTableFile(t, FileRole::kTable, RecordOffset(t, n), t.recordBuffer.data(),
                             t.header.recordLength)) {
    RecordError(t, EngineError::kWriteRecord, static_cast<int32_t>(n));
  } else {
    t.headerModified = true;
    written = true;
  }
  t.recordModified = false;
  return written;
}

void PostRecord(DbfTable& t) {
  if (t.recordModified) WriteRecord(t);
}

std::array<uint8_t, 3> TodayStamp() {
  const platform::LocalDate today = platform::Current().Today();
  return {static_cast<uint8_t>(today.year % 100), static_cast<uint8_t>(today.month),
          static_cast<uint8_t>(today.day)};
}

void StampDate(DbfTable& t) { t.header.lastUpdate = TodayStamp(); }

bool WriteHeader(DbfTable& t) {
  HeaderBytes bytes = EncodeHeader(t.header);
  return WriteTableFile(t, FileRole::kTable, 0, bytes.data(), bytes.size());
}

Change* BeginChange(DbfTable& t) {
  if (!t.isOpen || t.readOnly || t.dbfFile == nullptr) return nullptr;
  if (t.change == nullptr) {
    t.change = std::make_unique<Change>(
        ChangeFiles{t.dbfFile.get(), t.memoReadOnly ? nullptr : t.memoFile.get(), t.fileName},
        t.scratchWriteOutFailed == nullptr);
    t.headerBeforeChange = t.header;
    t.headerModifiedBeforeChange = t.headerModified;
    t.knownLiveBeforeChange = t.knownLiveRecords;
  }
  return t.change.get();
}

bool WriteTableFile(DbfTable& t, FileRole role, uint64_t at, const void* bytes, size_t n) {
  Change* change = BeginChange(t);
  return change != nullptr && change->Write(role, at, bytes, n) == ChangeStatus::kOk;
}

bool SetTableFileLength(DbfTable& t, FileRole role, uint64_t length) {
  Change* change = BeginChange(t);
  return change != nullptr && change->SetLength(role, length) == ChangeStatus::kOk;
}

bool EndChange(DbfTable& t) {
  if (t.change == nullptr) return true;
  const Change::Outcome outcome = t.change->Commit();
  t.change.reset();
  if (outcome == Change::Outcome::kMade) return true;
  t.header = t.headerBeforeChange;
  t.headerModified = t.headerModifiedBeforeChange;
  t.knownLiveRecords = t.knownLiveBeforeChange;
  t.bufferIsStandIn = true;
  t.recordModified = false;
  if (outcome == Change::Outcome::kLeftForNextOpen) t.readOnly = true;
  return false;
}

}  // namespace quillon::engine
