// Writes a table with memo texts through the engine, the way the library
// itself does: an empty table made byte by byte, records appended with
// AppendBlank, fields and memos stored, records marked, the table packed and
// closed. Reads what to write from a JSON file:
//   {"version": 131, "records": [{"name": "...", "age": "42",
//    "memos": ["...", ...], "deleted": false}, ...]}
// Each record's memos are stored one after the other into the same field, so
// the last one is the one that stays. Exits non-zero when the engine records
// any error.
//
// Usage: write_table REQUEST.json OUTPUT_FOLDER
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

using namespace quillon;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s REQUEST.json OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const testing::Json request = testing::ParseJson(testing::ReadWholeFile(argv[1]));
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

  auto table = engine::NewDbfTable(tablePath, memoPath, true);
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
