#include "engine/change.h"

#include <algorithm>

#include "engine/change_journal.h"
#include "engine/file_io.h"
#include "support/file_names.h"

namespace quillon::engine {

using platform::OpenMode;
using namespace change_journal;

Change::Change(ChangeFiles files, bool journaled)
    : files_(std::move(files)),
      journaled_(journaled),
      journalPath_(support::JournalName(files_.tablePath)) {}

Change::~Change() = default;

platform::File* Change::FileOf(FileRole role) const {
  return role == FileRole::kTable ? files_.table : files_.memo;
}

ChangeStatus Change::Start() {
  if (started_) return journalBroken_ ? ChangeStatus::kJournalFailed : ChangeStatus::kOk;
  if (files_.table == nullptr) return ChangeStatus::kRefused;
  if (!journaled_) {
    started_ = true;
    return ChangeStatus::kOk;
  }
  Head head;
  size_t got = 0;
  memoPresent_ = files_.memo != nullptr;
  if (!files_.table->Size(&startLength_[0]) ||
      (memoPresent_ && !files_.memo->Size(&startLength_[1])) ||
      !ReadAt(files_.table, 0, head.header.data(), head.header.size(), &got)) {
    return ChangeStatus::kFileFailed;
  }
  auto& os = platform::Current();
  journal_ = os.Open(journalPath_, OpenMode::kCreateNew);
  if (journal_ == nullptr) {
    // A finished journal that could not be removed is taken again; any
    // other file of that name stays as it is, and so do the table's files.
    journal_ = os.Open(journalPath_, OpenMode::kReadWriteOwn);
    std::array<uint8_t, 8> mark{};
    if (journal_ == nullptr || !ReadMark(*journal_, &mark, &got) || got != mark.size() ||
        mark != kFinished || !engine::SetLength(journal_.get(), 0)) {
      journal_.reset();
      return ChangeStatus::kRefused;
    }
  }
  salt_ = os.RandomNumber();
  head.salt = salt_;
  head.length = startLength_;
  head.memoPresent = memoPresent_;
  const auto fields = EncodeHead(head);
  RangeJournalSum sum = SaltedSum(salt_, 0);
  sum.Add(fields.data(), fields.size());
  started_ = true;
  tableReach_ = startLength_[0];
  entriesEnd_ = kHeadSize;
  journalDirty_ = true;
  if (!WriteAt(journal_.get(), 0, fields.data(), fields.size()) || !WriteSum(*journal_, sum)) {
    journalBroken_ = failed_ = true;
    return ChangeStatus::kJournalFailed;
  }
  return ChangeStatus::kOk;
}

ChangeStatus Change::AddEntry(uint64_t kind, uint64_t offset, uint64_t reach, FileRole role,
                              uint64_t from, uint64_t length, const std::string* literal) {
  std::array<uint8_t, kEntryFields> fields{};
  StoreU64(&fields[0], kind);
  StoreU64(&fields[8], offset);
  StoreU64(&fields[16], length);
  StoreU64(&fields[24], reach);
  RangeJournalSum sum = SaltedSum(salt_, ++entries_);
  sum.Add(fields.data(), fields.size());
  journalDirty_ = true;
  platform::File* file = FileOf(role);
  const auto* text = literal != nullptr ? reinterpret_cast<const uint8_t*>(literal->data()) : nullptr;
  if (text != nullptr) sum.Add(text, length);
  const bool written =
      WriteAt(journal_.get(), entriesEnd_, fields.data(), fields.size()) &&
      (length == 0 ||
       (text != nullptr ? journal_->Write(text, static_cast<size_t>(length))
                        : file != nullptr && file->Seek(from) &&
                              CopySummed(*file, journal_.get(), length, sum))) &&
      WriteSum(*journal_, sum);
  if (!written) {
    journalBroken_ = failed_ = true;
    return ChangeStatus::kJournalFailed;
  }
  entriesEnd_ += kEntryFields + length + 4;
  if (kind == kTableBytes) tableReach_ = std::max(tableReach_, reach);
  return ChangeStatus::kOk;
}

ChangeStatus Change::SaveParts(FileRole role, uint64_t from, uint64_t to) {
  const size_t r = static_cast<size_t>(role);
  const uint64_t kind = role == FileRole::kTable ? kTableBytes : kMemoBytes;
  const uint64_t reach = to;
  to = std::min(to, startLength_[r]);
  // The parts of [from, to) no entry holds yet, in order.
  while (from < to) {
    uint64_t partEnd = to;
    bool covered = false;
    for (const Saved& s : saved_) {
      if (s.role != role) continue;
      if (s.from <= from && from < s.to) {
        from = s.to;
        covered = true;
        break;
      }
      if (from < s.from && s.from < partEnd) partEnd = s.from;
    }
    if (covered) continue;
    const ChangeStatus s = AddEntry(kind, from, std::max(reach, partEnd), role, from, partEnd - from);
    if (s != ChangeStatus::kOk) return s;
    saved_.push_back({role, from, partEnd});
    from = partEnd;
  }
  // A table that may grow past what the journal allows says so first, or a
  // later open would take the longer table for someone else's.
  if (role == FileRole::kTable && reach > tableReach_) {
    return AddEntry(kTableBytes, startLength_[r], reach, role, 0, 0);
  }
  return ChangeStatus::kOk;
}

bool Change::Covered(FileRole role, uint64_t from, uint64_t to) const {
  if (role == FileRole::kTable && to > tableReach_) return false;
  to = std::min(to, startLength_[static_cast<size_t>(role)]);
  while (from < to) {
    const auto holding = std::find_if(saved_.begin(), saved_.end(), [&](const Saved& s) {
      return s.role == role && s.from <= from && from < s.to;
    });
    if (holding == saved_.end()) return false;
    from = holding->to;
  }
  return true;
}

ChangeStatus Change::Guard(FileRole role, uint64_t from, uint64_t to) {
  if (!journaled_ || inPack_) return ChangeStatus::kOk;
  if (replaced_[static_cast<size_t>(role)]) return ChangeStatus::kOk;
  if (packBegun_ || replaced_[0] || replaced_[1]) {
    return Covered(role, from, to) ? ChangeStatus::kOk : ChangeStatus::kRefused;
  }
  const ChangeStatus s = SaveParts(role, from, to);
  return s != ChangeStatus::kOk ? s : FlushJournal();
}

ChangeStatus Change::FlushJournal() {
  if (!journalDirty_) return ChangeStatus::kOk;
  if (!journal_->Flush()) {
    journalBroken_ = failed_ = true;
    return ChangeStatus::kJournalFailed;
  }
  journalDirty_ = false;
  return ChangeStatus::kOk;
}

ChangeStatus Change::Protect(std::initializer_list<Range> ranges) {
  ChangeStatus s = Start();
  if (s != ChangeStatus::kOk || !journaled_) return s;
  if (packBegun_ || replaced_[0] || replaced_[1]) return ChangeStatus::kRefused;
  for (const Range& range : ranges) {
    // A memo file the table does not have needs nothing saved.
    if (range.role == FileRole::kMemo && !memoPresent_) continue;
    s = SaveParts(range.role, range.bytes.from, range.bytes.from + range.bytes.length);
    if (s != ChangeStatus::kOk) return s;
  }
  return FlushJournal();
}

ChangeStatus Change::Write(FileRole role, uint64_t at, const void* bytes, size_t n) {
  if (n == 0) return ChangeStatus::kOk;
  ChangeStatus s = Start();
  if (s != ChangeStatus::kOk) return s;
  platform::File* file = FileOf(role);
  if (file == nullptr) return ChangeStatus::kRefused;
  s = Guard(role, at, at + n);
  if (s != ChangeStatus::kOk) return s;
  wrote_[static_cast<size_t>(role)] = true;
  if (!WriteAt(file, at, bytes, n)) {
    failed_ = true;
    return ChangeStatus::kFileFailed;
  }
  return ChangeStatus::kOk;
}

ChangeStatus Change::SetLength(FileRole role, uint64_t length) {
  ChangeStatus s = Start();
  if (s != ChangeStatus::kOk) return s;
  platform::File* file = FileOf(role);
  if (file == nullptr) return ChangeStatus::kRefused;
  uint64_t size = 0;
  if (!file->Size(&size)) {
    failed_ = true;
    return ChangeStatus::kFileFailed;
  }
  s = Guard(role, std::min(length, size), std::max(length, size));
  if (s != ChangeStatus::kOk) return s;
  wrote_[static_cast<size_t>(role)] = true;
  if (!engine::SetLength(file, length)) {
    failed_ = true;
    return ChangeStatus::kFileFailed;
  }
  return ChangeStatus::kOk;
}

ChangeStatus Change::RemoveFlagged(const FlaggedRecords& records,
                                   const std::function<bool(uint64_t end)>& finish,
                                   ShiftProgress* progress) {
  ChangeStatus s = Start();
  if (s != ChangeStatus::kOk) return s;
  if (!journaled_ || packBegun_ || replaced_[0] || replaced_[1]) return ChangeStatus::kRefused;
  // The pack takes a table shorter than it began with for one it has cut:
  // a record this change appended before it must be on the disk first.
  uint64_t size = 0;
  if (!files_.table->Size(&size) || (size > startLength_[0] && !files_.table->Flush())) {
    failed_ = true;
    return ChangeStatus::kFileFailed;
  }
  const uint64_t base = entriesEnd_ + kEntryFields + 4;
  s = AddEntry(kPackSection, records.from, base, FileRole::kTable, 0, 0);
  if (s != ChangeStatus::kOk) return s;
  packBegun_ = inPack_ = true;
  wrote_[0] = true;
  JournalSection section(*journal_, base);
  // The pack flushes the journal before the first record moves, and with it
  // the head and every entry before its section.
  const bool moved = RemoveFlaggedRecords(*files_.table, section, records, finish, progress);
  inPack_ = false;
  journalDirty_ = false;
  if (!moved) {
    failed_ = true;
    return ChangeStatus::kFileFailed;
  }
  return ChangeStatus::kOk;
}

ChangeStatus Change::Replace(FileRole role, const std::string& source,
                             const std::string& backup) {
  ChangeStatus s = Start();
  if (s != ChangeStatus::kOk) return s;
  platform::File* file = FileOf(role);
  if (!journaled_ || packBegun_ || file == nullptr || backup.empty() ||
      backup.size() > kLongestName) {
    return ChangeStatus::kRefused;
  }
  s = AddEntry(role == FileRole::kTable ? kTableInBackup : kMemoInBackup, 0, 0, role, 0,
               backup.size(), &backup);
  if (s == ChangeStatus::kOk) s = FlushJournal();
  if (s != ChangeStatus::kOk) return s;
  replaced_[static_cast<size_t>(role)] = true;
  wrote_[static_cast<size_t>(role)] = true;
  auto from = platform::Current().Open(source, OpenMode::kReadWriteOwn);
  uint64_t length = 0;
  RangeJournalSum ignored;
  if (from == nullptr || !from->Size(&length) || !from->Seek(0) || !file->Seek(0) ||
      !CopySummed(*from, file, length, ignored) || !engine::SetLength(file, length)) {
    failed_ = true;
    return ChangeStatus::kFileFailed;
  }
  return ChangeStatus::kOk;
}

Change::Outcome Change::Undo() {
  if (journal_ == nullptr) return Outcome::kUndone;
  Contents c;
  const HeadRead head = ReadHead(*journal_, &c.head);
  if (head == HeadRead::kNotWhole) {
    // The head never reached the journal whole, so nothing was written.
    Retire(std::move(journal_), journalPath_);
    return Outcome::kUndone;
  }
  if (head == HeadRead::kWhole) ReadEntries(*journal_, c);
  if (head == HeadRead::kUnreadable || c.unreadable || c.damaged ||
      PutBack(*journal_, c, files_) != Recovery::kUndone) {
    journal_.reset();
    return Outcome::kLeftForNextOpen;
  }
  Retire(std::move(journal_), journalPath_);
  return Outcome::kUndone;
}

Change::Outcome Change::Commit() {
  if (!started_) return Outcome::kMade;
  if (!journaled_) return failed_ ? Outcome::kUndone : Outcome::kMade;
  if (failed_) return Undo();
  if ((wrote_[0] && !files_.table->Flush()) || (wrote_[1] && !files_.memo->Flush())) {
    failed_ = true;
    return Undo();
  }
  // Rule 2: a journal that is neither marked nor removed would undo a change
  // the caller was told is made; so failing both, the change is undone now.
  const bool marked =
      WriteAt(journal_.get(), 0, kFinished.data(), kFinished.size()) && journal_->Flush();
  if (!marked) {
    journal_.reset();
    if (platform::Current().DeleteFile(journalPath_)) return Outcome::kMade;
    journal_ = platform::Current().Open(journalPath_, OpenMode::kReadWriteOwn);
    return Undo() == Outcome::kUndone ? Outcome::kUndone : Outcome::kLeftForNextOpen;
  }
  journal_.reset();
  platform::Current().DeleteFile(journalPath_);
  return Outcome::kMade;
}

}  // namespace quillon::engine
