// The journal of a change as it lies on the disk: its layout, read back and
// checked whole, and put back into the files. Shared by the change that
// writes it (change.cpp) and the open that finds one (change_recovery.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/change.h"
#include "engine/format.h"
#include "engine/journal_format.h"
#include "platform/platform.h"

namespace quillon::engine::change_journal {

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

inline bool InBackup(uint64_t kind) { return kind == kTableInBackup || kind == kMemoInBackup; }
inline FileRole RoleOf(uint64_t kind) {
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

struct Head {
  uint64_t salt = 0;
  std::array<uint64_t, 2> length{};
  bool memoPresent = false;
  HeaderBytes header{};
};

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

RangeJournalSum SaltedSum(uint64_t salt, uint64_t place);
bool WriteSum(platform::File& journal, const RangeJournalSum& sum);
bool ReadMark(platform::File& journal, std::array<uint8_t, 8>* mark, size_t* got);
// Marks the journal finished through its own handle, on the disk, then
// removes it: one that cannot be removed never counts again.
bool Retire(std::unique_ptr<platform::File> journal, const std::string& path);
std::array<uint8_t, kHeadFields> EncodeHead(const Head& h);
// kNotWhole: the head never reached the disk whole, so the change never
// wrote anything.
HeadRead ReadHead(platform::File& journal, Head* head);
// Reads the entries in order up to the first that is not whole: the writes
// it guards never began (rule 1), nor did any after it.
void ReadEntries(platform::File& journal, Contents& c);
// The backup an entry names, opened for reading: only a regular file the
// library made, never through a link.
std::unique_ptr<platform::File> OpenBackup(platform::File& journal, const Entry& e);
// Puts the files back as they were when the change began: the pack first,
// then the saved bytes, then the old lengths (rule 6: never longer than now).
// kKeptAside when the pack shows the table is not the one it left, before
// anything is written.
Recovery PutBack(platform::File& journal, const Contents& c, const ChangeFiles& files);

}  // namespace quillon::engine::change_journal
