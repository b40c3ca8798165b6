// Redirects a loaded module's calls to one imported function: the entry in
// the module's import address table is overwritten, so the module calls the
// replacement from then on while the rest of the process is left alone.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace quillon_win32 {

// Returns how many import entries now point at the replacement (0 when the
// module does not import that function by name from that DLL).
int PatchImport(HMODULE module, const char* dll, const char* function, const void* replacement);

}  // namespace quillon_win32
