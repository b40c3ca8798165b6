#include "engine/fast_paths.h"

namespace quillon::engine {

FastPaths& CurrentFastPaths() {
  static FastPaths paths;
  return paths;
}

}  // namespace quillon::engine
