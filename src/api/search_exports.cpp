// The search exports: finddata scans one field of every record for a
// pattern; getdataotdo reads one field over ranges of records. Both move the
// cursor (posting a modified record first) and answer in the text slot.
#include <string>
#include <string_view>

#include "api/field_values.h"
#include "engine/cursor.h"
#include "engine/fields.h"
#include "host/exports.h"
#include "host/library.h"
#include "platform/platform.h"
#include "support/text.h"
#include "support/wildcard.h"

using quillon::engine::DbfTable;
using quillon::host::Slots;

namespace {

namespace engine = quillon::engine;
namespace support = quillon::support;

// NAME=PATTERN: record numbers whose value contains the pattern, without
// regard to case. Empty values never match.
void FindData(DbfTable& t, Slots& slots) {
  auto& os = quillon::platform::Current();
  const std::string_view request = slots.file;
  const size_t equals = request.find('=');
  const int32_t field = engine::FieldIndex(t, support::UpperAscii(support::Trim(request.substr(0, equals))));
  std::string mask = "*";
  if (equals != std::string_view::npos) mask += request.substr(equals + 1);
  mask += "*";
  os.LowerCase(mask);

  std::string result;
  const uint32_t count = t.header.recordCount;
  for (uint32_t record = 1; record <= count; ++record) {
    engine::GoToRecord(t, record);
    std::string value = quillon::api::ExportedValue(t, field);
    if (value.empty()) continue;
    os.LowerCase(value);
    if (support::WildcardMatch(value, mask)) result += support::Decimal(record) + "|";
  }
  slots.file = std::move(result);
}

// NAME|FROM|TO#...: each request's values, each followed by "|", and the
// request closed by "#". TO may be "max", the record count.
void GetDataFromTo(DbfTable& t, Slots& slots) {
  std::string result;
  std::string_view requests = slots.file;
  while (!requests.empty()) {
    std::string_view request = support::TakeItem(requests, '#');
    const std::string_view name = support::TakeItem(request, '|');
    const std::string_view from = support::TakeItem(request, '|');
    const std::string_view to = support::TakeItem(request, '|');
    const int32_t field = engine::FieldIndex(t, name);
    const int64_t first = support::ReadWholeNumber(from);
    const int64_t last =
        to == "max" ? int64_t{t.header.recordCount} : int64_t{support::ReadWholeNumber(to)};
    for (int64_t record = first; record <= last; ++record) {
      engine::GoToRecord(t, static_cast<uint32_t>(record));
      result += quillon::api::ExportedValue(t, field);
      result += '|';
    }
    result += '#';
  }
  slots.file = std::move(result);
}

}  // namespace

void finddata() { quillon::host::WithLoadedTable(FindData); }

void getdataotdo() { quillon::host::WithLoadedTable(GetDataFromTo); }
