#include "engine/table.h"

#include <algorithm>

#include "support/text.h"

namespace quillon::engine {

namespace {

using platform::OpenMode;

// Reads the header and the descriptors. False when the structure cannot be
// held safely: the header is incomplete, the descriptor list has no end
// within the file or more entries than the engine holds, a record is empty or
// larger than the record buffer, or records would overlap the descriptors.
bool ReadStructure(DbfTable& t) {
  HeaderBytes header_bytes{};
  size_t got = 0;
  if (!ReadAt(t.dbfFile.get(), 0, header_bytes.data(), kHeaderSize, &got) || got != kHeaderSize) {
    return false;
  }
  t.header = DecodeHeader(header_bytes);

  int count = 0;
  for (;;) {
    uint8_t first = 0;
    uint64_t slot = kHeaderSize + uint64_t{kDescriptorSize} * static_cast<uint64_t>(count);
    if (!ReadAt(t.dbfFile.get(), slot, &first, 1, &got) || got != 1) return false;
    if (first == kDescriptorEnd) break;
    if (++count > kMaxFields) return false;
  }
  const uint32_t record_length = t.header.recordLength;
  if (record_length == 0 || record_length > kRecordBufferSize ||
      t.header.headerLength < kHeaderSize + kDescriptorSize * count + 1) {
    return false;
  }

  t.fieldCount = count;
  uint32_t position = 2;
  for (int i = 1; i <= count; ++i) {
    DescriptorBytes bytes{};
    uint64_t at = uint64_t{kDescriptorSize} * static_cast<uint64_t>(i);
    if (!ReadAt(t.dbfFile.get(), at, bytes.data(), kDescriptorSize, &got)) {
      bytes.fill(0);
      RecordError(t, EngineError::kHeaderBuffer, i);
    } else if (got < kDescriptorSize) {
      RecordError(t, EngineError::kHeaderSize, i);
    }
    DbfFieldDesc& field = t.fields[static_cast<size_t>(i)];
    field = DecodeDescriptor(bytes);
    field.offset = position;
    position += field.width;
    for (auto& c : field.name) {
      if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
    }
  }
  t.currentRecord = 1;
  ReadRecord(t);
  return true;
}

}  // namespace

std::unique_ptr<DbfTable> NewDbfTable(std::string fileName, std::string memoFileName,
                                      bool autoPost) {
  auto table = std::make_unique<DbfTable>();
  table->fileName = std::move(fileName);
  table->memoFileName = std::move(memoFileName);
  table->autoPost = autoPost;
  return table;
}

void SetActive(DbfTable& t, bool active) {
  auto& os = platform::Current();
  if (!active) {
    if (!t.isOpen) return;
    if (t.autoPost) PostRecord(t);
    if (t.headerModified) {
      StampDate(t);
      WriteHeader(t);
    }
    t.dbfFile.reset();
    t.memoFile.reset();
    t.isOpen = false;
    return;
  }
  if (t.isOpen) return;
  if (!os.IsExistingFile(t.fileName)) {
    RecordError(t, EngineError::kFileNotExist, t.fileName);
    return;
  }
  t.dbfFile = os.Open(t.fileName, OpenMode::kReadWriteShareRead);
  t.isOpen = t.dbfFile != nullptr;
  t.headerModified = false;
  // A file held by another program, or one whose structure cannot be held
  // safely, is left closed: no later operation reads records of an unknown
  // size into the buffer or writes anything into it. Nothing of the table
  // opened before stays visible either.
  if (!t.isOpen || !ReadStructure(t)) {
    RecordError(t, EngineError::kHeader, "32");
    t.dbfFile.reset();
    t.isOpen = false;
    t.header = DbfHeader{};
    t.fieldCount = 0;
    t.currentRecord = 0;
    return;
  }
  // A memo file that is the table file itself is never used as one: memo
  // writes would overwrite the table.
  if (!t.memoFileName.empty() && t.memoFileName != t.fileName &&
      os.IsExistingFile(t.memoFileName)) {
    t.memoFile = os.Open(t.memoFileName, OpenMode::kReadWriteShareRead);
  }
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

bool AskPermission(const PermissionHook& hook, DbfTable& t) {
  bool allowed = true;
  try {
    hook(t, allowed);
  } catch (...) {
    allowed = false;
  }
  return allowed;
}

uint64_t RecordOffset(const DbfTable& t, uint32_t record) {
  return uint64_t{t.header.headerLength} + uint64_t{record - 1} * t.header.recordLength;
}

void BlankBuffer(DbfTable& t, size_t from) {
  const size_t end = std::min<size_t>(t.header.recordLength, kRecordBufferSize);
  for (size_t i = from; i < end; ++i) t.recordBuffer[i] = kLiveFlag;
}

void ReadRecord(DbfTable& t) {
  const uint32_t n = t.currentRecord;
  const size_t length = t.header.recordLength;
  if (n >= 1 && n <= t.header.recordCount) {
    size_t got = 0;
    if (ReadAt(t.dbfFile.get(), RecordOffset(t, n), t.recordBuffer.data(), length, &got)) {
      // A file cut short inside this record: the missing bytes read as
      // blanks rather than as another record's leftovers.
      BlankBuffer(t, got);
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
  if (n == 0 || n > t.header.recordCount) {
    RecordError(t, EngineError::kWriteOutOfRange, static_cast<int32_t>(n));
  } else if (t.bufferIsStandIn ||
             !WriteAt(t.dbfFile.get(), RecordOffset(t, n), t.recordBuffer.data(),
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

void StampDate(DbfTable& t) {
  platform::LocalDate today = platform::Current().Today();
  t.header.lastUpdate = {static_cast<uint8_t>(today.year % 100), static_cast<uint8_t>(today.month),
                         static_cast<uint8_t>(today.day)};
}

bool WriteHeader(DbfTable& t) {
  HeaderBytes bytes = EncodeHeader(t.header);
  return WriteAt(t.dbfFile.get(), 0, bytes.data(), bytes.size());
}

bool ReadAt(platform::File* file, uint64_t offset, void* buffer, size_t n, size_t* got) {
  *got = 0;
  return file != nullptr && file->Seek(offset) && file->Read(buffer, n, got);
}

bool WriteAt(platform::File* file, uint64_t offset, const void* buffer, size_t n) {
  return file != nullptr && file->Seek(offset) && file->Write(buffer, n);
}

bool SetLength(platform::File* file, uint64_t length) {
  return file != nullptr && file->Seek(length) && file->SetEnd();
}

}  // namespace quillon::engine
