// A table or memo file read through a read-ahead window: a read the window
// holds is served from memory, and one it does not hold fills the window with
// one call from the position asked for, further ahead the longer reads go on
// in order. The file's length is kept too, once it was asked for. Every
// write, cut and failure goes through to the file and keeps the window and
// the length exact, so what a read returns is always what the file holds.
// Only the library writes a file it holds open (others may only read it), so
// nothing else can change the bytes under the window. The window is the only
// memory held: a fixed size, whatever the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace quillon::engine {

class WindowedFile final : public platform::File {
 public:
  WindowedFile(std::unique_ptr<platform::File> file, size_t windowBytes);

  bool Seek(uint64_t offset) override;
  bool Read(void* buffer, size_t n, size_t* got) override;
  bool ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override;
  bool Write(const void* buffer, size_t n) override;
  bool Size(uint64_t* size) override;
  bool SetEnd() override;
  bool Flush() override;

 private:
  // Moves the file's own position to position_ when it is elsewhere.
  bool PlaceFile();
  bool Fill(size_t n);
  void Forget() {
    held_ = 0;
    reachesEnd_ = false;
  }

  std::unique_ptr<platform::File> file_;
  std::vector<uint8_t> window_;
  uint64_t position_ = 0;
  uint64_t filePosition_ = 0;
  bool filePositionKnown_ = false;
  uint64_t start_ = 0;       // the file offset of window_[0]
  size_t held_ = 0;          // how many bytes of window_ hold the file's bytes
  bool reachesEnd_ = false;  // the file ends where the held bytes end
  size_t fill_ = 0;          // how much the last fill asked for
  uint64_t lastFillEnd_ = UINT64_MAX;
  uint64_t size_ = 0;  // the file's length, when sizeKnown_
  bool sizeKnown_ = false;
};

// A file to read through a window of the current size (the file itself when
// the window is off).
std::unique_ptr<platform::File> ReadThroughWindow(std::unique_ptr<platform::File> file);

}  // namespace quillon::engine
