#include "engine/journal.h"

#include <algorithm>
#include <array>
#include <limits>

#include "engine/format.h"
#include "engine/journal_format.h"
#include "engine/shift_journal.h"
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

// Walks the journal from its start; with `file`, writes every range back
// into it and gives it its old length. False when the journal is not
// complete (nothing has been written then) or a write fails.
bool WalkJournal(platform::File& journal, platform::File* file) {
  std::array<uint8_t, kJournalHeadSize> head{};
  RangeJournalSum sum;
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
    if (!CopySummed(journal, file, range.length, sum)) return false;
  }
  if (file != nullptr) return SetLength(file, length) && file->Flush();
  size_t got = 0;
  uint8_t extra = 0;
  return SumFollows(journal, sum) && journal.Read(&extra, 1, &got) && got == 0;
}

// Checks the whole journal before anything is written back, then writes it
// back.
bool PutBack(platform::File& journal, platform::File& file) {
  return WalkJournal(journal, nullptr) && WalkJournal(journal, &file);
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
  RangeJournalSum sum;
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
              CopySummed(file, journal.get(), length, sum);
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
    // A journal that cannot even be opened may be a complete one: the file
    // stays unused rather than being taken as it is.
    // Undoing a pack may need to write to its journal; other journals are
    // only read.
    auto journal = os.Open(name, OpenMode::kReadWriteShareRead);
    if (journal == nullptr) journal = os.Open(name, OpenMode::kReadOnlyShareRead);
    if (journal == nullptr) return Recovery::kFailed;
    if (IsShiftJournal(*journal)) {
      const Recovery shift = UndoShift(*journal, file);
      complete = shift != Recovery::kNothingToDo;
      putBack = shift == Recovery::kUndone;
    } else {
      complete = WalkJournal(*journal, nullptr);
      putBack = complete && WalkJournal(*journal, &file);
    }
  }
  if (!complete) {
    RemoveJournal(name);
    return Recovery::kNothingToDo;
  }
  return putBack && RemoveJournal(name) ? Recovery::kUndone : Recovery::kFailed;
}

}  // namespace quillon::engine
