// Positioned reading and writing on a platform file, for every unit that
// works on files: a missing file or a failing call is a plain false.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace quillon::engine {

// Positions a file and reads or writes there; false when there is no file or
// a call fails. Reading reports how many bytes arrived.
bool ReadAt(platform::File* file, uint64_t offset, void* buffer, size_t n, size_t* got);
bool WriteAt(platform::File* file, uint64_t offset, const void* buffer, size_t n);
// Makes the file exactly `length` bytes long (cuts or grows it).
bool SetLength(platform::File* file, uint64_t length);

}  // namespace quillon::engine
