// The Windows part of PluginLibrary: Quillon.dll is loaded by its name with
// LoadLibraryA, as a host does (it is found beside the test program), and
// its import of user32's MessageBoxA is pointed at a recorder that answers
// OK at once, so no window ever appears. A message box shown otherwise than
// the plug-in's way (no owner window, the system's caption, MB_OK |
// MB_SETFOREGROUND) has what differs added to its text, so that no expected
// message matches it.
#define WIN32_LEAN_AND_MEAN
#include "helpers/plugin_library.h"

#include <windows.h>

#include <cstdio>

#include "win32/import_patch.h"

namespace quillon::testing {

namespace {

std::vector<std::string> shown;

int WINAPI RecordMessage(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
  std::string message = text != nullptr ? text : "<null>";
  if (owner != nullptr) message += " <shown with an owner window>";
  if (caption != nullptr) message += std::string(" <shown with the caption ") + caption + ">";
  if (flags != (MB_OK | MB_SETFOREGROUND)) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%#x", flags);
    message += std::string(" <shown with the flags ") + hex + ">";
  }
  shown.push_back(message);
  return IDOK;
}

}  // namespace

struct PluginLibrary::System {
  HMODULE module = nullptr;
};

PluginLibrary::PluginLibrary() : system_(std::make_unique<System>()) {
  system_->module = ::LoadLibraryA("Quillon.dll");
  if (system_->module == nullptr) {
    failure_ = "cannot load Quillon.dll (error " + std::to_string(::GetLastError()) + ")";
    return;
  }
  for (const char* name : kExportNames) {
    if (Find(name) == nullptr) failure_ += std::string("no export ") + name + "; ";
  }
  if (quillon_win32::PatchImport(system_->module, "user32.dll", "MessageBoxA",
                                 reinterpret_cast<const void*>(&RecordMessage)) == 0) {
    failure_ += "no MessageBoxA import to catch";
  }
  shown.clear();
}

PluginLibrary::~PluginLibrary() {
  if (system_->module != nullptr) ::FreeLibrary(system_->module);
}

void* PluginLibrary::Find(const char* name) const {
  if (system_->module == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(system_->module, name));
}

void PluginLibrary::Run(quillon_action exported) const { exported(); }

std::vector<std::string> PluginLibrary::TakeMessages() {
  std::vector<std::string> taken;
  taken.swap(shown);
  return taken;
}

}  // namespace quillon::testing
