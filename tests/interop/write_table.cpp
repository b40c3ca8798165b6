// Writes a table with memo texts through the engine, the way the library
// itself does: an empty table made byte by byte, records appended with
// AppendBlank, fields and memos stored, records marked, the table packed and
// closed. With --exports instead, as a host would: the table is created by
// make and filled by addrec (version 0x83 only; the last memo of each record
// is stored). Reads what to write from a JSON file:
//   {"version": 131, "records": [{"name": "...", "age": "42",
//    "memos": ["...", ...], "deleted": false}, ...]}
// Each record's memos are stored one after the other into the same field, so
// the last one is the one that stays. Exits non-zero when the engine records
// any error.
//
// Usage: write_table [--exports] REQUEST.json OUTPUT_FOLDER
#include <unistd.h>

#include <cstdio>
#include <string>

#include "engine/fields.h"
#include "engine/memo.h"
#include "engine/records.h"
#include "engine/table.h"
#include "helpers/json_lite.h"
#include "helpers/memo_bytes.h"
#include "helpers/scratch_dir.h"
#include "helpers/table_bytes.h"
#include "host/library.h"
#include "quillon.h"

using namespace quillon;

namespace {

int WriteThroughExports(const testing::Json& request, const std::string& folder) {
  host::LibraryLoad();
  if (::chdir(folder.c_str()) != 0) return 2;
  SetFile("NAME=C20|AGE=N5|NOTE=M");
  make();
  if (std::string(GetFile()) != "OK!") {
    std::fprintf(stderr, "make answered %s\n", GetFile());
    return 1;
  }
  std::rename("newbase.dbf", "interop.dbf");
  std::rename("newbase.dbt", "interop.dbt");
  SetFile("interop.dbf");
  loaddb();
  for (const testing::Json& record : request["records"].items) {
    std::string assignments = "NAME=" + record["name"].text + "|AGE=" + record["age"].text;
    if (!record["memos"].items.empty()) assignments += "|NOTE=" + record["memos"].items.back().text;
    SetFile(assignments.c_str());
    addrec();
  }
  host::LibraryUnload();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool exports = argc == 4 && std::string(argv[1]) == "--exports";
  if (argc != 3 && !exports) {
    std::fprintf(stderr, "usage: %s [--exports] REQUEST.json OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  argv += exports ? 1 : 0;
  const testing::Json request = testing::ParseJson(testing::ReadWholeFile(argv[1]));
  if (exports) return WriteThroughExports(request, argv[2]);
  const auto version = static_cast<uint8_t>(request["version"].number);
  const bool fixedBlocks = version == 0x83;

  testing::TableBytes empty;
  empty.version = version;
  empty.fields = {{"NAME", 'C', 20}, {"AGE", 'N', 5}, {"NOTE", 'M', version == 0x30 ? 4 : 10}};
  empty.afterRecords.push_back(static_cast<char>(engine::kEndOfFile));
  const std::string tablePath = std::string(argv[2]).append("/interop.dbf");
  const std::string memoPath = std::string(argv[2]).append("/interop.dbt");
  testing::WriteWholeFile(tablePath, empty.Build());
  testing::WriteWholeFile(
      memoPath, fixedBlocks ? std::string("\x01\0\0\0", 4) : testing::SizedMemoFile(64, {}));

  auto table = engine::NewDbfTable(tablePath, memoPath);
  engine::SetActive(*table, true);
  engine::TakeLastError(*table);  // an empty table opens with no current record
  for (const testing::Json& record : request["records"].items) {
    engine::AppendBlank(*table);
    engine::PutFieldByNumber(*table, 1, record["name"].text);
    engine::PutFieldByNumber(*table, 2, record["age"].text);
    for (const testing::Json& memo : record["memos"].items)
      engine::SetMemoText(*table, 3, memo.text);
    engine::MarkDeleted(*table, record["deleted"].boolean);
    engine::PostRecord(*table);
  }
  engine::Pack(*table);
  engine::SetActive(*table, false);
  if (table->lastErrorCode != 0) {
    std::fprintf(stderr, "engine error: %s\n", table->lastErrorText.c_str());
    return 1;
  }
  return 0;
}
