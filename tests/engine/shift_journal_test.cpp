// Cuts the power in the middle of a pack, at every call it makes, the way a
// machine that goes off does: what was flushed stays, and of what was written
// since, only some writes arrive. Then a fresh open of the table must find it
// exactly as it was before the pack or exactly as the pack leaves it, with
// no journal left. The open that undoes the pack loses power too, at every
// call in turn, and the open after it must still get there.
#include "engine/shift_journal.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/records.h"
#include "engine/table.h"
#include "helpers/fault_platform.h"
#include "helpers/scratch_dir.h"
#include "helpers/table_bytes.h"

namespace quillon::engine {
namespace {

using testing::ReadWholeFile;
using testing::TableBytes;
using testing::WriteWholeFile;

// The shared fault platform, modelling the disk: what was flushed stays, and
// of the writes since, `LosePower` keeps those its rule picks.
struct PowerLossDisk : testing::FaultPlatform {
  PowerLossDisk() {
    tracksDisk = true;
    flushToDisk = false;  // the model's flushes are what count
    today = platform::LocalDate{2026, 3, 7};
  }
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
    PowerLossDisk disk;
    platform::SetCurrent(&disk);
    auto t = NewDbfTable(path_, "");
    SetActive(*t, true);
    disk.Strike(testing::Fault::kPowerLoss, offAt);
    const int before = disk.calls;
    Pack(*t);
    EndChange(*t);
    const int made = disk.calls - before;
    t.reset();
    disk.LosePower(arrive_);
    platform::SetCurrent(nullptr);
    return made;
  }

  // Opens the table as a host would after the power came back, losing it
  // again at the `offAt`-th call. False when the open got that far.
  bool Reopen(int offAt = 1 << 30) {
    PowerLossDisk disk;
    disk.Strike(testing::Fault::kPowerLoss, offAt);
    platform::SetCurrent(&disk);
    auto t = NewDbfTable(path_, "");
    SetActive(*t, true);
    t.reset();
    disk.LosePower(arrive_);
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
    arrive_ = testing::Arrival::kAll;
    WriteWholeFile(path_, before);
    const int calls = PackLosingPower(1 << 30);
    ASSERT_EQ(ReadWholeFile(path_), after);
    for (int offAt = 1; offAt <= calls; ++offAt) {
      for (const testing::Arrival arrival : testing::kArrivals) {
        SCOPED_TRACE(flags + ", segment " + std::to_string(segment) + ", power off at call " +
                     std::to_string(offAt) + ", arriving: " + testing::ArrivalName(arrival));
        arrive_ = arrival;
        WriteWholeFile(path_, before);
        PackLosingPower(offAt);
        const bool noneOrAll =
            arrival == testing::Arrival::kNone || arrival == testing::Arrival::kAll;
        for (int undoOffAt = 1; undoLosesPower && noneOrAll && !Reopen(undoOffAt);) ++undoOffAt;
        Reopen();
        const std::string now = ReadWholeFile(path_);
        EXPECT_TRUE(now == before || now == after) << ::testing::PrintToString(now) << " vs " << ::testing::PrintToString(before);
        EXPECT_FALSE(std::filesystem::exists(path_ + ".undo"));
      }
    }
  }

  testing::ScratchDir dir_;
  std::string path_ = dir_.File("t.dbf");
  testing::Arrival arrive_ = testing::Arrival::kAll;
  const size_t wholeSegment_ = ShiftSegmentBytes();
};

// Segments of one record (5 bytes) and of two; "whole": the table is one.
TEST_F(ShiftJournalTest, Rule4_APackThatLosesPowerLeavesTheTableAsBeforeOrAsAfter) {
  const size_t whole = ShiftSegmentBytes();
  LosePowerAtEveryCall(" *  * ", 5, false);
  LosePowerAtEveryCall(" ** **", 10, false);
  LosePowerAtEveryCall("*     ", whole, false);
  LosePowerAtEveryCall(" *  * ", whole, false);
}

TEST_F(ShiftJournalTest, Rule3_AnUndoThatLosesPowerIsFinishedByALaterOpen) {
  LosePowerAtEveryCall(" ** **", 5, true);
}

// A journal damaged after it reached the disk (cut short, a byte changed)
// never leads the open astray: it reads and writes only inside the two
// files and never makes the table longer. A journal whose head is damaged
// counts as never written, so the table stays as the pack left it.
TEST_F(ShiftJournalTest, Rule6_ADamagedJournalIsNeverFollowedOutsideTheFiles) {
  const std::string before = SixRecords(" ** **").Build();
  ShiftSegmentBytes() = 5;
  arrive_ = testing::Arrival::kAll;
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
