#include "engine/earlier_journal.h"

#include <algorithm>
#include <array>

#include "engine/file_io.h"
#include "engine/format.h"

namespace quillon::engine {

namespace {

// Layout: a mark, the file's old length and the number of saved ranges; for
// each range its offset and length and its bytes (numbers are u64,
// little-endian); then a checksum of all that comes before it. A journal of
// any other size or checksum is incomplete.
constexpr std::array<uint8_t, 8> kMark = {'Q', 'U', 'N', 'D', 'O', 0, 0, 4};
constexpr uint64_t kJournalHeadSize = 24;
constexpr uint64_t kRangeHeadSize = 16;

enum class Walk { kIncomplete, kInsane, kWhole, kWriteFailed };

// Walks the journal from its start; with `file`, writes every range back
// into it and gives it its old length. The writer only ever saved ranges
// inside the file's old length, which no change made shorter.
Walk WalkJournal(platform::File& journal, uint64_t fileSize, platform::File* file) {
  std::array<uint8_t, kJournalHeadSize> head{};
  RangeJournalSum sum;
  if (!journal.Seek(0) || !ReadSummed(journal, head.data(), head.size(), sum) ||
      !std::equal(kMark.begin(), kMark.end(), head.begin())) {
    return Walk::kIncomplete;
  }
  const uint64_t length = LoadU64(&head[8]);
  const uint64_t ranges = LoadU64(&head[16]);
  bool sane = length <= fileSize;
  for (uint64_t i = 0; i < ranges; ++i) {
    std::array<uint8_t, kRangeHeadSize> rangeHead{};
    if (!ReadSummed(journal, rangeHead.data(), rangeHead.size(), sum)) return Walk::kIncomplete;
    const ByteRange range{LoadU64(&rangeHead[0]), LoadU64(&rangeHead[8])};
    sane = sane && range.from <= length && range.length <= length - range.from;
    if (file != nullptr && !file->Seek(range.from)) return Walk::kWriteFailed;
    // A range that would not fit is only read on, never written.
    if (!CopySummed(journal, sane ? file : nullptr, range.length, sum)) {
      return file != nullptr ? Walk::kWriteFailed : Walk::kIncomplete;
    }
  }
  if (file != nullptr) {
    return SetLength(file, length) && file->Flush() ? Walk::kWhole : Walk::kWriteFailed;
  }
  size_t got = 0;
  uint8_t extra = 0;
  if (!SumFollows(journal, sum) || !journal.Read(&extra, 1, &got) || got != 0) {
    return Walk::kIncomplete;
  }
  return sane ? Walk::kWhole : Walk::kInsane;
}

}  // namespace

bool IsEarlierRangeJournal(platform::File& journal) {
  std::array<uint8_t, 8> mark{};
  size_t got = 0;
  return ReadAt(&journal, 0, mark.data(), mark.size(), &got) && got == mark.size() &&
         mark == kMark;
}

Recovery UndoEarlierRangeJournal(platform::File& journal, platform::File& file) {
  uint64_t size = 0;
  if (!file.Size(&size)) return Recovery::kFailed;
  // The whole journal is checked before anything is written back.
  switch (WalkJournal(journal, size, nullptr)) {
    case Walk::kIncomplete: return Recovery::kNothingToDo;
    case Walk::kInsane: return Recovery::kKeptAside;
    default: break;
  }
  return WalkJournal(journal, size, &file) == Walk::kWhole ? Recovery::kUndone : Recovery::kFailed;
}

}  // namespace quillon::engine
