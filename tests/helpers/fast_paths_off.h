// Turns the engine's shortcuts off for a scope: every read then reaches the
// platform as the engine asks for it, and a pack reads every record. For the
// tests that fail one particular read, and for comparing answers and files
// with and without the shortcuts.
#pragma once

#include "engine/fast_paths.h"

namespace quillon::testing {

class FastPathsOff {
 public:
  FastPathsOff() : saved_(engine::CurrentFastPaths()) {
    engine::CurrentFastPaths() = engine::FastPaths{0, false};
  }
  ~FastPathsOff() { engine::CurrentFastPaths() = saved_; }
  FastPathsOff(const FastPathsOff&) = delete;
  FastPathsOff& operator=(const FastPathsOff&) = delete;

 private:
  engine::FastPaths saved_;
};

}  // namespace quillon::testing
