// Library load and unload for the Linux plug-in: the counterpart of the
// Windows process attach and detach notifications.
#include "host/library.h"

namespace {

__attribute__((constructor)) void OnLoad() { quillon::host::Guarded(quillon::host::LibraryLoad); }

__attribute__((destructor)) void OnUnload() {
  quillon::host::Guarded(quillon::host::LibraryUnload);
}

}  // namespace
