// Holds the platform in use, so tests can put a fault-injecting one in place.
#include "platform/platform.h"

namespace quillon::platform {

namespace {
Platform* substitute = nullptr;
}

Platform& Current() { return substitute != nullptr ? *substitute : Native(); }

void SetCurrent(Platform* platform) { substitute = platform; }

}  // namespace quillon::platform
