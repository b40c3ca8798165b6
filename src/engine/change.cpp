#include "engine/change.h"

#include <algorithm>

#include "engine/earlier_journal.h"
#include "engine/file_io.h"
#include "support/file_names.h"
#include "support/text.h"

namespace quillon::engine {

namespace {

using platform::OpenMode;

// Journal layout (numbers u64 little-endian, sums u32):
//   head:   mark, salt, the table's length, the memo file's length, whether
//           there was a memo file, the table's 32 header bytes; the head's sum.
//   entries, each: kind, offset, length, reach; for saved bytes the `length`
//           bytes the file held at `offset`; the entry's sum, which also
//           counts the salt and the entry's place in the list.
//     kind 1, 2: bytes of the table, of the memo file. `reach` is how far
//           the writes they guard may take the file (past its old length for
//           an append).
//     kind 3: the pack section follows; `offset` is the first flagged record,
//           `reach` where the section starts. Always the last entry.
//     kind 4, 5: the whole table, memo file, is replaced; its old bytes are
//           in the backup whose name the entry holds. Only at the end.
// A finished journal has its mark replaced by kFinished.
constexpr std::array<uint8_t, 8> kMark = {'Q', 'C', 'H', 'A', 'N', 'G', 'E', 1};
constexpr std::array<uint8_t, 8> kFinished = {'Q', 'F', 'I', 'N', 'I', 'S', 'H', 1};
constexpr size_t kHeadFields = 72;
constexpr uint64_t kHeadSize = kHeadFields + 4;
constexpr size_t kEntryFields = 32;
constexpr uint64_t kTableBytes = 1;
constexpr uint64_t kMemoBytes = 2;
constexpr uint64_t kPackSection = 3;
constexpr uint64_t kTableInBackup = 4;
constexpr uint64_t kMemoInBackup = 5;
constexpr uint64_t kLongestName = 32 * 1024;

bool InBackup(uint64_t kind) { return kind == kTableInBackup || kind == kMemoInBackup; }
FileRole RoleOf(uint64_t kind) {
  return kind == kMemoBytes || kind == kMemoInBackup ? FileRole::kMemo : FileRole::kTable;
}
constexpr uint64_t kLargestOffset = uint64_t{1} << 60;

// A part of the journal, from `base` on, seen as a file of its own: the pack
// section, which the pack writes with offsets of its own.
class JournalSection final : public platform::File {
 public:
  JournalSection(platform::File& journal, uint64_t base) : journal_(journal), base_(base) {}
  bool Seek(uint64_t offset) override { return journal_.Seek(base_ + offset); }
  bool Read(void* buffer, size_t n, size_t* got) override { return journal_.Read(buffer, n, got); }
  bool ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
    return journal_.ReadAt(base_ + offset, buffer, n, got);
  }
  bool Write(const void* buffer, size_t n) override { return journal_.Write(buffer, n); }
  bool Size(uint64_t* size) override {
    uint64_t whole = 0;
    if (!journal_.Size(&whole)) return false;
    *size = whole > base_ ? whole - base_ : 0;
    return true;
  }
  bool SetEnd() override { return journal_.SetEnd(); }
  bool Flush() override { return journal_.Flush(); }

 private:
  platform::File& journal_;
  uint64_t base_;
};

RangeJournalSum SaltedSum(uint64_t salt, uint64_t place) {
  std::array<uint8_t, 16> seed{};
  StoreU64(&seed[0], salt);
  StoreU64(&seed[8], place);
  RangeJournalSum sum;
  sum.Add(seed.data(), seed.size());
  return sum;
}

bool WriteSum(platform::File& journal, const RangeJournalSum& sum) {
  std::array<uint8_t, 4> bytes{};
  StoreU32(bytes.data(), sum.value());
  return journal.Write(bytes.data(), bytes.size());
}

bool ReadMark(platform::File& journal, std::array<uint8_t, 8>* mark, size_t* got) {
  return ReadAt(&journal, 0, mark->data(), mark->size(), got);
}

// Marks the journal finished through its own handle, on the disk, then
// removes it: one that cannot be removed never counts again.
bool Retire(std::unique_ptr<platform::File> journal, const std::string& path) {
  const bool marked =
      WriteAt(journal.get(), 0, kFinished.data(), kFinished.size()) && journal->Flush();
  journal.reset();
  return platform::Current().DeleteFile(path) || marked;
}

// Moves a journal that must not be applied out of the way, under the first
// free name of t.dbf.undo.1, t.dbf.undo.2, ...; it is never deleted.
bool KeepAside(const std::string& path) {
  auto& os = platform::Current();
  for (int n = 1; n <= 999; ++n) {
    const std::string aside = path + "." + support::Decimal(n);
    if (!os.NameIsTaken(aside)) return os.RenameFile(path, aside);
  }
  return false;
}

struct Head {
  uint64_t salt = 0;
  std::array<uint64_t, 2> length{};
  bool memoPresent = false;
  HeaderBytes header{};
};

std::array<uint8_t, kHeadFields> EncodeHead(const Head& h) {
  std::array<uint8_t, kHeadFields> bytes{};
  std::copy(kMark.begin(), kMark.end(), bytes.begin());
  StoreU64(&bytes[8], h.salt);
  StoreU64(&bytes[16], h.length[0]);
  StoreU64(&bytes[24], h.length[1]);
  StoreU64(&bytes[32], h.memoPresent ? 1 : 0);
  std::copy(h.header.begin(), h.header.end(), &bytes[40]);
  return bytes;
}

struct Entry {
  uint64_t kind = 0;
  uint64_t offset = 0;
  uint64_t length = 0;
  uint64_t reach = 0;
  uint64_t bytesAt = 0;  // where its saved bytes lie in the journal
};

// What a journal holds, read and checked whole before anything is written.
struct Contents {
  Head head;
  std::vector<Entry> entries;
  bool damaged = false;     // a whole part whose numbers no writer could have stored
  bool unreadable = false;  // a read of the journal failed: what it holds is not known
};

enum class HeadRead { kWhole, kNotWhole, kUnreadable };

// kNotWhole: the head never reached the disk whole, so the change never
// wrote anything.
HeadRead ReadHead(platform::File& journal, Head* head) {
  std::array<uint8_t, kHeadFields> bytes{};
  std::array<uint8_t, 4> stored{};
  size_t got = 0;
  size_t gotSum = 0;
  if (!ReadAt(&journal, 0, bytes.data(), bytes.size(), &got) ||
      (got == bytes.size() &&
       !ReadAt(&journal, kHeadFields, stored.data(), stored.size(), &gotSum))) {
    return HeadRead::kUnreadable;
  }
  head->salt = LoadU64(&bytes[8]);
  RangeJournalSum sum = SaltedSum(head->salt, 0);
  sum.Add(bytes.data(), bytes.size());
  if (got != bytes.size() || gotSum != stored.size() ||
      !std::equal(kMark.begin(), kMark.end(), bytes.begin()) ||
      LoadU32(stored.data()) != sum.value()) {
    return HeadRead::kNotWhole;
  }
  head->length = {LoadU64(&bytes[16]), LoadU64(&bytes[24])};
  head->memoPresent = LoadU64(&bytes[32]) == 1;
  std::copy_n(&bytes[40], kHeaderSize, head->header.begin());
  return HeadRead::kWhole;
}

bool Overlaps(const std::vector<Entry>& entries, const Entry& e) {
  return std::any_of(entries.begin(), entries.end(), [&](const Entry& o) {
    return o.kind == e.kind && e.length > 0 && o.length > 0 && e.offset < o.offset + o.length &&
           o.offset < e.offset + e.length;
  });
}

// Reads the entries in order up to the first that is not whole: the writes
// it guards never began (rule 1), nor did any after it.
void ReadEntries(platform::File& journal, Contents& c) {
  uint64_t size = 0;
  if (!journal.Size(&size)) {
    c.unreadable = true;
    return;
  }
  uint64_t at = kHeadSize;
  for (uint64_t place = 1;; ++place) {
    std::array<uint8_t, kEntryFields> bytes{};
    size_t got = 0;
    if (at + kEntryFields + 4 > size) return;
    if (!ReadAt(&journal, at, bytes.data(), bytes.size(), &got) || got != bytes.size()) {
      c.unreadable = true;
      return;
    }
    Entry e{LoadU64(&bytes[0]), LoadU64(&bytes[8]), LoadU64(&bytes[16]), LoadU64(&bytes[24]),
            at + kEntryFields};
    RangeJournalSum sum = SaltedSum(c.head.salt, place);
    sum.Add(bytes.data(), bytes.size());
    const bool isBytes = e.kind == kTableBytes || e.kind == kMemoBytes;
    const uint64_t saved = isBytes || InBackup(e.kind) ? e.length : 0;
    if (saved > size - at - kEntryFields - 4) return;
    if (!journal.Seek(e.bytesAt) || !CopySummed(journal, nullptr, saved, sum)) {
      c.unreadable = true;
      return;
    }
    if (!SumFollows(journal, sum)) return;
    const uint64_t old = RoleOf(e.kind) == FileRole::kMemo ? c.head.length[1] : c.head.length[0];
    const bool memoOk = RoleOf(e.kind) == FileRole::kTable || c.head.memoPresent;
    const bool afterWhole = !c.entries.empty() && InBackup(c.entries.back().kind);
    bool sane = false;
    if (isBytes) {
      sane = e.offset <= old && e.length <= old - e.offset && e.reach >= e.offset + e.length &&
             e.reach < kLargestOffset && memoOk && !Overlaps(c.entries, e) && !afterWhole;
    } else if (InBackup(e.kind)) {
      sane = e.offset == 0 && e.reach == 0 && e.length >= 1 && e.length <= kLongestName &&
             memoOk && (!afterWhole || (c.entries.back().kind == kTableInBackup &&
                                        e.kind == kMemoInBackup));
    } else {
      sane = e.kind == kPackSection && e.offset <= c.head.length[0] &&
             e.reach == at + kEntryFields + 4 && !afterWhole;
    }
    if (!sane) {
      c.damaged = true;
      return;
    }
    c.entries.push_back(e);
    if (e.kind == kPackSection) return;
    at = e.bytesAt + e.length + 4;
  }
}

// The backup an entry names, opened for reading: only a regular file the
// library made, never through a link.
std::unique_ptr<platform::File> OpenBackup(platform::File& journal, const Entry& e) {
  std::string name(static_cast<size_t>(e.length), '\0');
  size_t got = 0;
  if (!ReadAt(&journal, e.bytesAt, name.data(), name.size(), &got) || got != name.size()) {
    return nullptr;
  }
  return platform::Current().Open(name, OpenMode::kReadWriteOwn);
}

// Whether a backup holds what its file held when the change began: its
// length, and for the table its header.
bool BackupHolds(platform::File& journal, const Contents& c, const Entry& e) {
  auto backup = OpenBackup(journal, e);
  uint64_t size = 0;
  if (backup == nullptr || !backup->Size(&size)) return false;
  if (RoleOf(e.kind) == FileRole::kMemo) return size == c.head.length[1];
  HeaderBytes header{};
  size_t got = 0;
  return size == c.head.length[0] &&
         ReadAt(backup.get(), 0, header.data(), header.size(), &got) &&
         got == std::min<uint64_t>(size, header.size()) &&
         std::equal(header.begin(), header.begin() + static_cast<long>(got), c.head.header.begin());
}

// Rule 5: the files are ones this change could have left. A file the change
// replaced whole may hold anything; its backup must hold what it held.
bool Belongs(platform::File& journal, const Contents& c, const ChangeFiles& files) {
  std::array<bool, 2> whole{};
  for (const Entry& e : c.entries) {
    if (!InBackup(e.kind)) continue;
    if (!BackupHolds(journal, c, e)) return false;
    whole[static_cast<size_t>(RoleOf(e.kind))] = true;
  }
  if (whole[1] && files.memo == nullptr) return false;
  if (whole[0]) return true;
  uint64_t size = 0;
  HeaderBytes now{};
  size_t got = 0;
  if (!files.table->Size(&size) || !ReadAt(files.table, 0, now.data(), now.size(), &got) ||
      got != now.size()) {
    return false;
  }
  const HeaderBytes& then = c.head.header;
  if (now[0] != then[0] || !std::equal(now.begin() + 8, now.end(), then.begin() + 8)) return false;
  uint64_t reach = c.head.length[0];
  const Entry* pack = nullptr;
  for (const Entry& e : c.entries) {
    if (e.kind == kTableBytes) reach = std::max(reach, e.reach);
    if (e.kind == kPackSection) pack = &e;
  }
  const uint64_t shortest = pack != nullptr ? pack->offset : c.head.length[0];
  const DbfHeader header = DecodeHeader(then);
  const uint32_t countThen = std::min(header.recordCount, RecordsHeld(header, c.head.length[0]));
  const uint32_t countNow = LoadU32(&now[4]);
  if (size < shortest || size > reach || countNow > std::max(header.recordCount, RecordsHeld(header, reach)) ||
      (pack == nullptr && countNow < countThen)) {
    return false;
  }
  if (!c.head.memoPresent || whole[1]) return true;
  uint64_t memoSize = 0;
  return files.memo != nullptr && files.memo->Size(&memoSize) && memoSize >= c.head.length[1];
}

// Puts the files back as they were when the change began: the pack first,
// then the saved bytes, then the old lengths (rule 6: never longer than now).
// kKeptAside when the pack shows the table is not the one it left, before
// anything is written.
Recovery PutBack(platform::File& journal, const Contents& c, const ChangeFiles& files) {
  for (const Entry& e : c.entries) {
    if (e.kind != kPackSection) continue;
    JournalSection section(journal, e.reach);
    const Recovery pack = UndoShift(section, *files.table);
    if (pack == Recovery::kFailed || pack == Recovery::kKeptAside) return pack;
  }
  RangeJournalSum ignored;
  for (const Entry& e : c.entries) {
    if (e.kind == kPackSection) continue;
    platform::File* file = RoleOf(e.kind) == FileRole::kTable ? files.table : files.memo;
    if (InBackup(e.kind)) {
      auto backup = OpenBackup(journal, e);
      const uint64_t length = c.head.length[static_cast<size_t>(RoleOf(e.kind))];
      if (backup == nullptr || !backup->Seek(0) || !file->Seek(0) ||
          !CopySummed(*backup, file, length, ignored)) {
        return Recovery::kFailed;
      }
    } else if (!journal.Seek(e.bytesAt) || !file->Seek(e.offset) ||
               !CopySummed(journal, file, e.length, ignored)) {
      return Recovery::kFailed;
    }
  }
  const bool memo = c.head.memoPresent;
  return SetLength(files.table, c.head.length[0]) &&
                 (!memo || SetLength(files.memo, c.head.length[1])) && files.table->Flush() &&
                 (!memo || files.memo->Flush())
             ? Recovery::kUndone
             : Recovery::kFailed;
}

// What a journal of this format comes to, found beside the files.
Recovery Apply(std::unique_ptr<platform::File> journal, const std::string& path,
               const ChangeFiles& files) {
  Contents c;
  switch (ReadHead(*journal, &c.head)) {
    case HeadRead::kUnreadable: return Recovery::kFailed;
    case HeadRead::kNotWhole:
      Retire(std::move(journal), path);
      return Recovery::kNothingToDo;
    case HeadRead::kWhole: break;
  }
  ReadEntries(*journal, c);
  if (c.unreadable) return Recovery::kFailed;
  const bool replaced = std::any_of(c.entries.begin(), c.entries.end(),
                                    [](const Entry& e) { return InBackup(e.kind); });
  // A file replaced whole cannot be left as it is: without its backup it
  // stays closed, and so does the journal that says so.
  if (replaced && !c.damaged && !Belongs(*journal, c, files)) return Recovery::kFailed;
  const Recovery put = c.damaged || !Belongs(*journal, c, files) ? Recovery::kKeptAside
                                                                  : PutBack(*journal, c, files);
  if (put == Recovery::kKeptAside) {
    journal.reset();
    return KeepAside(path) ? Recovery::kKeptAside : Recovery::kFailed;
  }
  if (put == Recovery::kFailed) return Recovery::kFailed;
  Retire(std::move(journal), path);
  return Recovery::kUndone;
}

// A journal an earlier build left beside `file`.
Recovery ApplyEarlier(std::unique_ptr<platform::File> journal, const std::string& path,
                      platform::File& file) {
  const Recovery r = IsShiftJournal(*journal) ? UndoShift(*journal, file)
                                              : UndoEarlierRangeJournal(*journal, file);
  if (r == Recovery::kKeptAside) {
    journal.reset();
    return KeepAside(path) ? Recovery::kKeptAside : Recovery::kFailed;
  }
  if (r != Recovery::kFailed) Retire(std::move(journal), path);
  return r;
}

// Whether the first bytes a journal holds are the start of `mark`: a journal
// whose head never reached the disk whole.
bool StartOf(const std::array<uint8_t, 8>& bytes, size_t got, const std::array<uint8_t, 8>& mark) {
  return std::equal(bytes.begin(), bytes.begin() + static_cast<long>(got), mark.begin());
}

Recovery RecoverJournal(const std::string& path, platform::File* file, const ChangeFiles& files,
                        bool earlierOnly) {
  auto& os = platform::Current();
  if (!os.NameIsTaken(path)) return Recovery::kNothingToDo;
  auto journal = os.Open(path, OpenMode::kReadWriteOwn);
  // A link, a folder or a special file under the journal's name is no
  // journal of ours; nor is one that cannot be read.
  if (journal == nullptr) return KeepAside(path) ? Recovery::kKeptAside : Recovery::kFailed;
  std::array<uint8_t, 8> mark{};
  size_t got = 0;
  if (!ReadMark(*journal, &mark, &got)) return Recovery::kFailed;
  const bool cutShort = got < mark.size();
  if ((cutShort && (StartOf(mark, got, kMark) || StartOf(mark, got, kFinished))) ||
      (!cutShort && mark == kFinished) || (got == 0)) {
    Retire(std::move(journal), path);
    return Recovery::kNothingToDo;
  }
  if (!cutShort && mark == kMark && !earlierOnly) return Apply(std::move(journal), path, files);
  if (file != nullptr && (IsShiftJournal(*journal) || IsEarlierRangeJournal(*journal))) {
    return ApplyEarlier(std::move(journal), path, *file);
  }
  journal.reset();
  return KeepAside(path) ? Recovery::kKeptAside : Recovery::kFailed;
}

Recovery Worse(Recovery a, Recovery b) {
  if (a == Recovery::kFailed || b == Recovery::kFailed) return Recovery::kFailed;
  return a != Recovery::kNothingToDo ? a : b;
}

}  // namespace

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
  // The pack rebuilds the old table from what it finds on the disk, so what
  // this change wrote before it (an appended record, a deletion flag) must
  // be there first.
  if (wrote_[0] && !files_.table->Flush()) {
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
  auto from = platform::Current().Open(source, OpenMode::kReadOnlyShareRead);
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

Recovery RecoverChange(const ChangeFiles& files, const std::string& memoPath) {
  const Recovery table =
      RecoverJournal(support::JournalName(files.tablePath), files.table, files, false);
  if (table == Recovery::kFailed || memoPath.empty()) return table;
  return Worse(table, RecoverJournal(support::JournalName(memoPath), files.memo, files, true));
}

}  // namespace quillon::engine
