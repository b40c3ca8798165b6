#include "engine/file_io.h"

namespace quillon::engine {

bool ReadAt(platform::File* file, uint64_t offset, void* buffer, size_t n, size_t* got) {
  *got = 0;
  return file != nullptr && file->ReadAt(offset, buffer, n, got);
}

bool WriteAt(platform::File* file, uint64_t offset, const void* buffer, size_t n) {
  return file != nullptr && file->Seek(offset) && file->Write(buffer, n);
}

bool SetLength(platform::File* file, uint64_t length) {
  return file != nullptr && file->Seek(length) && file->SetEnd();
}

}  // namespace quillon::engine
