#include "engine/shift_journal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "engine/format.h"
#include "engine/journal_format.h"
#include "engine/file_io.h"

namespace quillon::engine {

namespace {

// Journal layout (numbers u64, little-endian, sums u32):
//   head:    mark, old length, from, end, record length, header bytes,
//            segment bytes, trailing bytes; the header; the bytes after the
//            last record; the head's sum.
//   slot 0, slot 1 (each of a fixed size): sequence number, target, length,
//            removed records so far, their sum, the sum of the last bytes
//            moved (the last kMovedTail of [from, target), which hold moved
//            records then); the bytes
//            [target, target + length) held before the segment was written;
//            the slot's sum. Segments take turns between the two slots.
//            Journals of the first version, which earlier builds wrote, have
//            no sum of the moved records.
//   removed records: each its offset and its bytes, in file order.
//   image (written only to undo), after the removed records of the slot in
//            force: mark, from, length; the header; the old bytes from
//            `from` to the old length; the image's sum.
constexpr std::array<uint8_t, 8> kShiftMark = {'Q', 'S', 'H', 'I', 'F', 'T', 0, 2};
constexpr std::array<uint8_t, 8> kFirstShiftMark = {'Q', 'S', 'H', 'I', 'F', 'T', 0, 1};
constexpr std::array<uint8_t, 8> kImageMark = {'Q', 'I', 'M', 'A', 'G', 'E', 0, 1};
constexpr size_t kHeadFields = 64;
constexpr size_t kSlotFields = 40;
constexpr size_t kImageFields = 24;
constexpr uint64_t kLargestSegment = uint64_t{64} << 20;
constexpr uint64_t kLargestRecord = uint64_t{1} << 16;
constexpr uint64_t kLargestOffset = uint64_t{1} << 60;
// How many of the last moved bytes a slot's sum covers: enough to tell the
// moved records from the ones a copy of the table put back would hold.
constexpr size_t kMovedTail = 4096;

struct Head {
  uint64_t oldLength = 0;
  uint64_t from = 0;
  uint64_t end = 0;
  uint64_t recordLength = 0;
  uint64_t headBytes = 0;
  uint64_t segmentBytes = 0;
  uint64_t trailing = 0;
  bool sumsMoved = true;  // the slots hold the sum of the records moved

  uint64_t Size() const { return kHeadFields + headBytes + trailing + 4; }
  uint64_t SlotSize() const { return kSlotFields + segmentBytes + 4; }
  // Odd sequence numbers go to slot 0, even ones to slot 1: the first slot
  // written is the first in the file, which is never left with a hole.
  uint64_t SlotAt(uint64_t seq) const { return Size() + ((seq + 1) % 2) * SlotSize(); }
  uint64_t EntrySize() const { return 8 + recordLength; }
  uint64_t EntryAt(uint64_t i) const { return Size() + 2 * SlotSize() + i * EntrySize(); }
  uint64_t Records() const { return (end - from) / recordLength; }

  // Numbers no writer of this journal could have stored are a damaged
  // journal, never a reason to write far outside the file.
  bool Sane() const {
    return recordLength >= 1 && recordLength <= kLargestRecord && headBytes <= from &&
           from <= end && from <= oldLength && end < kLargestOffset && oldLength < kLargestOffset &&
           (end - from) % recordLength == 0 && segmentBytes >= recordLength &&
           segmentBytes <= kLargestSegment && trailing == (oldLength > end ? oldLength - end : 0);
  }
};

struct Slot {
  uint64_t seq = 0;  // 0: none
  uint64_t target = 0;
  uint64_t length = 0;
  uint64_t removed = 0;
  uint32_t removedSum = 0;
  uint32_t movedSum = 0;

  bool FitsIn(const Head& h) const {
    return seq >= 1 && target >= h.from && target <= h.end &&
           (target - h.from) % h.recordLength == 0 && length <= h.segmentBytes &&
           length % h.recordLength == 0 && length <= h.end - target && removed <= h.Records();
  }
};

std::array<uint8_t, kHeadFields> EncodeHead(const Head& h) {
  std::array<uint8_t, kHeadFields> bytes{};
  std::copy(kShiftMark.begin(), kShiftMark.end(), bytes.begin());
  const uint64_t values[] = {h.oldLength, h.from,         h.end,     h.recordLength,
                             h.headBytes, h.segmentBytes, h.trailing};
  for (size_t i = 0; i < std::size(values); ++i) StoreU64(&bytes[8 + 8 * i], values[i]);
  return bytes;
}

Head DecodeHead(const std::array<uint8_t, kHeadFields>& bytes) {
  Head h;
  uint64_t* values[] = {&h.oldLength, &h.from,         &h.end,     &h.recordLength,
                        &h.headBytes, &h.segmentBytes, &h.trailing};
  for (size_t i = 0; i < std::size(values); ++i) *values[i] = LoadU64(&bytes[8 + 8 * i]);
  return h;
}

std::array<uint8_t, kSlotFields> EncodeSlot(const Slot& s) {
  std::array<uint8_t, kSlotFields> bytes{};
  StoreU64(&bytes[0], s.seq);
  StoreU64(&bytes[8], s.target);
  StoreU64(&bytes[16], s.length);
  StoreU64(&bytes[24], s.removed);
  StoreU32(&bytes[32], s.removedSum);
  StoreU32(&bytes[36], s.movedSum);
  return bytes;
}

Slot DecodeSlot(const std::array<uint8_t, kSlotFields>& bytes) {
  return {LoadU64(&bytes[0]), LoadU64(&bytes[8]), LoadU64(&bytes[16]), LoadU64(&bytes[24]),
          LoadU32(&bytes[32]), LoadU32(&bytes[36])};
}

bool WriteSum(platform::File& journal, const ShiftJournalSum& sum) {
  std::array<uint8_t, 4> bytes{};
  StoreU32(bytes.data(), sum.value());
  return journal.Write(bytes.data(), bytes.size());
}

// Moves the records a segment at a time, as the header comment tells. A
// segment is read once and held: its bytes go to the slot, with those between
// the write and read positions, and after the journal reached the disk its
// kept records are moved down from the same memory.
class Mover {
 public:
  Mover(platform::File& file, platform::File& journal, const Head& head, uint8_t flag,
        ShiftProgress& progress)
      : file_(file),
        journal_(journal),
        head_(head),
        flag_(flag),
        length_(static_cast<size_t>(head.recordLength)),
        progress_(progress) {}

  bool SaveHead() {
    const auto fields = EncodeHead(head_);
    ShiftJournalSum sum;
    sum.Add(fields.data(), fields.size());
    return WriteAt(&journal_, 0, fields.data(), fields.size()) && file_.Seek(0) &&
           CopySummed(file_, &journal_, head_.headBytes, sum) && file_.Seek(head_.end) &&
           CopySummed(file_, &journal_, head_.trailing, sum) && WriteSum(journal_, sum);
  }

  bool MoveAll() {
    const uint64_t segment = std::max<uint64_t>(1, head_.segmentBytes / length_) * length_;
    read_ = write_ = head_.from;
    while (read_ < head_.end) {
      const uint64_t bytes = std::min(segment, head_.end - read_);
      if (!ReadSegment(static_cast<size_t>(bytes)) || !SaveSegment()) return false;
      // A segment counts as examined once it is saved, so that a move that
      // fails reports the records it was moving.
      progress_.examined += static_cast<uint32_t>(bytes / length_);
      if (!MoveSegment()) return false;
      read_ += bytes;
    }
    progress_.end = write_;
    return true;
  }

 private:
  // The removed records go to the journal in groups of about this size, so
  // that a segment of flagged records never needs its list in memory at once.
  static constexpr size_t kRemovedGroupBytes = 64 << 10;

  // Only the last record can lack bytes, when the file ends inside it, and
  // those read as blanks. The memory is taken once, for the first segment,
  // which is the longest, and never cleared: every byte used is read into it
  // first.
  bool ReadSegment(size_t bytes) {
    if (segment_ == nullptr) segment_ = std::make_unique_for_overwrite<uint8_t[]>(bytes);
    segmentBytes_ = bytes;
    size_t got = 0;
    if (!ReadAt(&file_, read_, segment_.get(), bytes, &got)) return false;
    std::fill(segment_.get() + got, segment_.get() + bytes, kLiveFlag);
    return true;
  }

  // The slot holds the bytes the segment may overwrite, [write, write + its
  // length): those between the write and read positions first, then the
  // segment's own, as far as the slot reaches.
  bool SaveSegment() {
    const uint64_t bytes = segmentBytes_;
    const uint64_t slotAt = head_.SlotAt(++seq_);
    uint64_t contentAt = slotAt + kSlotFields;
    ShiftJournalSum sum;
    const uint64_t gap = std::min(bytes, read_ - write_);
    if (!file_.Seek(write_) || !journal_.Seek(contentAt) ||
        !CopySummed(file_, &journal_, gap, sum) || !SaveRemoved()) {
      return false;
    }
    contentAt += gap;
    const size_t ownBytes = static_cast<size_t>(bytes - gap);
    if (ownBytes > 0 && !WriteAt(&journal_, contentAt, segment_.get(), ownBytes)) return false;
    sum.Add(segment_.get(), ownBytes);
    contentAt += ownBytes;
    const auto fields =
        EncodeSlot({seq_, write_, bytes, removed_, removedSum_.value(), MovedTailSum()});
    sum.Add(fields.data(), fields.size());
    std::array<uint8_t, 4> total{};
    StoreU32(total.data(), sum.value());
    return WriteAt(&journal_, contentAt, total.data(), total.size()) &&
           WriteAt(&journal_, slotAt, fields.data(), fields.size()) && journal_.Flush();
  }

  // Adds the segment's flagged records to the journal's list of removed ones.
  bool SaveRemoved() {
    for (size_t i = 0; i < segmentBytes_; i += length_) {
      if (segment_[i] != flag_) continue;
      std::array<uint8_t, 8> offset{};
      StoreU64(offset.data(), read_ + i);
      entries_.insert(entries_.end(), offset.begin(), offset.end());
      entries_.insert(entries_.end(), segment_.get() + i, segment_.get() + i + length_);
      if (entries_.size() >= kRemovedGroupBytes && !WriteRemoved()) return false;
    }
    return WriteRemoved();
  }

  bool WriteRemoved() {
    if (entries_.empty()) return true;
    if (!WriteAt(&journal_, head_.EntryAt(removed_), entries_.data(), entries_.size())) {
      return false;
    }
    removedSum_.Add(entries_.data(), entries_.size());
    removed_ += entries_.size() / head_.EntrySize();
    entries_.clear();
    return true;
  }

  // Keeps the last bytes the segment moves, after those moved before.
  void KeepTail(size_t kept) {
    const uint8_t* end = segment_.get() + kept;
    movedTail_.insert(movedTail_.end(), end - std::min(kept, kMovedTail), end);
    if (movedTail_.size() > kMovedTail) {
      movedTail_.erase(movedTail_.begin(),
                       movedTail_.end() - static_cast<std::ptrdiff_t>(kMovedTail));
    }
  }

  uint32_t MovedTailSum() const {
    ShiftJournalSum sum;
    sum.Add(movedTail_.data(), movedTail_.size());
    return sum.value();
  }

  bool MoveSegment() {
    const uint8_t* end = segment_.get() + segmentBytes_;
    progress_.lastRecord.assign(end - length_, end);
    const size_t kept = KeepUnflagged();
    KeepTail(kept);
    if (kept > 0 && !WriteAt(&file_, write_, segment_.get(), kept)) return false;
    progress_.kept += static_cast<uint32_t>(kept / length_);
    write_ += kept;
    return file_.Flush();
  }

  // Moves the segment's unflagged records to its start, a run at a time, and
  // returns their bytes.
  size_t KeepUnflagged() {
    size_t kept = 0;
    for (size_t i = 0; i < segmentBytes_;) {
      if (segment_[i] == flag_) {
        i += length_;
        continue;
      }
      size_t run = i + length_;
      while (run < segmentBytes_ && segment_[run] != flag_) run += length_;
      if (kept != i) std::memmove(segment_.get() + kept, segment_.get() + i, run - i);
      kept += run - i;
      i = run;
    }
    return kept;
  }

  platform::File& file_;
  platform::File& journal_;
  const Head& head_;
  const uint8_t flag_;
  const size_t length_;
  ShiftProgress& progress_;
  std::unique_ptr<uint8_t[]> segment_;
  size_t segmentBytes_ = 0;
  std::vector<uint8_t> entries_;
  uint64_t read_ = 0;
  uint64_t write_ = 0;
  uint64_t seq_ = 0;
  uint64_t removed_ = 0;
  ShiftJournalSum removedSum_;
  std::vector<uint8_t> movedTail_;  // the last bytes moved, at most kMovedTail
};

bool ReadHead(platform::File& journal, Head* head) {
  std::array<uint8_t, kHeadFields> fields{};
  ShiftJournalSum sum;
  if (!journal.Seek(0) || !ReadSummed(journal, fields.data(), fields.size(), sum) ||
      (!std::equal(kShiftMark.begin(), kShiftMark.end(), fields.begin()) &&
       !std::equal(kFirstShiftMark.begin(), kFirstShiftMark.end(), fields.begin()))) {
    return false;
  }
  *head = DecodeHead(fields);
  head->sumsMoved = fields[7] == kShiftMark[7];
  return head->Sane() && CopySummed(journal, nullptr, head->headBytes + head->trailing, sum) &&
         SumFollows(journal, sum);
}

bool ReadSlot(platform::File& journal, const Head& head, uint64_t parity, Slot* slot) {
  std::array<uint8_t, kSlotFields> fields{};
  size_t got = 0;
  if (!journal.Seek(head.SlotAt(parity)) || !journal.Read(fields.data(), fields.size(), &got) ||
      got != fields.size()) {
    return false;
  }
  *slot = DecodeSlot(fields);
  // The sum covers the saved bytes first and the numbers after them.
  ShiftJournalSum sum;
  if (!slot->FitsIn(head) || slot->seq % 2 != parity ||
      !CopySummed(journal, nullptr, slot->length, sum)) {
    return false;
  }
  sum.Add(fields.data(), fields.size());
  return SumFollows(journal, sum);
}

// The list of removed records the slot counts: whole, in file order, inside
// the records.
bool RemovedListHolds(platform::File& journal, const Head& head, const Slot& slot) {
  ShiftJournalSum sum;
  std::array<uint8_t, 8> offset{};
  uint64_t next = head.from;
  if (!journal.Seek(head.EntryAt(0))) return false;
  for (uint64_t i = 0; i < slot.removed; ++i) {
    if (!ReadSummed(journal, offset.data(), offset.size(), sum)) return false;
    const uint64_t at = LoadU64(offset.data());
    if (at < next || at >= head.end || (at - head.from) % head.recordLength != 0 ||
        !CopySummed(journal, nullptr, head.recordLength, sum)) {
      return false;
    }
    next = at + head.recordLength;
  }
  return sum.value() == slot.removedSum;
}

// The slot in force: of the whole slots whose list of removed records is
// whole too, the one with the higher sequence number. A slot can be whole
// while the records it counts are not: both were written since the last
// flush, and only some writes reached the disk.
bool SlotInForce(platform::File& journal, const Head& head, Slot* slot) {
  bool found = false;
  for (uint64_t parity = 0; parity < 2; ++parity) {
    Slot candidate;
    if (ReadSlot(journal, head, parity, &candidate) && RemovedListHolds(journal, head, candidate) &&
        (!found || candidate.seq > slot->seq)) {
      *slot = candidate;
      found = true;
    }
  }
  return found;
}

// Writes the image: the file's bytes from `from` to the old length as they
// were before the move, worked out from the file as it is now.
class ImageWriter {
 public:
  ImageWriter(platform::File& journal, platform::File& file, const Head& head, const Slot& slot)
      : journal_(journal),
        file_(file),
        head_(head),
        slot_(slot),
        writeAt_(ImageAt(head, slot) + kImageFields) {}

  bool Write() {
    uint64_t size = 0;
    if (!file_.Size(&size)) return false;
    // The file is cut only after every segment reached the disk.
    const bool cut = size < head_.oldLength;
    left_ = head_.oldLength - head_.from;
    std::array<uint8_t, kImageFields> fields{};
    std::copy(kImageMark.begin(), kImageMark.end(), fields.begin());
    StoreU64(&fields[8], head_.from);
    StoreU64(&fields[16], left_);
    sum_.Add(fields.data(), fields.size());
    if (!WriteAt(&journal_, ImageAt(head_, slot_), fields.data(), fields.size()) ||
        !CopyFromJournal(kHeadFields, head_.headBytes, false) ||
        !Rebuild(cut ? head_.end : slot_.target)) {
      return false;
    }
    if (cut) {
      if (!CopyFromJournal(kHeadFields + head_.headBytes, head_.trailing, true)) return false;
    } else if (!CopyFromJournal(head_.SlotAt(slot_.seq) + kSlotFields, slot_.length, true) ||
               !CopyFromFile(slot_.target + slot_.length, left_)) {
      return false;
    }
    return left_ == 0 && WriteSum(journal_, sum_) && journal_.Flush();
  }

  static uint64_t ImageAt(const Head& head, const Slot& slot) { return head.EntryAt(slot.removed); }

 private:
  // The records from `from` to `top`: each removed one from the list, each
  // kept one from where the move put it, as many records lower as there
  // were removed ones before it.
  bool Rebuild(uint64_t top) {
    uint64_t at = head_.from;
    uint64_t removedBefore = 0;
    while (at < top) {
      uint64_t removedAt = top;
      if (removedBefore < slot_.removed && !ReadEntryOffset(removedBefore, &removedAt)) {
        return false;
      }
      removedAt = std::min(removedAt, top);
      if (!CopyFromFile(at - removedBefore * head_.recordLength, removedAt - at)) return false;
      at = removedAt;
      if (at < top) {
        if (!CopyFromJournal(head_.EntryAt(removedBefore) + 8, head_.recordLength, true)) {
          return false;
        }
        at += head_.recordLength;
        ++removedBefore;
      }
    }
    return true;
  }

  bool ReadEntryOffset(uint64_t i, uint64_t* offset) {
    std::array<uint8_t, 8> bytes{};
    size_t got = 0;
    if (!ReadAt(&journal_, head_.EntryAt(i), bytes.data(), bytes.size(), &got) || got != 8) {
      return false;
    }
    *offset = LoadU64(bytes.data());
    return true;
  }

  // Appends bytes to the image, never past the old length when `counted`.
  bool CopyFromJournal(uint64_t at, uint64_t bytes, bool counted) {
    return Copy(journal_, at, counted ? std::min(bytes, left_) : bytes, counted);
  }
  bool CopyFromFile(uint64_t at, uint64_t bytes) {
    return Copy(file_, at, std::min(bytes, left_), true);
  }
  bool Copy(platform::File& source, uint64_t at, uint64_t bytes, bool counted) {
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(bytes, 64 << 10)));
    for (uint64_t done = 0; done < bytes;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(bytes - done, chunk.size()));
      size_t got = 0;
      if (!ReadAt(&source, at + done, chunk.data(), n, &got) || got != n ||
          !journal_.Seek(writeAt_) || !journal_.Write(chunk.data(), n)) {
        return false;
      }
      sum_.Add(chunk.data(), n);
      writeAt_ += n;
      done += n;
    }
    if (counted) left_ -= bytes;
    return true;
  }

  platform::File& journal_;
  platform::File& file_;
  const Head& head_;
  const Slot& slot_;
  uint64_t writeAt_;
  uint64_t left_ = 0;
  ShiftJournalSum sum_;
};

// Checks the image whole (with `file` null) or writes it back into the file.
bool WalkImage(platform::File& journal, const Head& head, const Slot& slot, platform::File* file) {
  std::array<uint8_t, kImageFields> fields{};
  ShiftJournalSum sum;
  if (!journal.Seek(ImageWriter::ImageAt(head, slot)) ||
      !ReadSummed(journal, fields.data(), fields.size(), sum) ||
      !std::equal(kImageMark.begin(), kImageMark.end(), fields.begin()) ||
      LoadU64(&fields[8]) != head.from || LoadU64(&fields[16]) != head.oldLength - head.from) {
    return false;
  }
  if (file == nullptr) {
    return CopySummed(journal, nullptr, head.headBytes + head.oldLength - head.from, sum) &&
           SumFollows(journal, sum);
  }
  return file->Seek(0) && CopySummed(journal, file, head.headBytes, sum) && file->Seek(head.from) &&
         CopySummed(journal, file, head.oldLength - head.from, sum) &&
         SetLength(file, head.oldLength) && file->Flush();
}

bool PutImageBack(platform::File& journal, const Head& head, const Slot& slot,
                  platform::File& file) {
  return WalkImage(journal, head, slot, nullptr) && WalkImage(journal, head, slot, &file);
}

}  // namespace

size_t& ShiftSegmentBytes() {
  static size_t bytes = size_t{2} << 20;
  return bytes;
}

bool RemoveFlaggedRecords(platform::File& file, platform::File& journal,
                          const FlaggedRecords& records,
                          const std::function<bool(uint64_t end)>& finish,
                          ShiftProgress* progress) {
  Head head;
  head.from = records.from;
  head.end = records.end;
  head.recordLength = records.recordLength;
  head.headBytes = records.headBytes;
  // A segment is whole records, and no longer than the records to move: a
  // small table gets a small journal.
  const uint64_t segmentRecords = std::max<uint64_t>(
      1, std::min<uint64_t>({ShiftSegmentBytes(), records.end - records.from, kLargestSegment}) /
             std::max<size_t>(records.recordLength, 1));
  head.segmentBytes = segmentRecords * records.recordLength;
  if (!file.Size(&head.oldLength)) return false;
  head.trailing = head.oldLength > head.end ? head.oldLength - head.end : 0;
  if (!head.Sane()) return false;
  Mover mover(file, journal, head, records.flag, *progress);
  return mover.SaveHead() && mover.MoveAll() && finish(progress->end);
}

bool IsShiftJournal(platform::File& journal) {
  std::array<uint8_t, 8> mark{};
  size_t got = 0;
  return ReadAt(&journal, 0, mark.data(), mark.size(), &got) && got == mark.size() &&
         (mark == kShiftMark || mark == kFirstShiftMark);
}

Recovery UndoShift(platform::File& journal, platform::File& file) {
  Head head;
  Slot slot;
  // Without a whole head and slot, no segment was begun: the file is as it
  // was.
  if (!ReadHead(journal, &head) || !SlotInForce(journal, head, &slot)) {
    return Recovery::kNothingToDo;
  }
  // The records moved before the slot's segment were on the disk before it
  // was written; a file that does not hold them is not the one the pack
  // left (another copy put in its place), and is never rebuilt from.
  if (head.sumsMoved) {
    ShiftJournalSum moved;
    const uint64_t tail = std::min<uint64_t>(slot.target - head.from, kMovedTail);
    if (!file.Seek(slot.target - tail)) return Recovery::kFailed;
    if (!CopySummed(file, nullptr, tail, moved) || moved.value() != slot.movedSum) {
      return Recovery::kKeptAside;
    }
  }
  if (!WalkImage(journal, head, slot, nullptr)) {
    ImageWriter image(journal, file, head, slot);
    if (!image.Write()) return Recovery::kFailed;
  }
  return PutImageBack(journal, head, slot, file) ? Recovery::kUndone : Recovery::kFailed;
}

}  // namespace quillon::engine
