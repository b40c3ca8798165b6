#include "engine/memo.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

#include "engine/fields.h"
#include "engine/structure.h"
#include "support/text.h"

namespace quillon::engine {

namespace {

constexpr uint64_t kFixedBlockSize = 512;
constexpr uint64_t kSizedMemoHeader = 8;  // block type and text length
constexpr uint32_t kTextBlockType = 1;
constexpr uint64_t kLargestBlock = std::numeric_limits<uint32_t>::max();

// The field types whose fields hold a block number where pointers are binary.
bool HoldsBinaryPointer(const DbfTable& t, int32_t field) {
  const uint8_t type = t.fields[static_cast<size_t>(field)].type;
  return HasBinaryMemoPointers(t.header.version) && (type == 'M' || type == 'G' || type == 'P');
}

uint32_t LoadU32BigEndian(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

void StoreU32BigEndian(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

uint64_t BlocksFor(uint64_t bytes, uint64_t blockSize) {
  return (bytes + blockSize - 1) / blockSize;
}

// The block number the field points to; 0 for none.
uint64_t BlockNumber(DbfTable& t, int32_t field) {
  if (HasBinaryMemoPointers(t.header.version)) {
    std::span<uint8_t> bytes = FieldBytes(t, field);
    std::array<uint8_t, 4> raw{};
    std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), raw.size()), raw.begin());
    // A record appended blank holds four blanks here, not a block number.
    if (raw == std::array<uint8_t, 4>{' ', ' ', ' ', ' '}) return 0;
    return LoadU32(raw.data());
  }
  std::string text = FieldText(t, field);
  std::string_view digits = text;
  while (!digits.empty() && support::IsBlankByte(digits.front())) digits.remove_prefix(1);
  // Read back as unsigned, so that every number a field can be given
  // (up to 4294967295) reads as itself; a negative one lands far beyond
  // any file.
  return static_cast<uint32_t>(support::ReadWholeNumber(digits));
}

// Whether the field can hold the block number without losing digits.
bool PointerFits(DbfTable& t, int32_t field, uint64_t block) {
  const size_t room = FieldBytes(t, field).size();
  if (room != t.fields[static_cast<size_t>(field)].width) return false;
  return HasBinaryMemoPointers(t.header.version)
             ? room >= 4
             : support::Decimal(static_cast<int64_t>(block)).size() <= room;
}

void PutPointer(DbfTable& t, int32_t field, uint64_t block) {
  if (HasBinaryMemoPointers(t.header.version)) {
    StoreU32(FieldBytes(t, field).data(), static_cast<uint32_t>(block));
    t.recordModified = true;
  } else {
    PutFieldByNumber(t, field, support::Decimal(static_cast<int64_t>(block)));
  }
}

// Reads from the memo's first block up to the first 0x1A or the end of the
// file. False when a read fails; the text then holds what was read before.
bool ReadFixed(DbfTable& t, int32_t field, std::string& text) {
  const uint64_t block = BlockNumber(t, field);
  platform::File* file = t.memoFile.get();
  uint64_t size = 0;
  if (block == 0) return true;
  if (!file->Size(&size)) return false;
  if (size <= block * kFixedBlockSize) return true;
  if (!file->Seek(block * kFixedBlockSize)) return false;
  // Most texts end in their first block: reads start at one block and grow.
  std::array<char, 16 * kFixedBlockSize> chunk;
  for (size_t want = kFixedBlockSize;; want = std::min(chunk.size(), 2 * want)) {
    size_t got = 0;
    if (!file->Read(chunk.data(), want, &got)) return false;
    const void* mark = std::memchr(chunk.data(), kEndOfFile, got);
    const size_t before =
        mark == nullptr ? got : static_cast<size_t>(static_cast<const char*>(mark) - chunk.data());
    text.append(chunk.data(), before);
    if (before != got || got < want) return true;
  }
}

// The sized layout's block size: the 16-bit number in header bytes 6 and 7.
// Bytes 4 and 5 are not part of it (some writers leave other values there),
// so no header can name a block size that makes one memo gigabytes apart
// from the next. Nothing when the size is 0.
std::optional<uint64_t> SizedBlockSize(const std::array<uint8_t, 8>& head) {
  const uint64_t size = uint64_t{head[6]} << 8 | head[7];
  if (size == 0) return std::nullopt;
  return size;
}

// Reads the text the memo's own length announces, but never more than the
// file holds. False when a read fails or the memo runs past the file's end
// (the text then holds the bytes that exist).
bool ReadSized(DbfTable& t, int32_t field, std::string& text) {
  if (field < 1 || field > t.fieldCount) return true;
  const uint64_t block = BlockNumber(t, field);
  if (block == 0) return true;
  platform::File* file = t.memoFile.get();
  std::array<uint8_t, 8> fileHead{};
  size_t got = 0;
  if (!ReadAt(file, 0, fileHead.data(), fileHead.size(), &got) || got != fileHead.size()) {
    return false;
  }
  const std::optional<uint64_t> blockSize = SizedBlockSize(fileHead);
  if (!blockSize) return false;
  const uint64_t start = block * *blockSize;
  std::array<uint8_t, kSizedMemoHeader> head{};
  uint64_t size = 0;
  if (!ReadAt(file, start, head.data(), head.size(), &got) || got != head.size() ||
      !file->Size(&size)) {
    return false;
  }
  const uint32_t length = LoadU32BigEndian(&head[4]);
  const uint64_t present = size > start + kSizedMemoHeader ? size - start - kSizedMemoHeader : 0;
  text.resize(static_cast<size_t>(std::min<uint64_t>(length, present)));
  if (!ReadAt(file, start + kSizedMemoHeader, text.data(), text.size(), &got)) {
    text.clear();
    return false;
  }
  text.resize(got);
  return got == length;
}

// Appends the text after the last block in use, ended by 0x1A 0x1A and
// filled out to whole blocks, then renews the header. The first free block
// comes from the file's length rather than from the header: where the two
// disagree, following the header would cut off stored memos or grow the file
// to a size the header made up. Returns the memo's block.
std::optional<uint64_t> AppendFixed(DbfTable& t, int32_t field, std::string_view text) {
  uint64_t size = 0;
  if (!t.memoFile->Size(&size)) return std::nullopt;
  const uint64_t block = std::max<uint64_t>(1, BlocksFor(size, kFixedBlockSize));
  const uint64_t start = block * kFixedBlockSize;
  const uint64_t next = BlocksFor(start + text.size() + 2, kFixedBlockSize);
  if (next > kLargestBlock || !PointerFits(t, field, block)) return std::nullopt;
  std::array<uint8_t, 4> head{};
  StoreU32(head.data(), static_cast<uint32_t>(next));
  const std::array<char, 2> end{static_cast<char>(kEndOfFile), static_cast<char>(kEndOfFile)};
  if (SetTableFileLength(t, FileRole::kMemo, start) &&
      WriteTableFile(t, FileRole::kMemo, start, text.data(), text.size()) &&
      WriteTableFile(t, FileRole::kMemo, start + text.size(), end.data(), end.size()) &&
      SetTableFileLength(t, FileRole::kMemo, next * kFixedBlockSize) &&
      WriteTableFile(t, FileRole::kMemo, 0, head.data(), head.size())) {
    return block;
  }
  return std::nullopt;
}

// Where a sized-layout memo goes: back into the field's old memo when the
// text fits in the blocks it owns inside the file, otherwise after the last
// block in use (taken from the file's length, as in the fixed layout).
struct SizedPlace {
  uint64_t block = 0;
  bool inPlace = false;
  uint64_t nextFree = 0;
};

// Whether the text can go where the old one is: it fits the blocks the old
// text's length claims, inside the file, and none of the blocks after the
// first that it would cover begins as another text does. A damaged length
// can claim the blocks of the texts after it; those are never written over.
bool FitsOldText(platform::File* file, uint64_t old, uint64_t blockSize, uint64_t nextFree,
                 size_t textSize) {
  std::array<uint8_t, kSizedMemoHeader> head{};
  size_t got = 0;
  if (!ReadAt(file, old * blockSize, head.data(), head.size(), &got) || got != head.size()) {
    return false;
  }
  const uint64_t owned = BlocksFor(LoadU32BigEndian(&head[4]) + kSizedMemoHeader, blockSize);
  const uint64_t covered = BlocksFor(textSize + kSizedMemoHeader, blockSize);
  if (covered > owned || old + covered > nextFree) return false;
  for (uint64_t block = old + 1; block < old + covered; ++block) {
    if (!ReadAt(file, block * blockSize, head.data(), head.size(), &got) || got != head.size() ||
        LoadU32BigEndian(&head[0]) == kTextBlockType) {
      return false;
    }
  }
  return true;
}

std::optional<SizedPlace> PlaceSized(DbfTable& t, int32_t field, uint64_t blockSize,
                                     uint64_t fileSize, size_t textSize) {
  SizedPlace place;
  place.nextFree = std::max<uint64_t>(1, BlocksFor(fileSize, blockSize));
  const uint64_t old = BlockNumber(t, field);
  place.inPlace = old != 0 && old < place.nextFree &&
                  FitsOldText(t.memoFile.get(), old, blockSize, place.nextFree, textSize);
  if (place.inPlace) {
    place.block = old;
  } else {
    place.block = place.nextFree;
    place.nextFree += BlocksFor(textSize + kSizedMemoHeader, blockSize);
  }
  if (place.nextFree > kLargestBlock || !PointerFits(t, field, place.block)) return std::nullopt;
  return place;
}

// Writes the memo where PlaceSized put it and renews the header; the change
// keeps what a rewrite in place overwrites. Returns the memo's block.
std::optional<uint64_t> StoreSized(DbfTable& t, int32_t field, std::string_view text) {
  platform::File* file = t.memoFile.get();
  uint64_t size = 0;
  std::array<uint8_t, 8> fileHead{};
  size_t got = 0;
  if (text.size() > std::numeric_limits<uint32_t>::max() || !file->Size(&size) ||
      !ReadAt(file, 0, fileHead.data(), fileHead.size(), &got) || got != fileHead.size()) {
    return std::nullopt;
  }
  const std::optional<uint64_t> blockSize = SizedBlockSize(fileHead);
  if (!blockSize) return std::nullopt;
  const std::optional<SizedPlace> place = PlaceSized(t, field, *blockSize, size, text.size());
  if (!place) return std::nullopt;

  std::array<uint8_t, kSizedMemoHeader> memoHead{};
  StoreU32BigEndian(&memoHead[0], kTextBlockType);
  StoreU32BigEndian(&memoHead[4], static_cast<uint32_t>(text.size()));
  const uint64_t start = place->block * *blockSize;
  // In place the block type stays; the length and the text are replaced.
  const bool written =
      place->inPlace
          ? WriteTableFile(t, FileRole::kMemo, start + 4, &memoHead[4], 4)
          : SetTableFileLength(t, FileRole::kMemo, start) &&
                WriteTableFile(t, FileRole::kMemo, start, memoHead.data(), memoHead.size());
  std::array<uint8_t, 4> head{};
  StoreU32BigEndian(head.data(), static_cast<uint32_t>(place->nextFree));
  if (written &&
      WriteTableFile(t, FileRole::kMemo, start + kSizedMemoHeader, text.data(), text.size()) &&
      SetTableFileLength(t, FileRole::kMemo, place->nextFree * *blockSize) &&
      WriteTableFile(t, FileRole::kMemo, 0, head.data(), head.size())) {
    return place->block;
  }
  return std::nullopt;
}

}  // namespace

bool MemoText(DbfTable& t, int32_t field, std::string& text) {
  const MemoLayout layout = MemoLayoutOf(t.header.version);
  if (t.memoFile == nullptr || layout == MemoLayout::kNone) return true;
  text.clear();
  bool read = false;
  try {
    read = layout == MemoLayout::kFixed ? ReadFixed(t, field, text) : ReadSized(t, field, text);
  } catch (...) {
    text.clear();
  }
  if (!read) RecordError(t, EngineError::kReadMemo, field);
  return read;
}

bool SetMemoText(DbfTable& t, int32_t field, std::string_view text) {
  const MemoLayout layout = MemoLayoutOf(t.header.version);
  std::optional<uint64_t> block;
  // A record that cannot be written (the buffer stands in for it) gets no
  // memo: for the sized layout its old pointer would even name another
  // record's memo to rewrite. Without a memo file the text cannot be kept,
  // which is a failure the caller must hear of.
  if (field >= 1 && field <= t.fieldCount && !t.bufferIsStandIn && !t.readOnly &&
      !t.memoReadOnly && t.memoFile != nullptr && layout != MemoLayout::kNone) {
    try {
      block =
          layout == MemoLayout::kFixed ? AppendFixed(t, field, text) : StoreSized(t, field, text);
    } catch (...) {
      block.reset();
    }
  }
  if (!block) {
    RecordError(t, EngineError::kWriteMemo, field);
    return false;
  }
  PutPointer(t, field, *block);
  // The sized layout writes the record at once; the fixed one leaves it to
  // the next post.
  return layout != MemoLayout::kSized || WriteRecord(t);
}

bool HasMemoPointer(DbfTable& t, int32_t field) {
  if (field < 1 || field > t.fieldCount) return false;
  const bool pointsIntoMemo = FieldTypeCode(t, field) == kMemoField || HoldsBinaryPointer(t, field);
  return pointsIntoMemo && BlockNumber(t, field) != 0;
}

void MarkNoMemos(DbfTable& t) {
  for (int32_t field = 1; field <= t.fieldCount; ++field) {
    std::span<uint8_t> bytes = FieldBytes(t, field);
    if (HoldsBinaryPointer(t, field) && bytes.size() >= 4) std::fill_n(bytes.begin(), 4, 0);
  }
}

}  // namespace quillon::engine
