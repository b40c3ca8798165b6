#include "engine/change_recovery.h"

#include <algorithm>

#include "engine/change_journal.h"
#include "engine/earlier_journal.h"
#include "engine/file_io.h"
#include "support/file_names.h"
#include "support/text.h"

namespace quillon::engine {

namespace {

using platform::OpenMode;
using namespace change_journal;

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
  const bool belongs = !c.damaged && Belongs(*journal, c, files);
  const bool replaced = std::any_of(c.entries.begin(), c.entries.end(),
                                    [](const Entry& e) { return InBackup(e.kind); });
  // A file replaced whole cannot be left as it is: without its backup it
  // stays closed, and so does the journal that says so.
  if (replaced && !c.damaged && !belongs) return Recovery::kFailed;
  const Recovery put = belongs ? PutBack(*journal, c, files) : Recovery::kKeptAside;
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
      (!cutShort && mark == kFinished)) {
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

Recovery RecoverChange(const ChangeFiles& files, const std::string& memoPath) {
  const Recovery table =
      RecoverJournal(support::JournalName(files.tablePath), files.table, files, false);
  if (table == Recovery::kFailed || memoPath.empty()) return table;
  return Worse(table, RecoverJournal(support::JournalName(memoPath), files.memo, files, true));
}

}  // namespace quillon::engine
