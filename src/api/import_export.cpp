// importasmaster: appends records from a plain text file. Records are
// separated by "##" (or "|"), pieces inside a record by "#": the first piece
// goes into field 1, the second and the rest become the memo texts of fields
// 2 and 3 (or their values, when they are not memo fields). Each record is
// written and the table packed before the next one.
#include <string>
#include <string_view>

#include "api/field_values.h"
#include "engine/cursor.h"
#include "engine/fields.h"
#include "engine/memo.h"
#include "engine/records.h"
#include "host/library.h"
#include "host/messages.h"
#include "platform/platform.h"
#include "quillon.h"
#include "support/text.h"

namespace {

namespace engine = quillon::engine;
namespace host = quillon::host;
namespace support = quillon::support;

std::string ReadText(const std::string& path) {
  std::string text;
  auto file = quillon::platform::Current().Open(path, quillon::platform::OpenMode::kReadOnlyShareRead);
  if (file == nullptr || !file->Seek(0)) return text;
  std::string chunk(size_t{1} << 16, '\0');
  size_t got = 0;
  while (file->Read(chunk.data(), chunk.size(), &got) && got > 0) text.append(chunk, 0, got);
  return text;
}

// Every "##" becomes "|", leftmost first: a replaced pair can never join a
// following "#", so one pass from the left does it.
std::string SeparateRecords(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '#' && i + 1 < text.size() && text[i + 1] == '#') {
      out += '|';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Pieces 2 and 3 are memo texts; a field 2 or 3 that is not a memo field
// takes its piece as an ordinary value, since a block number there would
// replace the value and point nowhere.
void PutPiece(engine::DbfTable& t, int32_t field, std::string_view piece) {
  if (quillon::api::IsMemoField(t, field)) {
    engine::SetMemoText(t, field, piece);
  } else {
    engine::PutFieldByNumber(t, field, quillon::api::FieldValueCut(piece));
  }
}

void ImportRecord(engine::DbfTable& t, std::string_view record) {
  const std::string key = support::Trim(support::TakeItem(record, '#'));
  const std::string second = support::Trim(support::TakeItem(record, '#'));
  const std::string rest = support::Trim(record);
  engine::PutFieldByNumber(t, 1, quillon::api::FieldValueCut(key));
  PutPiece(t, 2, second);
  PutPiece(t, 3, rest);
}

void Import(engine::DbfTable& t, host::Slots& slots) {
  auto& os = quillon::platform::Current();
  if (!os.IsExistingFile(slots.file)) {
    os.ShowMessage(host::MissingFileMessage(host::kImportMissingBefore, slots.file));
    return;
  }
  const std::string text = SeparateRecords(ReadText(slots.file));
  std::string_view records = text;
  while (!records.empty()) {
    const bool appended = engine::BeginAppend(t);
    const std::string_view record = support::TakeItem(records, '|');
    // Without a new record the pieces would land on the last existing one.
    if (!appended) continue;
    engine::GoLast(t);
    ImportRecord(t, record);
    engine::EndAppend(t);
    engine::GoNext(t);
    engine::Pack(t);
    // Each record is a change of its own: a crash takes back at most the
    // record being imported.
    engine::EndChange(t);
  }
  os.ShowMessage(std::string(host::kImportDone));
}

}  // namespace

void importasmaster() { host::WithLoadedTable(Import); }
