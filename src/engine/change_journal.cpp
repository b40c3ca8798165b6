#include "engine/change_journal.h"

#include <algorithm>

#include "engine/file_io.h"

namespace quillon::engine::change_journal {

using platform::OpenMode;

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

bool Retire(std::unique_ptr<platform::File> journal, const std::string& path) {
  const bool marked =
      WriteAt(journal.get(), 0, kFinished.data(), kFinished.size()) && journal->Flush();
  journal.reset();
  return platform::Current().DeleteFile(path) || marked;
}

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

namespace {

bool Overlaps(const std::vector<Entry>& entries, const Entry& e) {
  return std::any_of(entries.begin(), entries.end(), [&](const Entry& o) {
    return o.kind == e.kind && e.length > 0 && o.length > 0 && e.offset < o.offset + o.length &&
           o.offset < e.offset + e.length;
  });
}

}  // namespace

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

std::unique_ptr<platform::File> OpenBackup(platform::File& journal, const Entry& e) {
  std::string name(static_cast<size_t>(e.length), '\0');
  size_t got = 0;
  if (!ReadAt(&journal, e.bytesAt, name.data(), name.size(), &got) || got != name.size()) {
    return nullptr;
  }
  return platform::Current().Open(name, OpenMode::kReadWriteOwn);
}

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

}  // namespace quillon::engine::change_journal
