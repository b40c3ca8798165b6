// What the two kinds of rollback journal share: how numbers are stored, the
// checksum that tells a whole journal from one cut short or half written, the
// copying of bytes between a file and its journal, and how a journal is
// removed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace quillon::engine {

// FNV-1a over 8-byte words in four interleaved lanes, so that journals of a
// whole table are summed at memory speed. The words are counted from where
// the sum began, however the bytes arrive.
class JournalChecksum {
 public:
  void Add(const uint8_t* bytes, size_t n);
  uint32_t value() const;

 private:
  static constexpr size_t kBlock = 32;
  void MixBlock(const uint8_t* block);

  std::array<uint64_t, 4> lanes_ = {14695981039346656037ull, 1099511628211ull,
                                    0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full};
  std::array<uint8_t, kBlock> pending_{};
  size_t pendingBytes_ = 0;
};

void StoreU64(uint8_t* p, uint64_t v);
uint64_t LoadU64(const uint8_t* p);

// Reads exactly n bytes at `from`'s position and adds them to the sum.
bool ReadSummed(platform::File& from, uint8_t* bytes, size_t n, JournalChecksum& sum);

// Copies `count` bytes from one file to another (or only reads them when `to`
// is null), both already positioned, adding them to the sum. False when a
// call fails or the source ends early.
bool CopySummed(platform::File& from, platform::File* to, uint64_t count, JournalChecksum& sum);

// Whether the next 4 bytes of the journal hold the sum.
bool SumFollows(platform::File& journal, const JournalChecksum& sum);

// Deletes the journal or, failing that, empties it, which makes it count as
// never written. False when neither worked.
bool RemoveJournal(const std::string& journalPath);

}  // namespace quillon::engine
