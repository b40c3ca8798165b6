// Import-table patching for 32-bit Windows modules; see the header.
#include "win32/import_patch.h"

#include <cstring>

namespace quillon_win32 {

namespace {

template <typename T>
T* At(HMODULE module, DWORD rva) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + rva);
}

bool Overwrite(IMAGE_THUNK_DATA32* slot, const void* replacement) {
  DWORD old_protection = 0;
  if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old_protection)) return false;
  slot->u1.Function = static_cast<DWORD>(reinterpret_cast<uintptr_t>(replacement));
  DWORD ignored = 0;
  VirtualProtect(slot, sizeof *slot, old_protection, &ignored);
  return true;
}

}  // namespace

int PatchImport(HMODULE module, const char* dll, const char* function, const void* replacement) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return 0;
  const auto* nt = At<const IMAGE_NT_HEADERS32>(module, static_cast<DWORD>(dos->e_lfanew));
  if (nt->Signature != IMAGE_NT_SIGNATURE) return 0;
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return 0;

  int patched = 0;
  for (auto* library = At<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress);
       library->Name != 0; ++library) {
    if (lstrcmpiA(At<const char>(module, library->Name), dll) != 0) continue;
    // The names stay in the lookup table; the loader filled the address
    // table beside it, entry for entry.
    if (library->OriginalFirstThunk == 0) continue;
    auto* name = At<IMAGE_THUNK_DATA32>(module, library->OriginalFirstThunk);
    auto* address = At<IMAGE_THUNK_DATA32>(module, library->FirstThunk);
    for (; name->u1.AddressOfData != 0; ++name, ++address) {
      if (IMAGE_SNAP_BY_ORDINAL32(name->u1.Ordinal)) continue;
      const auto* by_name = At<const IMAGE_IMPORT_BY_NAME>(module, name->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) == 0 &&
          Overwrite(address, replacement)) {
        ++patched;
      }
    }
  }
  return patched;
}

}  // namespace quillon_win32
