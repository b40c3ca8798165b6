// One change of a table's files, all or nothing. Every byte an export call
// writes into the table file or its memo file passes through the change of
// that call, which owns the journal beside the table (the table's name with
// ".undo"), the order of flushes, the moment the change counts as made, and
// the undo. A change is begun by its first write and ended by Commit (or
// undone); its object being dropped without either leaves the journal as a
// killed process would, for the next open.
//
// The rules, which the tests that try to break them name by number:
//  1. No byte either file held when the change began is overwritten, and
//     neither file is cut below its length then, before those bytes are in
//     the journal and the journal is on the disk. Nothing at all is written
//     before the journal's head, which holds both lengths, is on the disk.
//  2. Every file the change wrote is on the disk before the journal is marked
//     finished; the mark is written through the change's own handle and is
//     on the disk before the journal is removed, so a journal that cannot be
//     removed never counts again.
//  3. A change that fails is undone whole at once; one that was cut off is
//     undone whole at the next open. An undo that cannot be completed leaves
//     the journal and the table closed to writes: never half undone.
//  4. Any subset of the writes since each file's last flush may be lost and
//     1 to 3 still hold: each part of the journal carries a sum seeded with
//     the change's own random salt, and only whole parts, in order, count.
//  5. A journal is applied only to the files its change left: the table's
//     structure bytes as the journal saved them, its length and record count
//     within what the change could have made, a memo file no shorter than it
//     was. Any other journal is kept aside under a new name, never applied
//     and never deleted.
//  6. An undo writes nothing past the lengths the files had when the change
//     began and never makes a file longer than it is (a pack's undo: longer
//     by no more than the bytes its journal holds); numbers no writer could
//     have stored make a journal damaged, never followed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/journal_format.h"
#include "engine/shift_journal.h"
#include "platform/platform.h"

namespace quillon::engine {

enum class FileRole : uint8_t { kTable = 0, kMemo = 1 };

// What an operation of the change came to.
enum class ChangeStatus : uint8_t {
  kOk,
  kJournalFailed,  // the journal could not be written or flushed: nothing was overwritten
  kFileFailed,     // a call on the table or memo file failed
  kRefused,        // no journal may be begun here (one that is still live, or a closed table)
};

// The files a change works on. The memo file may be absent.
struct ChangeFiles {
  platform::File* table = nullptr;
  platform::File* memo = nullptr;
  std::string tablePath;
};

class Change {
 public:
  // `journaled` false: a scratch copy no one relies on until it is complete
  // (a rebuild in the temporary folder), written straight through.
  Change(ChangeFiles files, bool journaled);
  ~Change();
  Change(const Change&) = delete;
  Change& operator=(const Change&) = delete;

  // Saves what the ranges hold now (the parts not saved yet) with one flush,
  // so that the writes into them that follow need none. A range past a
  // file's end announces that the table may grow that far.
  struct Range {
    FileRole role;
    ByteRange bytes;
  };
  ChangeStatus Protect(std::initializer_list<Range> ranges);
  // Writes, saving first what the bytes overwrite (rule 1).
  ChangeStatus Write(FileRole role, uint64_t at, const void* bytes, size_t n);
  // Makes the file `length` bytes long; never below its length at the start
  // except through RemoveFlagged.
  ChangeStatus SetLength(FileRole role, uint64_t length);
  // Removes flagged records from the table in place under the journal's
  // pack section; `finish` writes the new header and length. The last thing
  // a change may do.
  ChangeStatus RemoveFlagged(const FlaggedRecords& records,
                             const std::function<bool(uint64_t end)>& finish,
                             ShiftProgress* progress);

  // Replaces the whole file with a copy of `source`. Its old bytes are
  // kept by `backup`, a complete copy already on the disk, which the journal
  // names: an undo copies it back. Like a pack, the last things a change
  // does (the table first, then the memo file).
  ChangeStatus Replace(FileRole role, const std::string& source, const std::string& backup);

  // Counts a failure that happened outside the change's own calls (a record
  // that could not be filled): the change will be undone.
  void Fail() { failed_ = true; }
  bool failed() const { return failed_; }
  bool wroteAnything() const { return started_; }

  enum class Outcome {
    kMade,             // the change counts (or nothing was written)
    kUndone,           // something failed and the files are as they were
    kLeftForNextOpen,  // even the undo failed: the journal stays, write nothing more
  };
  // Makes the change count (rule 2), or undoes it when anything failed.
  Outcome Commit();

 private:
  struct Saved {
    FileRole role;
    uint64_t from, to;
  };

  ChangeStatus Start();
  ChangeStatus SaveParts(FileRole role, uint64_t from, uint64_t to);
  // Whether the journal already guards writes to [from, to).
  bool Covered(FileRole role, uint64_t from, uint64_t to) const;
  // What every write and cut does first: the journal guards the bytes, and
  // is on the disk; after the pack section nothing more can be added.
  ChangeStatus Guard(FileRole role, uint64_t from, uint64_t to);
  // Adds an entry; its saved bytes are `length` bytes of the file from
  // `from`, or `literal` when given.
  ChangeStatus AddEntry(uint64_t kind, uint64_t offset, uint64_t reach, FileRole role,
                        uint64_t from, uint64_t length, const std::string* literal = nullptr);
  ChangeStatus FlushJournal();
  platform::File* FileOf(FileRole role) const;
  Outcome Undo();

  ChangeFiles files_;
  bool journaled_;
  std::string journalPath_;
  std::unique_ptr<platform::File> journal_;
  uint64_t salt_ = 0;
  std::array<uint64_t, 2> startLength_{};
  bool memoPresent_ = false;
  uint64_t tableReach_ = 0;  // how long the table may become, as the journal on the disk says
  uint64_t entriesEnd_ = 0;
  uint64_t entries_ = 0;
  std::vector<Saved> saved_;
  bool journalDirty_ = false;
  bool started_ = false;
  bool packBegun_ = false;
  bool inPack_ = false;  // the pack's own section guards its writes
  std::array<bool, 2> replaced_{};  // a backup guards the whole file
  bool failed_ = false;
  bool journalBroken_ = false;
  std::array<bool, 2> wrote_{};
};

}  // namespace quillon::engine
