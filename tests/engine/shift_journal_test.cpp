// Cuts the power in the middle of a pack, at every call it makes, the way a
// machine that goes off does: what was flushed stays, and of what was written
// since, only some writes arrive. Then a fresh open of the table must find it
// exactly as it was before the pack or exactly as the pack leaves it, with
// no journal left. The open that undoes the pack loses power too, at every
// call in turn, and the open after it must still get there.
#include "engine/shift_journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <random>

#include "engine/records.h"
#include "engine/table.h"
#include "helpers/scratch_dir.h"
#include "helpers/table_bytes.h"

namespace quillon::engine {
namespace {

using testing::ReadWholeFile;
using testing::TableBytes;
using testing::WriteWholeFile;

// A disk that keeps what was flushed and, of the rest, what `Settle` is told.
class PowerLossPlatform final : public platform::Platform {
 public:
  struct Change {
    uint64_t offset = 0;
    std::string bytes;
    std::optional<uint64_t> cutTo;
  };

  int calls = 0;
  int offAt = 1 << 30;  // from this call on nothing reaches the disk

  bool Alive() { return ++calls < offAt; }

  std::unique_ptr<platform::File> Open(const std::string& path, platform::OpenMode mode) override;
  bool IsExistingFile(const std::string& path) override {
    return platform::Native().IsExistingFile(path);
  }
  platform::LocalDate Today() override { return {2026, 3, 7}; }
  bool TempFolder(std::string*) override { return false; }
  bool CopyFile(const std::string&, const std::string&) override { return false; }
  bool DeleteFile(const std::string& path) override {
    if (!Alive() || !platform::Native().DeleteFile(path)) return false;
    Known(path);
    durable_[path].reset();
    pending_[path].clear();
    return true;
  }
  void ShowMessage(const std::string&) override {}

  void Wrote(const std::string& path, Change change) { pending_[path].push_back(change); }
  void Flushed(const std::string& path, std::string content) {
    durable_[path] = std::move(content);
    pending_[path].clear();
  }
  // What the disk holds once the power is back: the flushed bytes, and of
  // the writes since, those `keep` picks (numbered in order).
  void Settle(const std::function<bool(size_t)>& keep) {
    for (auto& [path, content] : durable_) {
      std::optional<std::string> disk = content;
      size_t n = 0;
      for (const Change& change : pending_[path]) {
        if (!keep(n++)) continue;
        if (!disk) disk.emplace();
        if (change.cutTo) {
          disk->resize(static_cast<size_t>(*change.cutTo));
          continue;
        }
        const size_t end = static_cast<size_t>(change.offset) + change.bytes.size();
        if (disk->size() < end) disk->resize(end);
        disk->replace(static_cast<size_t>(change.offset), change.bytes.size(), change.bytes);
      }
      std::filesystem::remove(path);
      if (disk) WriteWholeFile(path, *disk);
    }
    durable_.clear();
    pending_.clear();
  }

 private:
  // The first time a file is seen, what it holds is on the disk.
  void Known(const std::string& path) {
    if (durable_.count(path) != 0) return;
    durable_[path] =
        std::filesystem::exists(path) ? std::optional(ReadWholeFile(path)) : std::nullopt;
  }

  std::map<std::string, std::optional<std::string>> durable_;
  std::map<std::string, std::vector<Change>> pending_;
};

class PowerLossFile final : public platform::File {
 public:
  PowerLossFile(PowerLossPlatform& disk, std::string path, std::unique_ptr<platform::File> inner)
      : disk_(disk), path_(std::move(path)), inner_(std::move(inner)) {}

  bool Seek(uint64_t offset) override {
    position_ = offset;
    return disk_.Alive() && inner_->Seek(offset);
  }
  bool Read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    const bool ok = disk_.Alive() && inner_->Read(buffer, n, got);
    position_ += *got;
    return ok;
  }
  bool ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override {
    *got = 0;
    const bool ok = disk_.Alive() && inner_->ReadAt(offset, buffer, n, got);
    position_ = offset + *got;
    return ok;
  }
  bool Write(const void* buffer, size_t n) override {
    if (!disk_.Alive() || !inner_->Write(buffer, n)) return false;
    disk_.Wrote(path_, {position_, std::string(static_cast<const char*>(buffer), n), {}});
    position_ += n;
    return true;
  }
  bool Size(uint64_t* size) override { return disk_.Alive() && inner_->Size(size); }
  bool SetEnd() override {
    if (!disk_.Alive() || !inner_->SetEnd()) return false;
    disk_.Wrote(path_, {0, "", position_});
    return true;
  }
  // What the file holds is read through its own handle: the system may let
  // no one else open it.
  bool Flush() override {
    uint64_t size = 0;
    if (!disk_.Alive() || !inner_->Size(&size)) return false;
    std::string content(static_cast<size_t>(size), '\0');
    size_t got = 0;
    // Some systems move the position on a read at an offset; a flush must
    // not.
    if (!inner_->ReadAt(0, content.data(), content.size(), &got) || got != content.size() ||
        !inner_->Seek(position_)) {
      return false;
    }
    disk_.Flushed(path_, std::move(content));
    return true;
  }

 private:
  PowerLossPlatform& disk_;
  std::string path_;
  std::unique_ptr<platform::File> inner_;
  uint64_t position_ = 0;
};

std::unique_ptr<platform::File> PowerLossPlatform::Open(const std::string& path,
                                                        platform::OpenMode mode) {
  Known(path);
  if (!Alive()) return nullptr;
  auto inner = platform::Native().Open(path, mode);
  if (inner == nullptr) return nullptr;
  if (mode == platform::OpenMode::kCreateExclusive) Wrote(path, {0, "", 0});
  return std::make_unique<PowerLossFile>(*this, path, std::move(inner));
}

// Which of the writes since the last flush arrive.
const std::function<bool(size_t)> kArrivals[] = {
    [](size_t) { return false; },
    [](size_t) { return true; },
    [](size_t n) { return n % 2 == 0; },
    [](size_t n) { return n % 2 == 1; },
    [](size_t n) { return std::minstd_rand(static_cast<uint32_t>(n) + 7)() % 3 == 0; },
};

class ShiftJournalTest : public ::testing::Test {
 protected:
  ~ShiftJournalTest() override {
    platform::SetCurrent(nullptr);
    ShiftSegmentBytes() = wholeSegment_;
  }

  // Opens the table on the disk and, from the `offAt`-th call of the pack
  // on, cuts the power. Returns the calls the pack made.
  int PackLosingPower(int offAt) {
    PowerLossPlatform disk;
    platform::SetCurrent(&disk);
    auto t = NewDbfTable(path_, "", true);
    SetActive(*t, true);
    disk.offAt = disk.calls + offAt;
    const int before = disk.calls;
    Pack(*t);
    const int made = disk.calls - before;
    t.reset();
    disk.Settle(arrive_);
    platform::SetCurrent(nullptr);
    return made;
  }

  // Opens the table as a host would after the power came back, losing it
  // again at the `offAt`-th call. False when the open got that far.
  bool Reopen(int offAt = 1 << 30) {
    PowerLossPlatform disk;
    disk.offAt = offAt;
    platform::SetCurrent(&disk);
    auto t = NewDbfTable(path_, "", true);
    SetActive(*t, true);
    t.reset();
    disk.Settle(arrive_);
    platform::SetCurrent(nullptr);
    return disk.calls < offAt;
  }

  // Packs six records flagged as `flags` says, in segments of `segment`
  // bytes, losing power at every call in turn, with every way writes
  // arrive; with `undoLosesPower`, the undo at the next open loses power at
  // every call in turn too, for two of them.
  static TableBytes SixRecords(const std::string& flags) {
    TableBytes t;
    t.fields = {{"NAME", 'C', 4}};
    t.records = {"rec1", "rec2", "rec3", "rec4", "rec5", "rec6"};
    t.flags.assign(flags.begin(), flags.end());
    t.afterRecords = flags[0] == '*' ? "\x1A" : "";
    return t;
  }

  void LosePowerAtEveryCall(const std::string& flags, size_t segment, bool undoLosesPower) {
    const TableBytes t = SixRecords(flags);
    const std::string before = t.Build();
    TableBytes packed = t;
    packed.records.clear();
    packed.flags.clear();
    packed.afterRecords.clear();
    for (size_t i = 0; i < t.records.size(); ++i) {
      if (flags[i] != '*') packed.records.push_back(t.records[i]);
    }
    packed.year = 26, packed.month = 3, packed.day = 7;
    const std::string after = packed.Build();
    ShiftSegmentBytes() = segment;
    arrive_ = kArrivals[1];
    WriteWholeFile(path_, before);
    const int calls = PackLosingPower(1 << 30);
    ASSERT_EQ(ReadWholeFile(path_), after);
    for (int offAt = 1; offAt <= calls; ++offAt) {
      for (size_t arrival = 0; arrival < std::size(kArrivals); ++arrival) {
        SCOPED_TRACE(flags + ", segment " + std::to_string(segment) + ", power off at call " +
                     std::to_string(offAt) + ", arrivals " + std::to_string(arrival));
        arrive_ = kArrivals[arrival];
        WriteWholeFile(path_, before);
        PackLosingPower(offAt);
        for (int undoOffAt = 1; undoLosesPower && arrival < 2 && !Reopen(undoOffAt);) ++undoOffAt;
        Reopen();
        const std::string now = ReadWholeFile(path_);
        EXPECT_TRUE(now == before || now == after);
        EXPECT_FALSE(std::filesystem::exists(path_ + ".undo"));
      }
    }
  }

  testing::ScratchDir dir_;
  std::string path_ = dir_.File("t.dbf");
  std::function<bool(size_t)> arrive_;
  const size_t wholeSegment_ = ShiftSegmentBytes();
};

// Segments of one record (5 bytes) and of two; "whole": the table is one.
TEST_F(ShiftJournalTest, APackThatLosesPowerLeavesTheTableAsBeforeOrAsAfter) {
  const size_t whole = ShiftSegmentBytes();
  LosePowerAtEveryCall(" *  * ", 5, false);
  LosePowerAtEveryCall(" ** **", 10, false);
  LosePowerAtEveryCall("*     ", whole, false);
  LosePowerAtEveryCall(" *  * ", whole, false);
}

TEST_F(ShiftJournalTest, AnUndoThatLosesPowerIsFinishedByALaterOpen) {
  LosePowerAtEveryCall(" ** **", 5, true);
}

// A journal damaged after it reached the disk (cut short, a byte changed)
// never leads the open astray: it reads and writes only inside the two
// files and never makes the table longer. A journal whose head is damaged
// counts as never written, so the table stays as the pack left it.
TEST_F(ShiftJournalTest, ADamagedJournalIsNeverFollowedOutsideTheFiles) {
  const std::string before = SixRecords(" ** **").Build();
  ShiftSegmentBytes() = 5;
  arrive_ = kArrivals[1];
  // The power goes at the first call after which a record has moved.
  std::string left = before;
  for (int offAt = 1; left == before && offAt < 100; ++offAt) {
    WriteWholeFile(path_, before);
    PackLosingPower(offAt);
    left = ReadWholeFile(path_);
  }
  ASSERT_NE(left, before);
  const std::string journal = ReadWholeFile(path_ + ".undo");
  // The head: its numbers, the header and its sum (this table has nothing
  // after its records).
  const size_t head = 64 + 32 + 4;
  for (size_t i = 0; i < 2 * journal.size(); ++i) {
    std::string damaged = journal;
    if (i < journal.size()) {
      damaged.resize(i);
    } else {
      damaged[i - journal.size()] ^= 0x5A;
    }
    SCOPED_TRACE(i < journal.size() ? "cut at " + std::to_string(i)
                                    : "byte " + std::to_string(i - journal.size()) + " changed");
    WriteWholeFile(path_, left);
    WriteWholeFile(path_ + ".undo", damaged);
    Reopen();
    const std::string now = ReadWholeFile(path_);
    EXPECT_LE(now.size(), std::max(before.size(), left.size()));
    if (i < head || (i >= journal.size() && i - journal.size() < head)) {
      EXPECT_EQ(now, left);
    }
    EXPECT_FALSE(std::filesystem::exists(path_ + ".undo"));
  }
}

}  // namespace
}  // namespace quillon::engine
