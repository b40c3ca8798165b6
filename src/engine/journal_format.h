// What every journal shares, the change journal and those earlier builds
// left: how numbers are stored, the checksum that tells a whole journal from
// one cut short or half written, the copying of bytes between a file and its
// journal, and what putting a journal back came to.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/format.h"
#include "platform/platform.h"

namespace quillon::engine {

// A stretch of a file.
struct ByteRange {
  uint64_t from = 0;
  uint64_t length = 0;
};

enum class Recovery {
  kNothingToDo,
  kUndone,     // an interrupted change was undone
  kKeptAside,  // a journal that does not belong to these files was moved aside, unapplied
  kFailed,     // a journal could not be put back: the files must not be written
};

// FNV-1a over 8-byte words, in `Lanes` interleaved lanes: enough to tell a
// whole journal from one cut short or half written. A rollback journal of a
// few ranges sums one lane, as journals already on disks do; a pack's
// journal sums four, so that a whole table is summed at memory speed. The
// words are counted from where the sum began, however the bytes arrive.
template <size_t Lanes>
class FnvWordSum {
 public:
  void Add(const uint8_t* bytes, size_t n) {
    // No bytes may come as no pointer at all.
    if (n == 0) return;
    if (pendingBytes_ != 0) {
      const size_t taken = std::min(n, kBlock - pendingBytes_);
      std::memcpy(pending_.data() + pendingBytes_, bytes, taken);
      pendingBytes_ += taken;
      bytes += taken;
      n -= taken;
      if (pendingBytes_ < kBlock) return;
      MixBlock(lanes_, pending_.data());
      pendingBytes_ = 0;
    }
    // The lanes are worked on in locals: the bytes could otherwise be taken
    // to overlap them, and every step would go through memory.
    std::array<uint64_t, Lanes> lanes = lanes_;
    for (; n >= kBlock; bytes += kBlock, n -= kBlock) MixBlock(lanes, bytes);
    lanes_ = lanes;
    std::memcpy(pending_.data(), bytes, n);
    pendingBytes_ = n;
  }

  uint32_t value() const {
    uint64_t v = lanes_[0];
    for (size_t lane = 1; lane < Lanes; ++lane) v = (v ^ lanes_[lane]) * kPrime;
    for (size_t i = 0; i < pendingBytes_; ++i) v = (v ^ pending_[i]) * kPrime;
    return static_cast<uint32_t>(v ^ v >> 32);
  }

 private:
  static constexpr uint64_t kPrime = 1099511628211ull;
  static constexpr size_t kBlock = 8 * Lanes;

  // Spelled out lane by lane, so that the lanes' multiplications overlap.
  static void MixBlock(std::array<uint64_t, Lanes>& lanes, const uint8_t* block) {
    MixLanes(lanes, block, std::make_index_sequence<Lanes>());
  }
  template <size_t... Lane>
  static void MixLanes(std::array<uint64_t, Lanes>& lanes, const uint8_t* block,
                       std::index_sequence<Lane...>) {
    ((lanes[Lane] = (lanes[Lane] ^ Word(block + 8 * Lane)) * kPrime), ...);
  }
  static uint64_t Word(const uint8_t* bytes) {
    uint64_t word = 0;
    std::memcpy(&word, bytes, 8);
    return word;
  }

  std::array<uint64_t, Lanes> lanes_ = StartingLanes();
  std::array<uint8_t, kBlock> pending_{};
  size_t pendingBytes_ = 0;

  static constexpr std::array<uint64_t, Lanes> StartingLanes() {
    std::array<uint64_t, Lanes> lanes{};
    for (size_t lane = 0; lane < Lanes; ++lane) lanes[lane] = 14695981039346656037ull + lane;
    return lanes;
  }
};

using RangeJournalSum = FnvWordSum<1>;
using ShiftJournalSum = FnvWordSum<4>;

// How much of a file passes through memory at a time while it is copied.
inline constexpr size_t kJournalChunk = 64 * 1024;

void StoreU64(uint8_t* p, uint64_t v);
uint64_t LoadU64(const uint8_t* p);

// Reads exactly n bytes at `from`'s position and adds them to the sum.
template <typename Sum>
bool ReadSummed(platform::File& from, uint8_t* bytes, size_t n, Sum& sum) {
  size_t got = 0;
  if (!from.Read(bytes, n, &got) || got != n) return false;
  sum.Add(bytes, n);
  return true;
}

// Copies `count` bytes from one file to another (or only reads them when `to`
// is null), both already positioned, adding them to the sum. False when a
// call fails or the source ends early.
template <typename Sum>
bool CopySummed(platform::File& from, platform::File* to, uint64_t count, Sum& sum) {
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(count, kJournalChunk)));
  while (count > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, chunk.size()));
    if (!ReadSummed(from, chunk.data(), n, sum)) return false;
    if (to != nullptr && !to->Write(chunk.data(), n)) return false;
    count -= n;
  }
  return true;
}

// Whether the next 4 bytes of the journal hold the sum.
template <typename Sum>
bool SumFollows(platform::File& journal, const Sum& sum) {
  std::array<uint8_t, 4> stored{};
  size_t got = 0;
  return journal.Read(stored.data(), stored.size(), &got) && got == stored.size() &&
         LoadU32(stored.data()) == sum.value();
}

}  // namespace quillon::engine
