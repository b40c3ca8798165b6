// Library load and unload for Quillon.dll: process attach creates the slots
// and the resident table, process detach releases them without writing
// anything to the table's files. Thread notifications change nothing.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "host/library.h"

// C linkage, so that the runtime's start-up code calls this one and not its
// own empty default.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH: quillon::host::Guarded(quillon::host::LibraryLoad); break;
    case DLL_PROCESS_DETACH: quillon::host::Guarded(quillon::host::LibraryUnload); break;
    default: break;
  }
  return TRUE;
}
