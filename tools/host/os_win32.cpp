// The host's operating-system layer for Windows: LoadLibraryA and
// GetProcAddress, and the plug-in's message boxes, which would block the
// host: the plug-in's import of user32's MessageBoxA is pointed at a function
// that keeps the text and answers OK at once.
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "os.h"
#include "win32/import_patch.h"

namespace quillon_host {

namespace {

std::vector<std::string> shown;

int WINAPI KeepMessage(HWND, LPCSTR text, LPCSTR, UINT) {
  shown.push_back(text != nullptr ? text : "");
  return IDOK;
}

class Win32Library : public Library {
 public:
  explicit Win32Library(HMODULE module) : module_(module) {}
  ~Win32Library() override { FreeLibrary(module_); }
  Win32Library(const Win32Library&) = delete;
  Win32Library& operator=(const Win32Library&) = delete;

  void* Find(const char* name) override {
    return reinterpret_cast<void*>(GetProcAddress(module_, name));
  }

  std::vector<std::string> CallCatchingMessages(Action action) override {
    shown.clear();
    action();
    std::vector<std::string> taken;
    taken.swap(shown);
    return taken;
  }

 private:
  HMODULE module_;
};

}  // namespace

std::unique_ptr<Library> OpenLibrary(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error = "Windows error " + std::to_string(GetLastError());
    return nullptr;
  }
  // A plug-in without that import shows no message box at all.
  quillon_win32::PatchImport(module, "user32.dll", "MessageBoxA",
                             reinterpret_cast<const void*>(&KeepMessage));
  return std::make_unique<Win32Library>(module);
}

std::string DefaultPluginPath() {
  char self[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self) return "Quillon.dll";
  std::string folder(self, length);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + "Quillon.dll";
}

bool StandardInputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

void PrepareStandardStreams(bool raw_output, bool utf8_input) {
  // A console shows the bytes in its own code page, so it is told which one
  // the host writes and reads.
  SetConsoleOutputCP(raw_output ? 1251 : CP_UTF8);
  SetConsoleCP(utf8_input ? CP_UTF8 : 1251);
  if (raw_output) _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace quillon_host
