// The engine's numbered errors and their fixed English messages. A recorded
// error's text is its message, one blank and a detail.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillon::engine {

enum class EngineError : uint8_t {
  kNone = 0,
  kUnknown = 1,
  kFileNotExist = 2,
  kHeader = 3,
  kHeaderSize = 4,
  kHeaderBuffer = 5,
  kFieldName = 6,
  kFieldType = 7,
  kFieldSize = 8,
  kFieldDecimal = 9,
  kFieldByNumber = 10,
  kFieldByName = 11,
  kPutByNumber = 12,
  kPutByName = 13,
  kReadMemo = 14,
  kWriteMemo = 15,
  kReadOutOfRange = 16,
  kWriteOutOfRange = 17,
  kReadRecord = 18,
  kWriteRecord = 19,
  kAppendBlank = 20,
  kDecimalPoint = 21,
  kConvert = 22,
};

std::string_view ErrorMessage(EngineError code);

}  // namespace quillon::engine
