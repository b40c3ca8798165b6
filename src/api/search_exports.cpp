// The search exports: finddata scans one field of every record for a
// pattern; getdataotdo reads one field over ranges of records. Both move the
// cursor (posting a modified record first) and answer in the text slot.
// Record numbers outside the table cost no file access, however many a
// range names.
#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "api/field_values.h"
#include "engine/cursor.h"
#include "engine/fields.h"
#include "host/library.h"
#include "quillon.h"
#include "support/case_folding.h"
#include "support/field_names.h"
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
  const std::string_view request = slots.file;
  const size_t equals = request.find('=');
  const int32_t field =
      engine::FieldIndex(t, support::SearchedFieldName(request.substr(0, equals)));
  std::string mask = "*";
  if (equals != std::string_view::npos) mask += request.substr(equals + 1);
  mask += "*";
  support::LowerCp1251(mask);

  std::string result;
  const uint32_t count = t.header.recordCount;
  for (uint32_t record = 1; record <= count; ++record) {
    engine::GoToRecord(t, record);
    std::string value = quillon::api::ExportedValue(t, field);
    if (value.empty()) continue;
    support::LowerCp1251(value);
    if (support::WildcardMatch(value, mask)) result += support::Decimal(record) + "|";
  }
  slots.file = std::move(result);
}

// The largest answer getdataotdo builds. A request list that asks for more
// record values than this is refused before any record is read, and one
// whose values outgrow it is given up; FileSlot keeps the request then.
constexpr uint64_t kMaxAnswerBytes = uint64_t{128} << 20;

struct RangeRequest {
  int32_t field = 0;
  int64_t first = 0;
  int64_t last = 0;
  uint64_t Count() const { return last < first ? 0 : static_cast<uint64_t>(last - first + 1); }
};

// NAME|FROM|TO: TO may be "max", the record count.
RangeRequest ParseRange(DbfTable& t, std::string_view request) {
  const std::string_view name = support::TakeItem(request, '|');
  const std::string_view from = support::TakeItem(request, '|');
  const std::string_view to = support::TakeItem(request, '|');
  RangeRequest range;
  range.field = engine::FieldIndex(t, name);
  range.first = support::ReadWholeNumber(from);
  range.last = to == "max" ? int64_t{t.header.recordCount} : int64_t{support::ReadWholeNumber(to)};
  return range;
}

// Visits the record numbers a to b (a <= b), none of which is in the table.
// Each would leave a blank value behind, so only the moves that decide what
// the calls leave (the first, which writes a pending change, and the last
// two, which set the cursor and the last error) are made; the others cost
// nothing.
void AppendOutside(DbfTable& t, int32_t field, int64_t a, int64_t b, std::string& result) {
  const int64_t moves[] = {a, std::max(a, b - 1), b};
  for (size_t i = 0; i < std::size(moves); ++i) {
    if (i > 0 && moves[i] == moves[i - 1]) continue;
    engine::GoToRecord(t, static_cast<uint32_t>(moves[i]));
    quillon::api::ExportedValue(t, field);
  }
  result.append(static_cast<size_t>(b - a + 1), '|');
}

// One request's values, each followed by "|"; false when the answer would
// outgrow its limit.
bool AppendRange(DbfTable& t, const RangeRequest& r, std::string& result) {
  const int64_t count = t.header.recordCount;
  const int64_t below = std::min<int64_t>(r.last, 0);
  if (r.first <= below) AppendOutside(t, r.field, r.first, below, result);
  for (int64_t n = std::max<int64_t>(r.first, 1); n <= std::min(r.last, count); ++n) {
    engine::GoToRecord(t, static_cast<uint32_t>(n));
    result += quillon::api::ExportedValue(t, r.field);
    result += '|';
    if (result.size() > kMaxAnswerBytes) return false;
  }
  const int64_t above = std::max<int64_t>(r.first, count + 1);
  if (above <= r.last) AppendOutside(t, r.field, above, r.last, result);
  result += '#';
  return true;
}

// NAME|FROM|TO#...: each request's values, each followed by "|", and the
// request closed by "#".
void GetDataFromTo(DbfTable& t, Slots& slots) {
  // The answer is built in the buffer the slot already has, which a host that
  // reads whole fields again and again has grown to an answer's size: a fresh
  // one would cost a page fault for every page of it. The slot is given a
  // copy of the request to keep until the answer is complete; the copy is
  // made before the swap, so running out of memory leaves the slot as it was.
  std::string result = slots.file;
  result.swap(slots.file);
  std::vector<RangeRequest> ranges;
  uint64_t separators = 0;
  std::string_view requests = slots.file;
  while (!requests.empty()) {
    ranges.push_back(ParseRange(t, support::TakeItem(requests, '#')));
    separators += ranges.back().Count() + 1;
  }
  if (separators > kMaxAnswerBytes) return;
  result.clear();
  for (const RangeRequest& range : ranges) {
    if (!AppendRange(t, range, result)) return;
  }
  slots.file = std::move(result);
}

}  // namespace

void finddata() { quillon::host::WithLoadedTable(FindData); }

void getdataotdo() { quillon::host::WithLoadedTable(GetDataFromTo); }
