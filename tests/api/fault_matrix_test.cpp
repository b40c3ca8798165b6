// Interrupts each write export at every platform call it makes, in turn:
// either that one call fails, or it and every later call fail (the process
// killed there, so nothing after it reaches the disk). Then a fresh library
// opens the table again, as a host would after a crash, and the matrix checks
// that every record is there exactly once and every memo text reads as it
// was before the export or as the export wrote it. Only exports are used, so
// the check holds however the library makes its writes safe.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
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
enum class Mode { kOnce, kFromThenOn };

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
  return {t.Build(), layout == MemoLayout::kFixed ? FixedMemoFile(notes)
                                                  : SizedMemoFile(kSizedBlock, notes)};
}

// Where scenes are made: in memory where the system offers it (a killed
// process loses nothing the system holds, and thousands of runs then wait
// for no disk; under wine the Windows build finds it too, on the drive the
// tests start from), otherwise in the usual temporary folder.
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

  // The rebuild's backups beside the table hold the starting pair exactly.
  bool BackupsHoldStartingPair() const {
    return dir.Exists("t.baz") && dir.Exists("t.mem") && dir.Read("t.baz") == start.table &&
           dir.Read("t.mem") == start.memo;
  }

  const Pair start;
  ScratchDir dir;
  std::string table;

 private:
  std::optional<TempFolderScope> temp_;
};

// Only killed processes are modelled, never a lost machine: what was written
// stays written without waiting for the disk.
struct MatrixPlatform : FaultPlatform {
  MatrixPlatform() { flushToDisk = false; }
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
// failed), the calls under test, the keys it leaves when nothing fails (a
// memo text it changed after a colon), so that a matrix whose operation does
// nothing cannot pass, and whether the rebuild's backups may stand in for a
// broken pair.
struct Operation {
  std::string name;
  MemoLayout layout;
  std::function<void(Scene&)> prepare;
  std::function<void(Scene&)> act;
  std::string leaves;
  bool backupsCount = false;
};

void PrintTo(const Operation& op, std::ostream* out) { *out << op.name; }
const char* ModeName(Mode mode) { return mode == Mode::kOnce ? "once" : "from_then_on"; }
void PrintTo(Mode mode, std::ostream* out) { *out << ModeName(mode); }

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
  static const std::vector<Operation> operations = {
      {"delrec", MemoLayout::kFixed, loadAt(4), [](Scene&) { delrec(); }, "K1 K3 K5 K6"},
      {"editrec_name", MemoLayout::kFixed, loadAt(5), [](Scene&) { Call(editrec, "NAME=edited"); },
       "K1 K3 K4 K5 K6"},
      {"editrec_note", MemoLayout::kFixed, loadAt(5), editNote, "K1 K3 K4 K5:edited K6"},
      {"editrec_note_sized", MemoLayout::kSized, loadAt(5), editNote, "K1 K3 K4 K5:edited K6"},
      {"addrec", MemoLayout::kFixed, load,
       [](Scene&) { Call(addrec, "KEY=K7|NAME=added|NOTE=" + Note("K7")); },
       "K1 K3 K4 K5 K6 K7"},
      {"importasmaster", MemoLayout::kFixed,
       [](Scene& s) {
         s.dir.Write("in.txt", "I1#one#" + Note("I1") + "##I2#two#" + Note("I2") + "##I3#three#" +
                                   Note("I3"));
         Load(s.table);
       },
       [](Scene& s) { Call(importasmaster, s.dir.File("in.txt")); }, "K1 K3 K4 K5 K6 I1 I2 I3"},
      {"memopak", MemoLayout::kFixed, load, pack, "K1 K2 K3 K4 K5 K6", true},
      {"memopak_sized", MemoLayout::kSized, load, pack, "K1 K2 K3 K4 K5 K6", true},
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

struct Row {
  std::string key, note;
};

// The table as a host sees it after opening it again.
struct Reopened {
  bool opened = false;
  int32_t counted = 0;  // countrec
  std::vector<Row> rows;  // walked with first and next1
  bool backupsHoldStartingPair = false;
};

Row ParseRow(const std::string& all) {
  std::vector<std::string> values;
  std::string_view rest = all;
  while (!rest.empty()) {
    const size_t bar = rest.find('|');
    values.emplace_back(rest.substr(0, bar));
    rest.remove_prefix(bar == std::string_view::npos ? rest.size() : bar + 1);
  }
  values.resize(3);
  return {values[0], values[2]};
}

Reopened ReadBack(const Scene& scene) {
  Reopened r;
  Load(scene.table);
  fiedscount();
  r.opened = GetData() == 3;
  countrec();
  r.counted = GetData();
  first();
  for (int32_t previous = 0;;) {
    curnum();
    const int32_t at = GetData();
    if (at == previous) break;
    getcurrecall();
    r.rows.push_back(ParseRow(GetFile()));
    previous = at;
    next1();
  }
  r.backupsHoldStartingPair = scene.BackupsHoldStartingPair();
  return r;
}

// Reads the scene's table back in a freshly loaded library on a sound disk.
Reopened Reopen(const Scene& scene) {
  MatrixPlatform clean;
  PlatformScope scope(clean);
  host::LibraryLoad();
  Reopened reopened = ReadBack(scene);
  host::LibraryUnload();
  return reopened;
}

// Runs the operation on a fresh starting pair under `rule`, drops the library
// as a killed process would (the rule still in force, so nothing more reaches
// the disk), and reopens the table. `calls` receives how many counted calls
// the operation made.
Reopened RunAndReopen(const Operation& op, std::function<bool(const OpInfo&)> rule,
                      int* calls = nullptr) {
  Scene scene(op.layout);
  {
    MatrixPlatform faulty;
    PlatformScope scope(faulty);
    host::LibraryLoad();
    op.prepare(scene);
    faulty.calls = 0;
    faulty.fail = std::move(rule);
    op.act(scene);
    if (calls != nullptr) *calls = faulty.calls;
    host::LibraryUnload();
  }
  return Reopen(scene);
}

const Row* Find(const std::vector<Row>& rows, const std::string& key) {
  for (const Row& row : rows) {
    if (row.key == key) return &row;
  }
  return nullptr;
}

// What breaks the promise, judged against the table before the operation
// and after it ran without faults: a record of `before` that the operation
// kept must be there, a record it added may be there, nothing else may; no
// key twice; each memo text as before or as written (a record added blank
// may also keep its empty memo).
std::vector<std::string> Broken(const Reopened& got, const std::vector<Row>& before,
                                const std::vector<Row>& after) {
  std::vector<std::string> broken;
  if (!got.opened) broken.push_back("the table does not open");
  if (got.counted != static_cast<int32_t>(got.rows.size())) {
    broken.push_back("countrec " + std::to_string(got.counted) + " but " +
                     std::to_string(got.rows.size()) + " records read");
  }
  std::map<std::string, int> seen;
  for (const Row& row : got.rows) {
    const Row* old = Find(before, row.key);
    const Row* written = Find(after, row.key);
    if (old == nullptr && written == nullptr) {
      broken.push_back("a stray record '" + row.key + "'");
      continue;
    }
    if (++seen[row.key] == 2) broken.push_back(row.key + " twice");
    const bool asBefore = old != nullptr ? row.note == old->note : row.note.empty();
    if (!asBefore && !(written != nullptr && row.note == written->note)) {
      broken.push_back(row.key + "'s memo reads '" + row.note + "'");
    }
  }
  for (const Row& row : before) {
    if (Find(after, row.key) != nullptr && seen.count(row.key) == 0) {
      broken.push_back(row.key + " lost");
    }
  }
  return broken;
}

// A call as the failure messages name it: "write t.dbf at 237".
std::string Describe(const OpInfo& call) {
  const std::string file = " " + std::filesystem::path(call.path).filename().string();
  const std::string at = file + " at " + std::to_string(call.position);
  switch (call.op) {
    case Op::kOpen: return "open" + file;
    case Op::kSeek: return "seek" + at;
    case Op::kRead: return "read" + at;
    case Op::kWrite: return "write" + at;
    case Op::kSetEnd: return "cut" + at;
    case Op::kSize: return "size" + file;
    case Op::kFlush: return "flush" + file;
    case Op::kCopy: return "copy to" + file;
    case Op::kDelete: return "delete" + file;
  }
  return "?";
}

class FaultMatrix : public ::testing::TestWithParam<std::tuple<Operation, Mode>> {};

TEST_P(FaultMatrix, EveryRecordOnceAndEveryMemoReadable) {
  const auto& [op, mode] = GetParam();
  const Reopened before = Reopen(Scene(op.layout));
  ASSERT_TRUE(before.opened);
  ASSERT_EQ(before.rows.size(), size_t{kRecords});

  // The run without faults: what the operation writes, how many calls it
  // makes, and what each call is, for the failure messages.
  std::vector<OpInfo> trace;
  int n = 0;
  const Reopened after = RunAndReopen(op, [&trace](const OpInfo& call) {
    trace.push_back(call);
    return false;
  }, &n);
  std::string leaves;
  for (const Row& row : after.rows) {
    leaves += (leaves.empty() ? "" : " ") + row.key;
    if (row.note != Note(row.key)) leaves += ":" + row.note;
  }
  ASSERT_EQ(leaves, op.leaves);
  ASSERT_TRUE(Broken(after, before.rows, after.rows).empty());
  ASSERT_EQ(trace.size(), static_cast<size_t>(n));

  for (int k = 1; k <= n; ++k) {
    const Reopened got = RunAndReopen(
        op, mode == Mode::kOnce ? FaultPlatform::FailCall(k) : FaultPlatform::FailFromCall(k));
    std::vector<std::string> broken = Broken(got, before.rows, after.rows);
    // A rebuild may leave a broken pair when complete backups of the old
    // one lie beside it.
    if (broken.empty() || (op.backupsCount && got.backupsHoldStartingPair)) continue;
    std::string list;
    for (const std::string& b : broken) list += (list.empty() ? "" : "; ") + b;
    ADD_FAILURE() << op.name << ", " << ModeName(mode) << ", k=" << k << " of " << n << " ("
                  << Describe(trace[static_cast<size_t>(k - 1)]) << "): " << list;
  }
}

INSTANTIATE_TEST_SUITE_P(
    FaultMatrix, FaultMatrix,
    ::testing::Combine(::testing::ValuesIn(Operations()),
                       ::testing::Values(Mode::kOnce, Mode::kFromThenOn)),
    [](const ::testing::TestParamInfo<FaultMatrix::ParamType>& info) {
      return std::get<0>(info.param).name + "_" + ModeName(std::get<1>(info.param));
    });

}  // namespace
}  // namespace quillon::testing
