#include "support/field_names.h"

#include <algorithm>

#include "support/text.h"

namespace quillon::support {

std::string NewFieldName(std::string_view text) {
  return SearchedFieldName(text).substr(0, kMaxFieldNameLength);
}

bool IsFindableName(std::string_view name) {
  return !name.empty() && std::none_of(name.begin(), name.end(), IsBlankByte);
}

std::string ListedFieldName(const std::array<uint8_t, 11>& stored) {
  const auto* end = std::find(stored.begin(), stored.begin() + kMaxFieldNameLength, uint8_t{0});
  return std::string(stored.begin(), end);
}

std::string LookupFieldName(std::string_view asked) {
  if (!asked.empty() && static_cast<unsigned char>(asked[0]) >= 0x61) return UpperAscii(asked);
  return std::string(asked);
}

std::string SearchedFieldName(std::string_view asked) { return UpperAscii(Trim(asked)); }

}  // namespace quillon::support
