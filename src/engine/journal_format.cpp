#include "engine/journal_format.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/format.h"

namespace quillon::engine {

namespace {

constexpr uint64_t kPrime = 1099511628211ull;
constexpr size_t kChunk = 64 * 1024;

}  // namespace

void JournalChecksum::MixBlock(const uint8_t* block) {
  for (size_t lane = 0; lane < lanes_.size(); ++lane) {
    uint64_t word = 0;
    std::memcpy(&word, block + 8 * lane, 8);
    lanes_[lane] = (lanes_[lane] ^ word) * kPrime;
  }
}

void JournalChecksum::Add(const uint8_t* bytes, size_t n) {
  if (pendingBytes_ != 0) {
    const size_t taken = std::min(n, kBlock - pendingBytes_);
    std::memcpy(pending_.data() + pendingBytes_, bytes, taken);
    pendingBytes_ += taken;
    bytes += taken;
    n -= taken;
    if (pendingBytes_ < kBlock) return;
    MixBlock(pending_.data());
    pendingBytes_ = 0;
  }
  for (; n >= kBlock; bytes += kBlock, n -= kBlock) MixBlock(bytes);
  std::memcpy(pending_.data(), bytes, n);
  pendingBytes_ = n;
}

uint32_t JournalChecksum::value() const {
  uint64_t v = lanes_[0];
  for (size_t lane = 1; lane < lanes_.size(); ++lane) v = (v ^ lanes_[lane]) * kPrime;
  for (size_t i = 0; i < pendingBytes_; ++i) v = (v ^ pending_[i]) * kPrime;
  v = (v ^ pendingBytes_) * kPrime;
  return static_cast<uint32_t>(v ^ v >> 32);
}

void StoreU64(uint8_t* p, uint64_t v) {
  StoreU32(p, static_cast<uint32_t>(v));
  StoreU32(p + 4, static_cast<uint32_t>(v >> 32));
}

uint64_t LoadU64(const uint8_t* p) { return LoadU32(p) | uint64_t{LoadU32(p + 4)} << 32; }

bool ReadSummed(platform::File& from, uint8_t* bytes, size_t n, JournalChecksum& sum) {
  size_t got = 0;
  if (!from.Read(bytes, n, &got) || got != n) return false;
  sum.Add(bytes, n);
  return true;
}

bool CopySummed(platform::File& from, platform::File* to, uint64_t count, JournalChecksum& sum) {
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(count, kChunk)));
  while (count > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, chunk.size()));
    if (!ReadSummed(from, chunk.data(), n, sum)) return false;
    if (to != nullptr && !to->Write(chunk.data(), n)) return false;
    count -= n;
  }
  return true;
}

bool SumFollows(platform::File& journal, const JournalChecksum& sum) {
  std::array<uint8_t, 4> stored{};
  size_t got = 0;
  return journal.Read(stored.data(), stored.size(), &got) && got == stored.size() &&
         LoadU32(stored.data()) == sum.value();
}

bool RemoveJournal(const std::string& journalPath) {
  auto& os = platform::Current();
  if (os.DeleteFile(journalPath)) return true;
  return os.Open(journalPath, platform::OpenMode::kCreateExclusive) != nullptr;
}

}  // namespace quillon::engine
