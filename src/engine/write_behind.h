// A file whose writes are gathered in memory and written out in large
// pieces, for files no one reads until the library has closed them (the copy
// a rebuild makes in the temporary folder): thousands of small writes, cuts
// and header rewrites then cost a few calls. Reads see every write at once.
// What is gathered is written out when it passes 256 KiB, when the file is
// flushed and when it is closed; the first write-out that fails makes every
// later call fail and is reported through `failed`, so a copy that did not
// reach its file is never taken for a whole one. Memory held: under a
// megabyte, whatever the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace quillon::engine {

class WriteBehindFile final : public platform::File {
 public:
  // `failed` is set when a write-out fails, even the one at closing.
  WriteBehindFile(std::unique_ptr<platform::File> file, bool* failed);
  ~WriteBehindFile() override;
  WriteBehindFile(const WriteBehindFile&) = delete;
  WriteBehindFile& operator=(const WriteBehindFile&) = delete;

  bool Seek(uint64_t offset) override;
  bool Read(void* buffer, size_t n, size_t* got) override;
  bool ReadAt(uint64_t offset, void* buffer, size_t n, size_t* got) override;
  bool Write(const void* buffer, size_t n) override;
  bool Size(uint64_t* size) override;
  bool SetEnd() override;
  bool Flush() override;

 private:
  // Reads the first block on the first call; false once a write-out failed.
  bool Start() { return (started_ && !*failed_) || FirstStart(); }
  bool FirstStart();
  bool WriteOut();
  // Puts bytes into the gathered ones, joining the stretches they touch.
  void Gather(uint64_t at, const uint8_t* bytes, size_t n);

  std::unique_ptr<platform::File> file_;
  bool* failed_;
  bool started_ = false;
  uint64_t position_ = 0;
  uint64_t size_ = 0;      // the length the file has with what is gathered
  uint64_t fileSize_ = 0;  // the length the file itself has
  uint64_t readable_ = 0;  // how far the file's own bytes still count
  std::map<uint64_t, std::vector<uint8_t>> gathered_;  // stretches by offset
  size_t gatheredBytes_ = 0;
};

}  // namespace quillon::engine
