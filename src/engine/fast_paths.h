// The engine's shortcuts, which change how often it calls the system but
// never what it answers or writes: reading a file through a read-ahead
// window, and skipping the records a pack already knows are not marked
// deleted. Both are on; the tests turn them off to check that every answer
// and every byte written stays the same without them.
#pragma once

#include <cstddef>

namespace quillon::engine {

struct FastPaths {
  // The most a table or memo file reads ahead in one call (reads in order
  // grow towards it); 0 reads exactly what is asked for.
  size_t readWindowBytes = size_t{64} << 10;
  // Whether a pack trusts what the table knows of its leading live records.
  bool trustKnownLiveRecords = true;
};

// The switches in force for files opened and packs made from now on.
FastPaths& CurrentFastPaths();

}  // namespace quillon::engine
