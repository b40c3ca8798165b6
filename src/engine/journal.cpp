#include "engine/journal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "engine/format.h"
#include "engine/table.h"
#include "support/file_names.h"

namespace quillon::engine {

namespace {

using platform::OpenMode;

// Journal layout: a mark, the file's old length and the number of saved
// ranges; for each range its offset and length and its bytes (numbers are
// u64, little-endian); then a checksum of all that comes before it. A
// journal of any other size or checksum is incomplete.
constexpr std::array<uint8_t, 8> kMark = {'Q', 'U', 'N', 'D', 'O', 0, 0, 4};
constexpr uint64_t kJournalHeadSize = 24;
constexpr uint64_t kRangeHeadSize = 16;
constexpr size_t kChunk = 64 * 1024;

// FNV-1a over 8-byte words: enough to tell a journal cut short or half
// written from a whole one, and quick enough for journals of a whole table.
// The words are counted from the start of the journal, however its bytes
// arrive.
class Checksum {
 public:
  void Add(const uint8_t* bytes, size_t n) {
    for (; n > 0 && pendingBytes_ != 0; ++bytes, --n) Take(*bytes);
    for (; n >= 8; bytes += 8, n -= 8) {
      uint64_t word = 0;
      std::memcpy(&word, bytes, 8);
      Mix(word);
    }
    for (; n > 0; ++bytes, --n) Take(*bytes);
  }
  uint32_t value() const {
    uint64_t v = value_;
    for (size_t i = 0; i < pendingBytes_; ++i) v = (v ^ pending_[i]) * kPrime;
    return static_cast<uint32_t>(v ^ v >> 32);
  }

 private:
  static constexpr uint64_t kPrime = 1099511628211ull;
  void Mix(uint64_t word) { value_ = (value_ ^ word) * kPrime; }
  void Take(uint8_t byte) {
    pending_[pendingBytes_++] = byte;
    if (pendingBytes_ < 8) return;
    uint64_t word = 0;
    std::memcpy(&word, pending_.data(), 8);
    Mix(word);
    pendingBytes_ = 0;
  }

  uint64_t value_ = 14695981039346656037ull;
  std::array<uint8_t, 8> pending_{};
  size_t pendingBytes_ = 0;
};

void StoreU64(uint8_t* p, uint64_t v) {
  StoreU32(p, static_cast<uint32_t>(v));
  StoreU32(p + 4, static_cast<uint32_t>(v >> 32));
}

uint64_t LoadU64(const uint8_t* p) { return LoadU32(p) | uint64_t{LoadU32(p + 4)} << 32; }

// Reads n bytes at the position and adds them to the checksum.
bool ReadSummed(platform::File& from, uint8_t* bytes, size_t n, Checksum& sum) {
  size_t got = 0;
  if (!from.Read(bytes, n, &got) || got != n) return false;
  sum.Add(bytes, n);
  return true;
}

// Copies `count` bytes from one file to another (or only reads them when
// `to` is null), both already positioned, adding them to the checksum.
// False when a call fails or the source ends early.
bool CopyBytes(platform::File& from, platform::File* to, uint64_t count, Checksum& sum) {
  std::vector<uint8_t> chunk(kChunk);
  while (count > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, chunk.size()));
    if (!ReadSummed(from, chunk.data(), n, sum)) return false;
    if (to != nullptr && !to->Write(chunk.data(), n)) return false;
    count -= n;
  }
  return true;
}

// Walks the journal from its start; with `file`, writes every range back
// into it and gives it its old length. False when the journal is not
// complete (nothing has been written then) or a write fails.
bool WalkJournal(platform::File& journal, platform::File* file) {
  std::array<uint8_t, kJournalHeadSize> head{};
  Checksum sum;
  if (!journal.Seek(0) || !ReadSummed(journal, head.data(), head.size(), sum) ||
      !std::equal(kMark.begin(), kMark.end(), head.begin())) {
    return false;
  }
  const uint64_t length = LoadU64(&head[8]);
  const uint64_t ranges = LoadU64(&head[16]);
  for (uint64_t i = 0; i < ranges; ++i) {
    std::array<uint8_t, kRangeHeadSize> rangeHead{};
    if (!ReadSummed(journal, rangeHead.data(), rangeHead.size(), sum)) return false;
    const ByteRange range{LoadU64(&rangeHead[0]), LoadU64(&rangeHead[8])};
    if (file != nullptr && !file->Seek(range.from)) return false;
    if (!CopyBytes(journal, file, range.length, sum)) return false;
  }
  if (file != nullptr) return SetLength(file, length) && file->Flush();
  std::array<uint8_t, 4> stored{};
  size_t got = 0;
  uint8_t extra = 0;
  return journal.Read(stored.data(), stored.size(), &got) && got == stored.size() &&
         LoadU32(stored.data()) == sum.value() && journal.Read(&extra, 1, &got) && got == 0;
}

// Checks the whole journal before anything is written back, then writes it
// back.
bool PutBack(platform::File& journal, platform::File& file) {
  return WalkJournal(journal, nullptr) && WalkJournal(journal, &file);
}

bool RemoveJournal(const std::string& journal) {
  auto& os = platform::Current();
  if (os.DeleteFile(journal)) return true;
  return os.Open(journal, OpenMode::kCreateExclusive) != nullptr;
}

}  // namespace

bool SaveForUndo(platform::File& file, const std::string& path,
                 std::initializer_list<ByteRange> ranges) {
  const std::string name = support::JournalName(path);
  uint64_t size = 0;
  if (!file.Size(&size)) return false;
  std::array<uint8_t, kJournalHeadSize> head{};
  std::copy(kMark.begin(), kMark.end(), head.begin());
  StoreU64(&head[8], size);
  StoreU64(&head[16], ranges.size());
  Checksum sum;
  sum.Add(head.data(), head.size());
  bool saved = false;
  {
    auto journal = platform::Current().Open(name, OpenMode::kCreateExclusive);
    saved = journal != nullptr && WriteAt(journal.get(), 0, head.data(), head.size());
    for (const ByteRange& range : ranges) {
      const uint64_t from = std::min(range.from, size);
      const uint64_t length = std::min(range.length, size - from);
      std::array<uint8_t, kRangeHeadSize> rangeHead{};
      StoreU64(&rangeHead[0], from);
      StoreU64(&rangeHead[8], length);
      sum.Add(rangeHead.data(), rangeHead.size());
      saved = saved && journal->Write(rangeHead.data(), rangeHead.size()) && file.Seek(from) &&
              CopyBytes(file, journal.get(), length, sum);
    }
    std::array<uint8_t, 4> tail{};
    StoreU32(tail.data(), sum.value());
    saved = saved && journal->Write(tail.data(), tail.size()) && journal->Flush();
  }
  if (!saved) RemoveJournal(name);
  return saved;
}

bool SaveHeadAndTail(platform::File& file, const std::string& path, uint64_t headBytes,
                     uint64_t from) {
  return SaveForUndo(file, path, {{0, headBytes}, {from, std::numeric_limits<uint64_t>::max()}});
}

bool CommitChange(platform::File& file, const std::string& path) {
  return file.Flush() && RemoveJournal(support::JournalName(path));
}

bool UndoChange(platform::File& file, const std::string& path) {
  const std::string name = support::JournalName(path);
  bool undone = false;
  {
    auto journal = platform::Current().Open(name, OpenMode::kReadOnlyShareRead);
    undone = journal != nullptr && PutBack(*journal, file);
  }
  return undone && RemoveJournal(name);
}

Recovery RecoverFile(platform::File& file, const std::string& path) {
  auto& os = platform::Current();
  const std::string name = support::JournalName(path);
  if (!os.IsExistingFile(name)) return Recovery::kNothingToDo;
  bool complete = false;
  bool putBack = false;
  {
    // A journal that cannot even be read may be a complete one: the file
    // stays unused rather than being taken as it is.
    auto journal = os.Open(name, OpenMode::kReadOnlyShareRead);
    if (journal == nullptr) return Recovery::kFailed;
    complete = WalkJournal(*journal, nullptr);
    putBack = complete && WalkJournal(*journal, &file);
  }
  if (!complete) {
    RemoveJournal(name);
    return Recovery::kNothingToDo;
  }
  return putBack && RemoveJournal(name) ? Recovery::kUndone : Recovery::kFailed;
}

}  // namespace quillon::engine
