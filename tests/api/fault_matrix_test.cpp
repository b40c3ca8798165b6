// Interrupts each write export at every platform call it makes, and once
// more just after it returned, with each fault the shared fault platform
// models: that one call failing, the process killed there, a write torn in
// half as the process dies, a full disk from there on, and the power lost
// there, with each way the unflushed writes may reach the disk. Then a fresh
// library opens the table again on a sound disk, as a host would after the
// crash, and reads every field of every record back, memo texts included:
// each record must be there once, as it was before the export or as the
// export leaves it, and a record the export adds whole or not at all. Only
// exports are used, so the check holds however the library makes its writes
// safe.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/fields.h"
#include "helpers/fault_platform.h"
#include "helpers/memo_bytes.h"
#include "helpers/scratch_dir.h"
#include "helpers/system_files.h"
#include "helpers/table_bytes.h"
#include "helpers/temp_folder.h"
#include "host/library.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

enum class MemoLayout { kFixed, kSized };

constexpr uint32_t kSizedBlock = 64;
constexpr int kRecords = 6;

std::string Key(int record) { return "K" + std::to_string(record); }
std::string Note(const std::string& key) { return "note of " + key; }

// KEY C6, NAME C10, NOTE M10: K1 to K6, each with a memo text, and K2
// already marked deleted by another program, so the first pack has work. The
// memo file's first text belongs to no record, so a rebuilt table's memo
// pointers mean other texts in the old memo file.
struct Pair {
  std::string table, memo;
};

Pair StartingPair(MemoLayout layout) {
  TableBytes t;
  t.version = layout == MemoLayout::kFixed ? 0x83 : 0xF5;
  t.fields = {{"KEY", 'C', 6}, {"NAME", 'C', 10}, {"NOTE", 'M', 10}};
  t.flags = {' ', '*'};
  // Every text fits one block, so record r's text sits in the r-th block
  // after the unreferenced one.
  const int unreferenced = layout == MemoLayout::kFixed ? 1 : 512 / kSizedBlock;
  std::vector<std::string> notes = {"unreferenced"};
  for (int r = 1; r <= kRecords; ++r) {
    t.records.push_back(engine::AlignLeft(Key(r), 6) + engine::AlignLeft("name " + Key(r), 10) +
                        MemoPointer(unreferenced + r));
    notes.push_back(Note(Key(r)));
  }
  return {t.Build(),
          layout == MemoLayout::kFixed ? FixedMemoFile(notes) : SizedMemoFile(kSizedBlock, notes)};
}

// Where scenes are made: in memory where the system offers it (the model of
// the disk decides what survives, and thousands of runs then wait for no
// disk; under wine the Windows build finds it too, on the drive the tests
// start from), otherwise in the usual temporary folder.
std::string SceneRoot() {
  std::error_code ignored;
  if (std::filesystem::is_directory("/dev/shm", ignored)) return "/dev/shm";
  return SystemTempFolder();
}

// One run's scratch folder holding the starting pair as t.dbf and t.dbt, with
// the temporary folder inside it for as long as the scene lasts.
class Scene {
 private:
  // First, so that the scratch folder is made in the scene root; put back
  // last, before the folder goes, since the next scene starts from it.
  TempFolderScope root_{SceneRoot()};

 public:
  explicit Scene(MemoLayout layout) : start(StartingPair(layout)) {
    table = dir.Write("t.dbf", start.table);
    dir.Write("t.dbt", start.memo);
    temp_.emplace(dir.Folder("tmp"));
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  const Pair start;
  ScratchDir dir;
  std::string table;

 private:
  std::optional<TempFolderScope> temp_;
};

// Only the model of the disk decides what a flush keeps: the system's own
// wait is skipped, which makes the thousands of runs fast.
struct SweepPlatform : FaultPlatform {
  explicit SweepPlatform(bool losesPower) {
    flushToDisk = false;
    tracksDisk = losesPower;
  }
};

void Load(const std::string& path) {
  SetFile(path.c_str());
  loaddb();
}

void GoTo(int32_t record) {
  SetData(record);
  gotorec();
}

void Call(void (*exported)(), const std::string& text) {
  SetFile(text.c_str());
  exported();
}

// A write export: the calls that bring the library to it (not counted, never
// failed), the calls under test, and the keys it leaves when nothing fails (a
// memo text it changed after a colon), so that a sweep whose export does
// nothing cannot pass.
struct Operation {
  std::string name;
  MemoLayout layout;
  std::function<void(Scene&)> prepare;
  std::function<void(Scene&)> act;
  std::string leaves;
};

void PrintTo(const Operation& op, std::ostream* out) { *out << op.name; }

const std::vector<Operation>& Operations() {
  const auto loadAt = [](int32_t record) {
    return [record](Scene& s) {
      Load(s.table);
      GoTo(record);
    };
  };
  const auto load = [](Scene& s) { Load(s.table); };
  const auto pack = [](Scene&) { memopak(); };
  const auto editNote = [](Scene&) { Call(editrec, "NOTE=edited"); };
  const auto add = [](Scene&) { Call(addrec, "KEY=K7|NAME=added|NOTE=" + Note("K7")); };
  static const std::vector<Operation> operations = {
      {"delrec", MemoLayout::kFixed, loadAt(4), [](Scene&) { delrec(); }, "K1 K3 K5 K6"},
      {"editrec_name", MemoLayout::kFixed, loadAt(5), [](Scene&) { Call(editrec, "NAME=edited"); },
       "K1 K3 K4 K5 K6"},
      {"editrec_note", MemoLayout::kFixed, loadAt(5), editNote, "K1 K3 K4 K5:edited K6"},
      {"editrec_note_sized", MemoLayout::kSized, loadAt(5), editNote, "K1 K3 K4 K5:edited K6"},
      {"addrec", MemoLayout::kFixed, load, add, "K1 K3 K4 K5 K6 K7"},
      {"addrec_sized", MemoLayout::kSized, load, add, "K1 K3 K4 K5 K6 K7"},
      {"importasmaster", MemoLayout::kFixed,
       [](Scene& s) {
         s.dir.Write("in.txt", "I1#one#" + Note("I1") + "##I2#two#" + Note("I2") + "##I3#three#" +
                                   Note("I3"));
         Load(s.table);
       },
       [](Scene& s) { Call(importasmaster, s.dir.File("in.txt")); }, "K1 K3 K4 K5 K6 I1 I2 I3"},
      {"memopak", MemoLayout::kFixed, load, pack, "K1 K2 K3 K4 K5 K6"},
      {"memopak_sized", MemoLayout::kSized, load, pack, "K1 K2 K3 K4 K5 K6"},
      // A change still in the buffer is posted, and the header rewritten,
      // when loaddb closes the table for another one.
      {"loaddb_posts_pending_edit", MemoLayout::kFixed,
       [](Scene& s) {
         TableBytes other;
         other.fields = {{"ID", 'C', 4}};
         other.records = {"one"};
         s.dir.Write("other.dbf", other.Build());
         Load(s.table);
         GoTo(3);
         engine::PutFieldByNumber(*host::ResidentTable(), 2, "pending");
       },
       [](Scene& s) { Load(s.dir.File("other.dbf")); }, "K1 K2 K3 K4 K5 K6"},
  };
  return operations;
}

// The table as a host reads it after opening it again: each record as
// getcurrecall gives it (every field, memo text included, "|" after each),
// walked with first and next1.
struct Reopened {
  bool opened = false;
  int32_t counted = 0;  // countrec
  std::vector<std::string> records;
};

// The n-th value (from 0) of a record as getcurrecall gives it.
std::string Value(const std::string& record, int n) {
  size_t from = 0;
  for (; n > 0; --n) {
    from = record.find('|', from);
    if (from == std::string::npos) return "";
    ++from;
  }
  return record.substr(from, record.find('|', from) - from);
}

std::string KeyOf(const std::string& record) { return Value(record, 0); }

const std::string* Find(const std::vector<std::string>& records, const std::string& key) {
  for (const std::string& record : records) {
    if (KeyOf(record) == key) return &record;
  }
  return nullptr;
}

// Reads the scene's table back in a freshly loaded library on a sound disk.
Reopened Reopen(const Scene& scene) {
  SweepPlatform sound(false);
  PlatformScope scope(sound);
  host::LibraryLoad();
  Reopened r;
  Load(scene.table);
  fiedscount();
  r.opened = GetData() == 3;
  countrec();
  r.counted = GetData();
  first();
  // Bounded: a damaged header may promise far more records than there are.
  for (int32_t previous = 0; r.records.size() < 4 * kRecords;) {
    curnum();
    const int32_t at = GetData();
    if (at == previous) break;
    getcurrecall();
    r.records.push_back(GetFile());
    previous = at;
    next1();
  }
  host::LibraryUnload();
  return r;
}

// Runs the export on the scene, `arm` setting up the fault just before it
// starts, and drops the library as a dying process would, the fault still in
// force; with `lost`, the power then goes, and the disk keeps what that rule
// lets through. Returns the calls the export made.
int Act(const Operation& op, Scene& scene, const std::function<void(FaultPlatform&)>& arm,
        std::optional<Arrival> lost = std::nullopt) {
  SweepPlatform faulty(lost.has_value());
  PlatformScope scope(faulty);
  host::LibraryLoad();
  op.prepare(scene);
  faulty.calls = 0;
  arm(faulty);
  op.act(scene);
  const int calls = faulty.calls;
  host::LibraryUnload();
  if (lost) {
    EXPECT_TRUE(faulty.LosePower(*lost));
  }
  return calls;
}

// What breaks the promise, judged against the table before the export and
// after it ran without faults: each record there at most once, as before or
// as after; a record both have must be there; no other record.
std::string Broken(const Reopened& got, const Reopened& before, const Reopened& after) {
  std::vector<std::string> broken;
  if (!got.opened) broken.push_back("the table does not open");
  if (got.counted != static_cast<int32_t>(got.records.size())) {
    broken.push_back("countrec " + std::to_string(got.counted) + " but " +
                     std::to_string(got.records.size()) + " records read");
  }
  std::map<std::string, int> seen;
  for (const std::string& record : got.records) {
    const std::string key = KeyOf(record);
    const std::string* old = Find(before.records, key);
    const std::string* written = Find(after.records, key);
    if (old == nullptr && written == nullptr) {
      broken.push_back("a stray record '" + record + "'");
      continue;
    }
    if (++seen[key] == 2) broken.push_back(key + " twice");
    if ((old == nullptr || record != *old) && (written == nullptr || record != *written)) {
      broken.push_back(key + " reads '" + record + "'");
    }
  }
  for (const std::string& record : before.records) {
    const std::string key = KeyOf(record);
    if (Find(after.records, key) != nullptr && seen.count(key) == 0) {
      broken.push_back(key + " lost");
    }
  }
  if (broken.empty()) return "";
  std::string list;
  for (const std::string& b : broken) list += (list.empty() ? "" : "; ") + b;
  return list;
}

// The table before the export and after it ran without faults, and every
// call the export made (and the close after it), for the failure messages.
struct Baseline {
  Reopened before, after;
  std::vector<OpInfo> trace;
  int calls = 0;  // the export's own

  // "call 7 of 31 (write t.dbf at 237)"
  std::string Call(int k) const {
    const auto at = static_cast<size_t>(k - 1);
    return "call " + std::to_string(k) + " of " + std::to_string(calls) + " (" +
           (k > calls ? "after it returned" : Describe(trace[at])) + ")";
  }
};

Baseline Measure(const Operation& op) {
  Baseline b;
  b.before = Reopen(Scene(op.layout));
  Scene scene(op.layout);
  b.calls = Act(op, scene, [&b](FaultPlatform& p) {
    p.fail = [&b](const OpInfo& call) {
      b.trace.push_back(call);
      return false;
    };
  });
  b.after = Reopen(scene);
  std::string leaves;
  for (const std::string& record : b.after.records) {
    leaves += (leaves.empty() ? "" : " ") + KeyOf(record);
    if (Value(record, 2) != Note(KeyOf(record))) leaves += ":" + Value(record, 2);
  }
  EXPECT_TRUE(b.before.opened && b.before.records.size() == size_t{kRecords});
  EXPECT_EQ(leaves, op.leaves);
  EXPECT_EQ(Broken(b.after, b.before, b.after), "");
  return b;
}

// Reports each run that broke, up to a point: one fault may break hundreds.
struct Failures {
  static constexpr int kShown = 30;
  ~Failures() {
    if (count > kShown) ADD_FAILURE() << name << ": " << count - kShown << " more runs broke";
  }
  void Check(const std::string& broken, const std::string& how) {
    if (broken.empty() || ++count > kShown) return;
    ADD_FAILURE() << name << ", " << how << ": " << broken;
  }
  std::string name;
  int count = 0;
};

// The power loss sweep tries every way writes arrive at each call of an
// export that makes up to 60 calls; of a longer one, one way per call, in
// turn, so that every call still loses power and every way is tried.
std::vector<Arrival> ArrivalsAt(int k, int calls) {
  if (calls <= 60) return {std::begin(kArrivals), std::end(kArrivals)};
  return {kArrivals[static_cast<size_t>(k) % std::size(kArrivals)]};
}

class FaultMatrix : public ::testing::TestWithParam<std::tuple<Operation, Fault>> {};

TEST_P(FaultMatrix, Rules3And4_EachRecordSurvivesOnceAsBeforeOrAsAfter) {
  const auto& [op, fault] = GetParam();
  const Baseline b = Measure(op);
  ASSERT_FALSE(HasFailure());
  Failures failures{op.name};
  const auto strike = [fault = fault](int k) {
    return [fault, k](FaultPlatform& p) {
      if (fault == Fault::kFullDisk) p.partialWrite = 5;
      p.Strike(fault, k);
    };
  };
  for (int k = 1; k <= b.calls + 1; ++k) {
    const bool isWrite = static_cast<size_t>(k) <= b.trace.size() &&
                         b.trace[static_cast<size_t>(k - 1)].op == Op::kWrite;
    if (fault == Fault::kTornWrite && !isWrite) continue;  // the same as killed there
    if (fault != Fault::kPowerLoss) {
      Scene scene(op.layout);
      Act(op, scene, strike(k));
      failures.Check(Broken(Reopen(scene), b.before, b.after),
                     std::string(FaultName(fault)) + ", " + b.Call(k));
      continue;
    }
    for (const Arrival arrival : ArrivalsAt(k, b.calls)) {
      Scene scene(op.layout);
      Act(op, scene, strike(k), arrival);
      failures.Check(Broken(Reopen(scene), b.before, b.after),
                     "power loss, " + b.Call(k) + ", arriving: " + ArrivalName(arrival));
    }
  }
}

// Opens the scene's table in a fresh library and closes it, the power going
// at its j-th call, the disk then keeping what `arrival` lets through;
// `trace`, when given, receives the calls made.
void OpenLosingPower(const Scene& scene, int j, Arrival arrival,
                     std::vector<OpInfo>* trace = nullptr) {
  SweepPlatform disk(true);
  disk.Strike(Fault::kPowerLoss, j);
  const auto rule = std::move(disk.fail);
  disk.fail = [&rule, trace](const OpInfo& call) {
    if (trace != nullptr) trace->push_back(call);
    return rule(call);
  };
  PlatformScope scope(disk);
  host::LibraryLoad();
  Load(scene.table);
  host::LibraryUnload();
  EXPECT_TRUE(disk.LosePower(arrival));
}

// The number of the first call that changes a file (1-based), 0 for none.
int FirstChange(const std::vector<OpInfo>& calls) {
  const auto change = std::find_if(calls.begin(), calls.end(), [](const OpInfo& call) {
    return call.op == Op::kWrite || call.op == Op::kSetEnd || call.op == Op::kCopy ||
           call.op == Op::kDelete || call.op == Op::kRename;
  });
  return change == calls.end() ? 0 : static_cast<int>(change - calls.begin()) + 1;
}

class FaultMatrixRepair : public ::testing::TestWithParam<Operation> {};

// Where the power lost during the export (all writes arriving) leaves the
// open after it something to repair, at the first, the middle and the last
// such call, the power goes again at every call of that open in turn from
// its first change on, and the open after it must still leave the table as
// before or as after.
TEST_P(FaultMatrixRepair, Rule3_PowerLostWhileTheOpenRepairsIsRepairedByTheNextOpen) {
  const Operation& op = GetParam();
  const Baseline b = Measure(op);
  ASSERT_FALSE(HasFailure());
  const auto powerLossAt = [&op](int k, Scene& scene) {
    Act(op, scene, [k](FaultPlatform& p) { p.Strike(Fault::kPowerLoss, k); }, Arrival::kAll);
  };
  // Power going just after a flush leaves the most on the disk for the open
  // to deal with: those calls are the candidates, kept with the calls of
  // the repair each leaves.
  std::vector<std::pair<int, std::vector<OpInfo>>> repairs;
  for (int k = 2; k <= b.calls + 1; ++k) {
    if (b.trace[static_cast<size_t>(k - 2)].op != Op::kFlush) continue;
    Scene scene(op.layout);
    powerLossAt(k, scene);
    std::vector<OpInfo> calls;
    OpenLosingPower(scene, 1 << 30, Arrival::kAll, &calls);
    if (FirstChange(calls) != 0) repairs.emplace_back(k, std::move(calls));
  }
  if (repairs.empty()) GTEST_SKIP() << "no power loss during " << op.name << " leaves a repair";
  Failures failures{op.name};
  size_t previous = repairs.size();
  for (const size_t at : {size_t{0}, repairs.size() / 2, repairs.size() - 1}) {
    if (at == previous) continue;
    previous = at;
    const auto& [k, repair] = repairs[at];
    // Power lost before the repair's first change leaves the disk as the
    // export's loss did, which the sweep covers already.
    const int calls = static_cast<int>(repair.size());
    for (int j = FirstChange(repair); j <= calls + 1; ++j) {
      const Arrival arrival = kArrivals[static_cast<size_t>(j) % std::size(kArrivals)];
      Scene scene(op.layout);
      powerLossAt(k, scene);
      OpenLosingPower(scene, j, arrival);
      const std::string call =
          j > calls ? "after it returned" : Describe(repair[static_cast<size_t>(j - 1)]);
      failures.Check(Broken(Reopen(scene), b.before, b.after),
                     "power loss, " + b.Call(k) + ", all arriving; again at call " +
                         std::to_string(j) + " of " + std::to_string(calls) +
                         " of the repairing open (" + call +
                         "), arriving: " + ArrivalName(arrival));
    }
  }
}

std::string TestName(std::string name) {
  std::replace(name.begin(), name.end(), ' ', '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(
    FaultMatrix, FaultMatrix,
    ::testing::Combine(::testing::ValuesIn(Operations()),
                       ::testing::Values(Fault::kFailOnce, Fault::kKilled, Fault::kTornWrite,
                                         Fault::kFullDisk, Fault::kPowerLoss)),
    [](const ::testing::TestParamInfo<FaultMatrix::ParamType>& info) {
      return std::get<0>(info.param).name + "_" + TestName(FaultName(std::get<1>(info.param)));
    });

INSTANTIATE_TEST_SUITE_P(FaultMatrixRepair, FaultMatrixRepair, ::testing::ValuesIn(Operations()),
                         [](const ::testing::TestParamInfo<Operation>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace quillon::testing
