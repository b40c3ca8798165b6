// Speed at table scale: generates its tables, drives the exports the way a
// host does, checks every answer against one computed straight from the
// file's bytes, and prints each target as a ratio of CPU times measured in
// this run, with pass or fail. Exits 1 when a target fails or an answer is
// wrong. Run by scripts/bench.sh.
#include <fcntl.h>
#include <shapefil.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "host/library.h"
#include "platform/platform.h"
#include "quillon.h"
#include "support/case_folding.h"
#include "support/text.h"
#include "support/wildcard.h"

// The library's working memory: every allocation of the process is
// counted, and the peak above what was live when a call began is what that
// call needed.
namespace {
std::atomic<size_t> liveBytes{0};
std::atomic<size_t> peakBytes{0};
}  // namespace

void* operator new(size_t n) {
  void* p = std::malloc(n + 16);
  if (p == nullptr) throw std::bad_alloc();
  *static_cast<size_t*>(p) = n;
  const size_t now = liveBytes += n;
  size_t peak = peakBytes.load();
  while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
  }
  return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  char* block = static_cast<char*>(p) - 16;
  liveBytes -= *reinterpret_cast<size_t*>(block);
  std::free(block);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

namespace fs = std::filesystem;
using quillon::support::LowerCp1251;
using quillon::support::Trim;
using quillon::support::WildcardMatch;

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The smallest CPU time of `runs` runs, after one run that is not timed: the
// first run of a large answer grows the process's heap, and each fresh page
// costs a fault whose price this kind of machine makes high, so without it
// whichever side is measured first pays for both.
double Time(const std::function<void()>& body, int runs = 3) {
  body();
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const double start = CpuSeconds();
    body();
    best = std::min(best, CpuSeconds() - start);
  }
  return best;
}

// The middle one of an odd number of times, the mean of the middle two of
// an even number.
double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const size_t half = times.size() / 2;
  return times.size() % 2 == 1 ? times[half] : (times[half - 1] + times[half]) / 2;
}

bool allPassed = true;

void Report(const char* target, double ratio, double limit, bool atMost) {
  const bool pass = atMost ? ratio <= limit : ratio >= limit;
  allPassed = allPassed && pass;
  std::printf("| %-62s | %7.2f | %s %5.2f | %s |\n", target, ratio, atMost ? "<=" : ">=", limit,
              pass ? "pass" : "FAIL");
}

void Check(bool holds, const std::string& what) {
  if (holds) return;
  std::printf("wrong answer: %s\n", what.c_str());
  allPassed = false;
}

std::string Ask(void (*tableExport)(), const std::string& request) {
  SetFile(request.c_str());
  tableExport();
  return GetFile();
}

int32_t Count() {
  countrec();
  return GetData();
}

// Written back before anything is measured, so that no measured flush pays
// for writing what the benchmark itself generated.
void SyncToDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0 || ::fsync(fd) != 0) std::abort();
  ::close(fd);
}

struct Field {
  const char* name;
  char type;
  int width;
  int decimals;
};

// A table of `count` records, written byte by byte; `row(i)` gives record
// i's field bytes (without the flag). Memo fields, when there are any, get a
// fixed-block memo file from `memo(i, field)`.
void WriteTable(const std::string& path, const std::vector<Field>& fields, int count,
                const std::function<std::string(int)>& row, bool withMemo = false) {
  int length = 1;
  for (const Field& f : fields) length += f.width;
  std::string head(32, '\0');
  head[0] = withMemo ? '\x83' : '\x03';
  head[1] = 126;
  head[2] = 12;
  head[3] = 1;
  for (int i = 0; i < 4; ++i) head[4 + i] = static_cast<char>(count >> (8 * i));
  const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1;
  head[8] = static_cast<char>(headerLength & 0xFF);
  head[9] = static_cast<char>(headerLength >> 8);
  head[10] = static_cast<char>(length & 0xFF);
  head[11] = static_cast<char>(length >> 8);
  for (const Field& f : fields) {
    std::string d(32, '\0');
    std::memcpy(d.data(), f.name, std::strlen(f.name));
    d[11] = f.type;
    d[16] = static_cast<char>(f.width);
    d[17] = static_cast<char>(f.decimals);
    head += d;
  }
  head += '\x0D';
  std::ofstream out(path, std::ios::binary);
  out << head;
  std::string record;
  for (int i = 1; i <= count; ++i) {
    record = " " + row(i);
    record.resize(static_cast<size_t>(length), ' ');
    out << record;
  }
  out << '\x1A';
  out.close();
  SyncToDisk(path);
}

std::string Padded(std::string text, int width, bool right = false) {
  if (static_cast<int>(text.size()) >= width) return text.substr(0, static_cast<size_t>(width));
  const std::string pad(static_cast<size_t>(width) - text.size(), ' ');
  return right ? pad + text : text + pad;
}

// Calls `visit(record number, record bytes)` for every record, reading the
// file in large chunks: the least a reader of the same bytes must do.
void ForEachRecord(const std::string& path, const std::function<void(int, const char*)>& visit) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  char head[12];
  if (::pread(fd, head, 12, 0) != 12) std::abort();
  const uint32_t count = static_cast<uint8_t>(head[4]) | static_cast<uint8_t>(head[5]) << 8 |
                         static_cast<uint8_t>(head[6]) << 16 |
                         static_cast<uint32_t>(static_cast<uint8_t>(head[7])) << 24;
  const size_t headerLength = static_cast<uint8_t>(head[8]) | static_cast<uint8_t>(head[9]) << 8;
  const size_t length = static_cast<uint8_t>(head[10]) | static_cast<uint8_t>(head[11]) << 8;
  const size_t perChunk = (size_t{64} << 10) / length;
  std::vector<char> chunk(perChunk * length);
  for (uint32_t first = 1; first <= count; first += static_cast<uint32_t>(perChunk)) {
    const size_t records = std::min<size_t>(perChunk, count - first + 1);
    const off_t at = static_cast<off_t>(headerLength + (first - 1) * length);
    if (::pread(fd, chunk.data(), records * length, at) != static_cast<ssize_t>(records * length)) {
      std::abort();
    }
    for (size_t r = 0; r < records; ++r)
      visit(static_cast<int>(first + r), chunk.data() + r * length);
  }
  ::close(fd);
}

void CopyFileBytes(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char> chunk(size_t{64} << 10);
  for (;;) {
    const ssize_t got = ::read(in, chunk.data(), chunk.size());
    if (got <= 0) break;
    if (::write(out, chunk.data(), static_cast<size_t>(got)) != got) std::abort();
  }
  ::close(in);
  ::close(out);
}

// ID N 8, NAME C 30, CITY C 20, SUM N 10.2: one record in a hundred has a
// NAME with "xyz" in it, another one in a hundred a CITY with "моск".
const std::vector<Field> kPeople = {
    {"ID", 'N', 8, 0}, {"NAME", 'C', 30, 0}, {"CITY", 'C', 20, 0}, {"SUM", 'N', 10, 2}};
constexpr int kNameAt = 9, kCityAt = 39, kSumAt = 59;
std::string Person(int i) {
  const std::string name =
      i % 100 == 7 ? "Xyzzy Person " + std::to_string(i) : "Name Person " + std::to_string(i);
  // "Москва-" and "Смоленск-" in Windows-1251.
  const std::string city =
      (i % 100 == 13 ? "\xCC\xEE\xF1\xEA\xE2\xE0-" : "\xD1\xEC\xEE\xEB\xE5\xED\xF1\xEA-") +
      std::to_string(i % 977);
  return Padded(std::to_string(i), 8, true) + Padded(name, 30) + Padded(city, 20) +
         Padded(std::to_string(i % 1000) + ".25", 10, true);
}

std::string FieldValue(const char* record, int at, int width) {
  return Trim(std::string_view(record + at, static_cast<size_t>(width)));
}

struct Folder {
  fs::path path = fs::temp_directory_path() / ("quillon-bench-" + std::to_string(::getpid()));
  Folder() { fs::create_directories(path); }
  ~Folder() { fs::remove_all(path); }
  std::string File(const std::string& name) const { return (path / name).string(); }
};

// A folder of its own for each turn of a measurement that writes a table
// anew every turn. The last turn's folder is removed once this turn's table
// is loaded (which closed the last one): files kept from every turn would
// grow the page cache turn by turn, and later turns would pay for it.
class Turns {
 public:
  explicit Turns(const Folder& dir) : dir_(dir) {}
  // The path of `name` in turn `turn`'s folder, which is made when missing.
  std::string File(int turn, const std::string& name) {
    const fs::path folder = Of(turn);
    fs::create_directories(folder);
    return (folder / name).string();
  }
  void Loaded(int turn) {
    if (turn > 0) fs::remove_all(Of(turn - 1));
  }

 private:
  fs::path Of(int turn) const { return dir_.path / ("turn" + std::to_string(turn)); }
  const Folder& dir_;
};

void Load(const std::string& table) {
  SetFile(table.c_str());
  loaddb();
}

// Peak working memory of one call, beyond what was live before it and
// beyond `answer` bytes (an answer is built, grown and copied into the slot,
// so three times its size is allowed for it).
size_t PeakOf(const std::function<void()>& call, size_t answer = 0) {
  const size_t before = liveBytes.load();
  peakBytes = before;
  call();
  const size_t used = peakBytes.load() - before;
  return used > 3 * answer ? used - 3 * answer : 0;
}

void Searches(const std::string& table, size_t& peak) {
  std::printf("\n1. finddata, 10^6 records, one in a hundred matching\n\n");
  struct Search {
    const char* what;
    const char* field;
    int at, width;
    std::string pattern;  // as the host types it
  };
  const Search searches[] = {{"Latin", "NAME", kNameAt, 30, "xYz"},
                             {"Cyrillic", "CITY", kCityAt, 20, "\xCC\xCE\xD1\xCA"}};  // "МОСК"
  for (const Search& s : searches) {
    std::string answer;
    const double library =
        Time([&] { answer = Ask(finddata, std::string(s.field) + "=" + s.pattern); });
    peak = std::max(peak, PeakOf([&] { Ask(finddata, std::string(s.field) + "=" + s.pattern); },
                                 answer.size()));
    std::string mask = "*" + s.pattern + "*";
    LowerCp1251(mask);
    std::string direct;
    const double tight = Time([&] {
      direct.clear();
      ForEachRecord(table, [&](int i, const char* record) {
        std::string value = FieldValue(record, s.at, s.width);
        if (value.empty()) return;
        LowerCp1251(value);
        if (WildcardMatch(value, mask)) direct += std::to_string(i) + "|";
      });
    });
    Check(answer == direct, std::string("finddata ") + s.what);
    std::string peer;
    const double shapelib = Time([&] {
      peer.clear();
      DBFHandle dbf = DBFOpen(table.c_str(), "rb");
      const int field = DBFGetFieldIndex(dbf, s.field);
      const int count = DBFGetRecordCount(dbf);
      for (int i = 0; i < count; ++i) {
        std::string value = Trim(DBFReadStringAttribute(dbf, i, field));
        if (value.empty()) continue;
        LowerCp1251(value);
        if (WildcardMatch(value, mask)) peer += std::to_string(i + 1) + "|";
      }
      DBFClose(dbf);
    });
    Check(peer == direct, std::string("shapelib ") + s.what);
    Report((std::string("finddata ") + s.what + " / tight fold-and-match loop").c_str(),
           library / tight, 2, true);
    Report((std::string("shapelib loop / finddata ") + s.what).c_str(), shapelib / library, 3,
           false);
  }
}

void Reads(const std::string& table, size_t& peak) {
  std::printf("\n2. Reading every record, and 10,000 records at random\n\n");
  std::string answer;
  const double library = Time([&] { answer = Ask(getdataotdo, "NAME|1|max"); });
  peak = std::max(peak, PeakOf([&] { Ask(getdataotdo, "NAME|1|max"); }, answer.size()));
  std::string direct;
  const double fromBytes = Time([&] {
    direct.clear();
    ForEachRecord(
        table, [&](int, const char* record) { direct += FieldValue(record, kNameAt, 30) + "|"; });
    direct += "#";
  });
  Check(answer == direct, "getdataotdo NAME|1|max");
  Report("getdataotdo 'NAME|1|max' / the same text from the bytes", library / fromBytes, 3, true);

  size_t hostLength = 0;
  const double host = Time([&] {
    hostLength = 0;
    first();
    const int32_t count = Count();
    for (int32_t i = 1; i <= count; ++i) {
      getcurrecall();
      hostLength += std::strlen(GetFile());
      next1();
    }
  });
  size_t directLength = 0;
  const int widths[] = {8, 30, 20, 10};
  const double hostDirect = Time([&] {
    directLength = 0;
    ForEachRecord(table, [&](int, const char* record) {
      std::string text;
      int at = 1;
      for (const int width : widths) {
        text += FieldValue(record, at, width) + "|";
        at += width;
      }
      directLength += text.size();
    });
  });
  Check(hostLength == directLength, "getcurrecall over every record");
  Report("host loop first/next1/getcurrecall / the same texts from bytes", host / hostDirect, 3,
         true);

  std::mt19937 random(7);
  const int32_t count = Count();
  std::vector<int32_t> numbers(10000);
  for (int32_t& n : numbers) n = static_cast<int32_t>(random() % static_cast<uint32_t>(count)) + 1;
  std::string request = "NAME|";
  for (const int32_t n : numbers) request += std::to_string(n) + "|";
  const double arrays = Time([&] { answer = Ask(getarrayrecords, request); });
  const int fd = ::open(table.c_str(), O_RDONLY);
  std::string expected;
  char record[69];
  const double positioned = Time([&] {
    expected.clear();
    for (const int32_t n : numbers) {
      if (::pread(fd, record, 69, 32 + 4 * 32 + 1 + off_t{n - 1} * 69) != 69) std::abort();
    }
  });
  for (const int32_t n : numbers) {
    if (::pread(fd, record, 69, 32 + 4 * 32 + 1 + off_t{n - 1} * 69) != 69) std::abort();
    expected += FieldValue(record, kNameAt, 30) + "|";
  }
  ::close(fd);
  Check(answer == expected, "getarrayrecords of 10,000 random records");
  Report("getarrayrecords of 10,000 random records / one pread each", arrays / positioned, 2, true);
}

// CPU time per call of `call`, over `calls` calls.
double PerCall(int calls, const std::function<void(int)>& call) {
  const double start = CpuSeconds();
  for (int i = 0; i < calls; ++i) call(i);
  return (CpuSeconds() - start) / calls;
}

// CPU time of moving the records after the middle one of a fresh copy of
// the large table down by one record, as a plain program would, made safe by
// one flush.
double MoveDownByOne(const Folder& dir, const std::string& name) {
  const std::string copy = dir.File(name);
  CopyFileBytes(dir.File("edit1.dbf"), copy);
  SyncToDisk(copy);
  const double start = CpuSeconds();
  const int fd = ::open(copy.c_str(), O_RDWR);
  const off_t length = 69, headerLength = 32 + 4 * 32 + 1;
  uint32_t records = 0;
  if (::pread(fd, &records, 4, 4) != 4) std::abort();
  const off_t count = records, middle = count / 2;
  const off_t end = headerLength + count * length;
  std::vector<char> chunk((size_t{64} << 10) / 69 * 69);
  for (off_t from = headerLength + middle * length; from < end;) {
    const size_t n =
        static_cast<size_t>(std::min<off_t>(static_cast<off_t>(chunk.size()), end - from));
    if (::pread(fd, chunk.data(), n, from) != static_cast<ssize_t>(n) ||
        ::pwrite(fd, chunk.data(), n, from - length) != static_cast<ssize_t>(n)) {
      std::abort();
    }
    from += static_cast<off_t>(n);
  }
  if (::ftruncate(fd, end - length) != 0 || ::fsync(fd) != 0) std::abort();
  ::close(fd);
  return CpuSeconds() - start;
}

// CPU time of delrec of the middle record of a fresh copy of the large
// table, after an edit that paid the first pass when `afterAnEdit`.
double DeleteMiddle(const Folder& dir, const std::string& name, bool afterAnEdit) {
  const std::string copy = dir.File(name);
  CopyFileBytes(dir.File("edit1.dbf"), copy);
  SyncToDisk(copy);
  Load(copy);
  const int32_t count = Count();
  if (afterAnEdit) {
    SetData(count);
    gotorec();
    Ask(editrec, "NAME=one more");
  }
  SetData(count / 2);
  gotorec();
  const double start = CpuSeconds();
  delrec();
  const double seconds = CpuSeconds() - start;
  Check(Count() == count - 1, "delrec counts");
  return seconds;
}

void Edits(const Folder& dir, size_t& peak) {
  std::printf("\n3. Edits on 10^4 and 10^6 records\n\n");
  double add[2], edit[2];
  const int sizes[] = {10000, 1000000};
  constexpr int kCalls = 40;
  for (int s = 0; s < 2; ++s) {
    const std::string table = dir.File("edit" + std::to_string(s) + ".dbf");
    WriteTable(table, kPeople, sizes[s], Person);
    Load(table);
    // The first edit after opening may read the whole table once.
    SetData(1);
    gotorec();
    Ask(editrec, "NAME=warm");
    add[s] = PerCall(kCalls,
                     [](int i) { Ask(addrec, "NAME=added " + std::to_string(i) + "|SUM=1.50"); });
    Check(Count() == sizes[s] + kCalls, "addrec counts");
    std::mt19937 random(11);
    edit[s] = PerCall(kCalls, [&](int i) {
      SetData(static_cast<int32_t>(random() % static_cast<uint32_t>(sizes[s])) + 1);
      gotorec();
      Ask(editrec, "NAME=edited " + std::to_string(i));
    });
    peak = std::max(peak, PeakOf([] { Ask(addrec, "NAME=one more"); }));
  }
  Report("addrec per call, 10^6 records / 10^4 records", add[1] / add[0], 2, true);
  Report("editrec per call, 10^6 records / 10^4 records", edit[1] / edit[0], 2, true);

  // delrec of the middle record of the large table, against moving the
  // records after it down by one record. Both work on a copy made the same
  // way, since how a file was written changes what rewriting it costs, and
  // both count the quickest of three turns, since each ends in flushes whose
  // cost varies. The target takes delrec as an edit after the first, which
  // may pay one pass over the file; delrec as that first edit is shown too.
  double moving = 1e9, later = 1e9;
  for (int turn = 0; turn < 3; ++turn) {
    moving = std::min(moving, MoveDownByOne(dir, "moved.dbf"));
    later = std::min(later, DeleteMiddle(dir, "later.dbf", true));
  }
  const double first = DeleteMiddle(dir, "first.dbf", false);
  Report("delrec of the middle record / moving the rest down by one", later / moving, 3, true);
  std::printf("| %-62s | %7.2f |          |      |\n",
              "the same delrec as the first edit after loading", first / moving);
  SetData(1);
  gotorec();
  peak = std::max(peak, PeakOf([] { delrec(); }));  // record 1: every record moves
}

// KEY C 20, NOTE M, MORE M, with a memo text for every NOTE.
const std::vector<Field> kNotes = {{"KEY", 'C', 20, 0}, {"NOTE", 'M', 10, 0}, {"MORE", 'M', 10, 0}};

void WriteNotes(const std::string& table, int count) {
  WriteTable(
      table, kNotes, count,
      [](int i) {
        return Padded("key " + std::to_string(i), 20) + Padded(std::to_string(i), 10, true);
      },
      true);
  std::string memo(512, '\0');
  const uint32_t next = static_cast<uint32_t>(count) + 1;
  std::memcpy(memo.data(), &next, 4);
  std::ofstream out(table.substr(0, table.size() - 3) + "dbt", std::ios::binary);
  out << memo;
  for (int i = 1; i <= count; ++i) {
    std::string block =
        "the note of record " + std::to_string(i) + " with some words in it\x1A\x1A";
    block.resize(512, ' ');
    out << block;
  }
  out.close();
  SyncToDisk(table.substr(0, table.size() - 3) + "dbt");
}

void Imports(const Folder& dir, size_t& peak) {
  std::printf("\n4. importasmaster into 10^4 records with memo fields\n\n");
  // Each import makes two flushes per record, whose cost varies from turn to
  // turn: the sizes take turns, ten times each, and the middle turn of each
  // counts. The quickest would not do here: the longer import's cost varies
  // less in proportion, so its quickest turn lies nearer its usual cost than
  // the shorter one's, and that alone would make linear look worse than
  // linear. Each turn imports into a table of its own.
  std::vector<double> seconds[2];
  const int records[] = {1000, 4000};
  std::string text[2];
  for (int s = 0; s < 2; ++s) {
    text[s] = dir.File("import" + std::to_string(s) + ".txt");
    std::ofstream out(text[s], std::ios::binary);
    for (int i = 0; i < records[s]; ++i)
      out << "imported " << i << "#first memo " << i << "#second memo " << i << "##";
  }
  Turns turns(dir);
  for (int turn = 0; turn < 20; ++turn) {
    const int s = turn % 2;
    const std::string table = turns.File(turn, "import.dbf");
    WriteNotes(table, 10000);
    Load(table);
    turns.Loaded(turn);
    const double start = CpuSeconds();
    SetFile(text[s].c_str());
    importasmaster();
    seconds[s].push_back(CpuSeconds() - start);
    Check(Count() == 10000 + records[s], "importasmaster counts");
  }
  const double median[2] = {Median(seconds[0]), Median(seconds[1])};
  const double add = PerCall(40, [](int i) {
    Ask(addrec, "KEY=added " + std::to_string(i) + "|NOTE=first memo|MORE=second memo");
  });
  Report("importasmaster of 4,000 records / of 1,000", median[1] / median[0], 4.2, true);
  Report("importasmaster per record / one addrec", median[1] / records[1] / add, 2, true);
  SetFile(text[1].c_str());
  peak = std::max(peak, PeakOf([] { importasmaster(); }));
}

void Rebuild(const Folder& dir, size_t& peak) {
  std::printf("\n5. memopak of 10^5 records with memos\n\n");
  // Both sides end in writing a hundred megabytes whose cost varies, so they
  // take turns and the quickest turn of each counts: each turn's memopak
  // works on a table of its own, so that every one makes its backups anew,
  // and the turn then copies the files that memopak left, whose memo file
  // holds a block for each empty memo too. Each copy is made safe by one
  // flush, as memopak makes its own: without it the copy's writing would be
  // left to the system's writeback, whose CPU time no process pays.
  double library = 1e9;
  double copying = 1e9;
  Turns turns(dir);
  for (int turn = 0; turn < 5; ++turn) {
    const std::string table = turns.File(turn, "notes.dbf");
    WriteNotes(table, 100000);
    Load(table);
    turns.Loaded(turn);
    const std::string before = Ask(getdataotdo, "KEY|1|max#NOTE|1|max");
    double start = CpuSeconds();
    memopak();
    library = std::min(library, CpuSeconds() - start);
    Check(Ask(getdataotdo, "KEY|1|max#NOTE|1|max") == before, "memopak keeps every value");
    const std::string copy = turns.File(turn, "copy");
    start = CpuSeconds();
    CopyFileBytes(table, copy + ".dbf");
    CopyFileBytes(table.substr(0, table.size() - 3) + "dbt", copy + ".dbt");
    SyncToDisk(copy + ".dbf");
    SyncToDisk(copy + ".dbt");
    copying = std::min(copying, CpuSeconds() - start);
  }
  Report("memopak / copying the table and memo files", library / copying, 5, true);
  peak = std::max(peak, PeakOf([] { memopak(); }));
}

// The system's platform, except that message boxes are counted, not shown:
// memopak shows one, and the benchmark's output is its table.
class QuietPlatform final : public quillon::platform::Platform {
 public:
  std::unique_ptr<quillon::platform::File> Open(const std::string& path,
                                                quillon::platform::OpenMode mode) override {
    return os().Open(path, mode);
  }
  bool IsExistingFile(const std::string& path) override { return os().IsExistingFile(path); }
  quillon::platform::LocalDate Today() override { return os().Today(); }
  bool TempFolder(std::string* folder) override { return os().TempFolder(folder); }
  bool CopyFile(const std::string& from, const std::string& to) override {
    return os().CopyFile(from, to);
  }
  bool DeleteFile(const std::string& path) override { return os().DeleteFile(path); }
  bool NameIsTaken(const std::string& path) override { return os().NameIsTaken(path); }
  bool RenameFile(const std::string& from, const std::string& to) override {
    return os().RenameFile(from, to);
  }
  uint64_t RandomNumber() override { return os().RandomNumber(); }
  void ShowMessage(const std::string&) override { ++messages; }
  int messages = 0;

 private:
  static quillon::platform::Platform& os() { return quillon::platform::Native(); }
};

}  // namespace

// With arguments, only the targets they number are measured (for example
// `quillon_table_benchmark 3 5`).
int main(int argc, char** argv) {
  const auto wanted = [&](int section) {
    if (argc < 2) return true;
    for (int i = 1; i < argc; ++i)
      if (std::atoi(argv[i]) == section) return true;
    return false;
  };
  QuietPlatform quiet;
  quillon::platform::SetCurrent(&quiet);
  Folder dir;
  const std::string table = dir.File("people.dbf");
  WriteTable(table, kPeople, 1000000, Person);
  quillon::host::LibraryLoad();
  Load(table);
  Check(Count() == 1000000, "the generated table opens");

  std::printf("Ratios of CPU times measured in this run.\n");
  size_t peak = 0;
  if (wanted(1)) Searches(table, peak);
  if (wanted(2)) Reads(table, peak);
  if (wanted(3)) Edits(dir, peak);
  if (wanted(4)) Imports(dir, peak);
  if (wanted(5)) Rebuild(dir, peak);
  quillon::host::LibraryUnload();

  std::printf("\n6. Working memory\n\n");
  const double mib = static_cast<double>(peak) / (1 << 20);
  Report("largest working memory of one call, besides its answer (MiB)", mib, 4, true);
  std::printf("\n%s\n", allPassed ? "every target holds" : "some target does not hold");
  return allPassed ? 0 : 1;
}
