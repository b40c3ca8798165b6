#include "engine/errors.h"

#include <array>

namespace quillon::engine {

std::string_view ErrorMessage(EngineError code) {
  static constexpr std::array<std::string_view, 23> kMessages = {
      "",
      "Unknown Error #",
      "DBF File Not Exist",
      "DBF header error #",
      "Size of header error. Field #",
      "Buff of header error. Field #",
      "Field name error: bad field number #",
      "Field type error: bad field number #",
      "Field size error: bad field number #",
      "Field decimal error: bad field number #",
      "Field by number: bad field number #",
      "Field by name: field not found:",
      "Put field by number: bad number #",
      "Put field by name: field not found:",
      "Read memo data error. Field #",
      "Write memo data error. Field #",
      "Read record out of range. Rec #",
      "Write record out of range. Rec #",
      "Read record buffer error. Rec #",
      "Write record buffer error. Rec #",
      "Append blank record error. Rec #",
      "Decimal point out of good position. Field #",
      "Convert error:",
  };
  auto index = static_cast<size_t>(code);
  return index < kMessages.size() ? kMessages[index] : kMessages[1];
}

}  // namespace quillon::engine
