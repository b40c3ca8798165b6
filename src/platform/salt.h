// Turns numbers that differ only a little from call to call (clocks, the
// process id) into 64 bits that differ all over, for the platform layers'
// RandomNumber where the system gives no random bytes of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>

namespace quillon::platform {

// splitmix64's step: a one-to-one mix in which every input bit changes
// about half of the output bits.
constexpr uint64_t Mix64(uint64_t x) {
  x += 0x9E3779B97F4A7C15u;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
  return x ^ (x >> 31);
}

// Mixes the sources with a count of the calls, so that two calls within one
// tick of every clock still differ.
inline uint64_t MixedSalt(std::initializer_list<uint64_t> sources) {
  static std::atomic<uint64_t> calls{0};
  uint64_t salt = Mix64(calls.fetch_add(1, std::memory_order_relaxed));
  for (const uint64_t source : sources) salt = Mix64(salt ^ source);
  return salt;
}

}  // namespace quillon::platform
