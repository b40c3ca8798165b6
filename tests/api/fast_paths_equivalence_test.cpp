// Plays the same random host sessions with the engine's shortcuts off and
// on, and checks after every call that nothing tells the two apart: the
// slots, the messages, the last error, and every file in the folder (the
// backups and the temporary folder included).
#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <random>

#include "helpers/fast_paths_off.h"
#include "helpers/host_session.h"
#include "helpers/memo_bytes.h"
#include "helpers/table_bytes.h"
#include "helpers/temp_folder.h"
#include "host/library.h"
#include "quillon.h"

namespace quillon::testing {
namespace {

namespace fs = std::filesystem;

struct Call {
  std::string label;  // the call as a failure message shows it
  void (*exported)() = nullptr;
  std::optional<std::string> text;
  std::optional<int32_t> data;
  std::string importText;  // written to in.txt first
  int failingWrite = 0;     // the write of the call that fails (0: none)
  size_t partialWrite = 0;  // the bytes it leaves behind
};

// What the host, or the next program to open the files, could see, by name:
// the slots, each message shown, the last error, each file's size and hash.
using Seen = std::map<std::string, std::string>;

std::string Letters(std::mt19937& rng, size_t n) {
  static constexpr char kAlphabet[] = "abXY z09";
  std::string s(n, ' ');
  for (char& c : s) c = kAlphabet[rng() % (sizeof kAlphabet - 1)];
  return s;
}

// A table NAME C10, NOTE M10, AGE N3 in either memo layout, with records
// other programs marked deleted and memo texts short, exactly a block, and
// several blocks long, and one text no record refers to.
std::string WriteStartingFiles(const fs::path& dir, std::mt19937& rng, std::string name,
                               bool sized) {
  const size_t block = sized ? 64 : 512, overhead = sized ? 8 : 2;
  const size_t lengths[] = {0, 3, block - overhead, block, 130, 510, 1500};
  const auto blocks = [&](const std::string& s) { return (s.size() + overhead - 1) / block + 1; };
  TableBytes t;
  t.version = sized ? 0xF5 : 0x83;
  t.fields = {{"NAME", 'C', 10}, {"NOTE", 'M', 10}, {"AGE", 'N', 3}};
  std::vector<std::string> texts = {Letters(rng, 40)};
  size_t next = (sized ? 512 / block : 1) + blocks(texts[0]);
  for (size_t n = 4 + rng() % 9; n > 0; --n) {
    std::string pointer(10, ' ');
    if (rng() % 3 != 0) {
      texts.push_back(Letters(rng, lengths[rng() % std::size(lengths)]));
      pointer = MemoPointer(static_cast<int>(next));
      next += blocks(texts.back());
    }
    t.records.push_back(Letters(rng, 10) + pointer + std::to_string(100 + rng() % 900));
    t.flags.push_back(rng() % 4 == 0 ? '*' : ' ');
  }
  t.afterRecords = rng() % 2 ? "\x1A" : "";
  const std::string memo = sized ? SizedMemoFile(block, texts) : FixedMemoFile(texts);
  WriteWholeFile((dir / (name + ".dbt")).string(), memo);
  WriteWholeFile((dir / (name + ".dbf")).string(), t.Build());
  return (dir / (name + ".dbf")).string();
}

// The exports drawn from, with the argument each takes: none, a record
// number (n), or a text of the form the letter stands for.
struct Kind {
  const char* name;
  void (*exported)();
  char argument;
};
constexpr Kind kKinds[] = {
    {"first", first, ' '}, {"next1", next1, ' '}, {"prev", prev, ' '}, {"last", last, ' '},
    {"curnum", curnum, ' '}, {"countrec", countrec, ' '}, {"getcurrecall", getcurrecall, ' '},
    {"delrec", delrec, ' '}, {"memopak", memopak, ' '}, {"gotorec", gotorec, 'n'},
    {"getcurn", getcurn, 'c'}, {"getarrayrecords", getarrayrecords, 'a'},
    {"getdataotdo", getdataotdo, 'o'}, {"finddata", finddata, 'f'}, {"editrec", editrec, 'e'},
    {"editrec", editrec, 'e'}, {"addrec", addrec, 'e'}, {"importasmaster", importasmaster, 'i'},
    {"loaddb", loaddb, 'l'}};

// Record numbers run past both ends of the table; memo texts of many sizes.
Call RandomCall(std::mt19937& rng, const fs::path& dir) {
  const auto pick = [&](size_t n) { return rng() % n; };
  const auto record = [&] { return std::to_string(static_cast<int>(pick(16)) - 1); };
  const auto field = [&] { return std::string(std::array{"NAME", "NOTE", "AGE", "no"}[pick(4)]); };
  const auto memo = [&] { return Letters(rng, std::array{0, 5, 56, 64, 200, 510, 3000}[pick(7)]); };
  const Kind& kind = kKinds[pick(std::size(kKinds))];
  Call c{kind.name, kind.exported, std::nullopt, std::nullopt, ""};
  switch (kind.argument) {
    case 'n': c.data = std::stoi(record()); break;
    case 'c': c.text = field() + "|" + field() + "|"; break;
    case 'a': c.text = field() + "|" + record() + "|" + record() + "|"; break;
    case 'o':
      c.text = field() + "|" + record() + "|max#" + field() + "|" + record() + "|" + record();
      break;
    case 'f': c.text = field() + "=" + Letters(rng, 1 + pick(2)); break;
    case 'l':
      c.text = (dir / std::array{"t.dbf", "u.dbf", "t.dbf", "no.dbf"}[pick(4)]).string();
      break;
    case 'i':
      c.text = (dir / "in.txt").string();
      c.importText = Letters(rng, 4) + "#" + memo() + "#7##" + Letters(rng, 3) + "#" + memo();
      break;
    case 'e':
      for (c.text = ""; c.text->empty() || pick(2);) {
        const std::string f = field();
        const std::string value = f == "NOTE" ? memo() : Letters(rng, pick(12));
        *c.text += (c.text->empty() ? "" : "|") + f + "=" + value;
      }
  }
  if (c.data) c.label += "(" + std::to_string(*c.data) + ")";
  if (c.text) {
    c.label += "(\"" + c.text->substr(0, 60) + "\", " + std::to_string(c.text->size()) + " bytes)";
  }
  // Writes are the same with and without the shortcuts (reads are not), so
  // failing one of them fails the same write in both runs.
  if (pick(10) == 0) {
    c.failingWrite = static_cast<int>(1 + pick(8));
    c.partialWrite = pick(2) * 5;
    c.label += " with write " + std::to_string(c.failingWrite) + " failing after " +
               std::to_string(c.partialWrite) + " bytes";
  }
  return c;
}

// The first thing seen differently; empty when there is none.
std::string Difference(const Seen& exact, const Seen& fast) {
  const auto shown = [](const Seen& seen, const std::string& what) {
    const auto it = seen.find(what);
    return it == seen.end() ? std::string("nothing") : "\"" + it->second.substr(0, 200) + "\"";
  };
  for (const Seen* side : {&exact, &fast}) {
    for (const auto& [what, unused] : *side) {
      const auto a = exact.find(what), b = fast.find(what);
      if (a == exact.end() || b == fast.end() || a->second != b->second) {
        return what + ": " + shown(exact, what) + " vs " + shown(fast, what);
      }
    }
  }
  return "";
}

class FastPathsEquivalenceTest : public HostSession {
 protected:
  void SetUp() override {
    HostSession::SetUp();
    temp_.emplace(dir_.File("tmp"));
    platform_.today = platform::LocalDate{2024, 5, 17};
    platform_.flushToDisk = false;  // nothing here models a crash
  }
  void TearDown() override {
    temp_.reset();
    HostSession::TearDown();
  }

  // A freshly loaded library over fresh starting files, then every call (steps 1 on).
  std::vector<Seen> Run(uint32_t seed, const std::vector<Call>& calls) {
    host::LibraryUnload();
    host::LibraryLoad();
    for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry.path());
    fs::create_directory(dir_.File("tmp"));
    std::mt19937 rng(seed);
    WriteStartingFiles(dir_.path(), rng, "u", seed % 2 != 0);
    Load(WriteStartingFiles(dir_.path(), rng, "t", seed % 2 == 0));
    EXPECT_NE(Resident().memoFile, nullptr) << "seed " << seed;
    std::vector<Seen> seen;
    for (const Call& call : calls) {
      platform_.messages.clear();
      platform_.writes.clear();
      if (!call.importText.empty()) WriteWholeFile(dir_.File("in.txt"), call.importText);
      if (call.text) SetFile(call.text->c_str());
      if (call.data) SetData(*call.data);
      platform_.fail = nullptr;
      if (call.failingWrite) platform_.fail = FaultPlatform::FailNth(Op::kWrite, call.failingWrite);
      platform_.partialWrite = call.partialWrite;
      call.exported();
      platform_.fail = nullptr;
      Seen& s = seen.emplace_back();
      s["text slot"] = GetFile();
      s["last error"] = Resident().lastErrorText;
      s["data slot"] = std::to_string(GetData());
      for (size_t i = 0; i < platform_.messages.size(); ++i) {
        s["message " + std::to_string(i)] = platform_.messages[i];
      }
      for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
        if (!entry.is_regular_file()) continue;
        const std::string bytes = ReadWholeFile(entry.path().string());
        const size_t hash = std::hash<std::string>{}(bytes);
        s[fs::relative(entry.path(), dir_.path()).string()] =
            std::to_string(bytes.size()) + " bytes, hash " + std::to_string(hash);
      }
    }
    return seen;
  }

  std::optional<TempFolderScope> temp_;
};

TEST_F(FastPathsEquivalenceTest, RandomSessionsSeeTheSameWithAndWithoutTheShortcuts) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(seed * 7919);
    std::vector<Call> calls;
    for (int i = 0; i < 300; ++i) calls.push_back(RandomCall(rng, dir_.path()));
    std::vector<Seen> exact;
    {
      FastPathsOff off;
      exact = Run(seed, calls);
    }
    // The usual window holds these files whole; a small one puts reads,
    // writes and cuts on its edges.
    const size_t small = std::array<size_t, 3>{16, 100, 700}[seed % 3];
    for (const size_t window : {engine::FastPaths{}.readWindowBytes, small}) {
      const engine::FastPaths saved = engine::CurrentFastPaths();
      engine::CurrentFastPaths().readWindowBytes = window;
      const std::vector<Seen> fast = Run(seed, calls);
      engine::CurrentFastPaths() = saved;
      for (size_t step = 0; step < calls.size(); ++step) {
        const std::string difference = Difference(exact[step], fast[step]);
        if (difference.empty()) continue;
        ADD_FAILURE() << "seed " << seed << ", window " << window << ", step " << step + 1 << ", "
                      << calls[step].label << ": exact vs fast: " << difference;
        break;
      }
    }
  }
}

}  // namespace
}  // namespace quillon::testing
