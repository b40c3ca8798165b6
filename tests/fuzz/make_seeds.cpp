// Writes the seed corpus of every fuzz target into the folder named on the
// command line (one subfolder per target, replaced on every run): the
// fixture tables and the small table in each target's input format, with
// requests that name their real fields.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "helpers/scratch_dir.h"
#include "small_table.h"
#include "table_files.h"

namespace {

namespace fs = std::filesystem;
using namespace quillon::fuzz;
using quillon::testing::FixturePath;
using quillon::testing::ReadWholeFile;
using quillon::testing::WriteWholeFile;

struct Fixture {
  std::string name;
  std::string table;
  std::string memo;
};

std::vector<Fixture> Fixtures() {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"db3_memo", "db3_memo.dbt"},   {"db3_plain", ""},
      {"db3_empty", "db3_empty.dbt"}, {"xbase_memo", "xbase_memo.dbt"},
      {"vfp_memo", "vfp_memo.fpt"},   {"fox_memo", "fox_memo.fpt"}};
  std::vector<Fixture> fixtures;
  for (const auto& [name, memo] : pairs) {
    fixtures.push_back({name, ReadWholeFile(FixturePath(name + ".dbf")),
                        memo.empty() ? "" : ReadWholeFile(FixturePath(memo))});
  }
  const std::vector<std::pair<std::string, MemoLayout>> layouts = {
      {"small_fixed", MemoLayout::kFixed},
      {"small_sized_text", MemoLayout::kSizedText},
      {"small_sized_binary", MemoLayout::kSizedBinary}};
  for (const auto& [name, layout] : layouts) {
    const SmallTable small = BuildSmallTable(layout, true);
    fixtures.push_back({name, small.table, small.memo});
  }
  return fixtures;
}

// The field names in the descriptors, read the plain way a seed needs.
std::vector<std::string> FieldNames(const std::string& table) {
  std::vector<std::string> names;
  for (size_t at = 32; at + 32 <= table.size() && table[at] != '\x0D'; at += 32) {
    const std::string name = table.substr(at, 11);
    names.push_back(name.substr(0, name.find('\0')));
  }
  return names;
}

std::string Joined(const std::vector<std::string>& items, const std::string& suffix) {
  std::string out;
  for (const std::string& item : items) out += item + suffix;
  return out;
}

class SeedWriter {
 public:
  explicit SeedWriter(fs::path root) : root_(std::move(root)) {}

  void Put(const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(root_ / target);
    WriteWholeFile((root_ / target / name).string(), bytes);
  }

 private:
  fs::path root_;
};

void OpenReadSeeds(SeedWriter& out, const Fixture& f) {
  const std::vector<std::string> names = FieldNames(f.table);
  const std::string request = Joined(names, "|") + "1|2|3|";
  out.Put("open_read", f.name, TableFilesInput(f.table, f.memo, 0) + request);
  out.Put("open_read", f.name + "-no_memo", TableFilesInput(f.table, f.memo, kNoMemoFile) + request);
  for (uint8_t version = 1; version <= 7; ++version) {
    out.Put("open_read", f.name + "-version" + std::to_string(version),
            TableFilesInput(f.table, f.memo, version) + request);
  }
}

void WriteExportsSeeds(SeedWriter& out, const Fixture& f) {
  const std::vector<std::string> names = FieldNames(f.table);
  std::vector<std::string> values;
  for (size_t i = 0; i < names.size(); ++i) {
    values.push_back(names[i] + "=value " + std::to_string(i) + " \xE7\xE0\xEC\xE5\xF2\xEA\xE0");
  }
  const std::string all = Joined(values, "|");
  const std::string first = values.empty() ? "" : values.front();
  const std::string edit = std::string("\x00\x01", 2) + first + "|" + values.back();
  const std::string add = std::string("\x01\x00", 2) + all;
  const std::string del = std::string("\x02\x02", 2);
  const std::string table = TableFilesInput(f.table, f.memo, 0);
  out.Put("write_exports", f.name + "-edit", table + edit);
  out.Put("write_exports", f.name + "-add", table + add);
  out.Put("write_exports", f.name + "-delete", table + del);
  out.Put("write_exports", f.name + "-all", table + edit + '\0' + add + '\0' + del);
}

void ImportTextSeeds(SeedWriter& out) {
  const std::vector<std::string> texts = {
      ReadWholeFile(std::string(QUILLON_EXAMPLES_DIR) + "/import.txt"),
      "key one#first memo#second memo##key two#only one memo##",
      "no separators at all",
      "##|#|##\r\n#",
  };
  for (size_t t = 0; t < texts.size(); ++t) {
    for (uint8_t options = 0; options < 6; ++options) {
      const uint8_t byte = static_cast<uint8_t>((options % 3) | (options / 3) << 2);
      out.Put("import_text", "text" + std::to_string(t) + "-options" + std::to_string(byte),
              std::string(1, static_cast<char>(byte)) + texts[t]);
    }
  }
}

void SlotRequestSeeds(SeedWriter& out) {
  const std::vector<std::string> requests = {
      "KEY|NOTE|MORE|PRICE|BORN|OK|",
      "NOTE|1|2|3|0|-1|4|",
      "KEY=an",
      "NOTE=*not?*",
      "KEY|1|max#NOTE|2|2#MORE|0|4#",
      "KEY=Dee|NOTE=a new memo|PRICE=1.50|OK=T",
      "KEY=\xC2\xE5\xF0\xE0|MORE=\xE7\xE0\xEC\xE5\xF2\xEA\xE0",
      "NAME=C20|PRICE=N10,2|NOTES=M|BORN=D|FLAG=L",
      "C5|N3,1|M",
  };
  for (size_t i = 0; i < requests.size(); ++i) {
    out.Put("slot_requests", "request" + std::to_string(i), requests[i]);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  fs::remove_all(argv[1]);
  SeedWriter out{fs::path(argv[1])};
  for (const Fixture& f : Fixtures()) {
    OpenReadSeeds(out, f);
    WriteExportsSeeds(out, f);
  }
  ImportTextSeeds(out);
  SlotRequestSeeds(out);
  return 0;
}
