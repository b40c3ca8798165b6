// The host's operating-system layer for Windows: LoadLibraryA and
// GetProcAddress, and the plug-in's message boxes, which would block the
// host: the plug-in's import of user32's MessageBoxA is pointed at a function
// that keeps the text and answers OK at once.
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

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

// Ticks from a thread until its event is set.
class Win32Ticker : public Ticker {
 public:
  explicit Win32Ticker(std::function<void(int)> tick)
      : tick_(std::move(tick)), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (stop_ != nullptr) thread_ = CreateThread(nullptr, 0, &Win32Ticker::Run, this, 0, nullptr);
  }
  ~Win32Ticker() override {
    if (thread_ != nullptr) {
      SetEvent(stop_);
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
    }
    if (stop_ != nullptr) CloseHandle(stop_);
  }
  Win32Ticker(const Win32Ticker&) = delete;
  Win32Ticker& operator=(const Win32Ticker&) = delete;

 private:
  static DWORD WINAPI Run(void* self) {
    auto* ticker = static_cast<Win32Ticker*>(self);
    for (int seconds = 1; WaitForSingleObject(ticker->stop_, 1000) == WAIT_TIMEOUT; ++seconds) {
      ticker->tick_(seconds);
    }
    return 0;
  }

  std::function<void(int)> tick_;
  HANDLE stop_;
  HANDLE thread_ = nullptr;
};

// Between two code pages, through UTF-16; false when a character has no
// bytes in the second one.
bool Recode(const std::string& text, UINT from, UINT to, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  const int size = static_cast<int>(text.size());
  const DWORD strict = from == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
  const int wide_length = MultiByteToWideChar(from, strict, text.data(), size, nullptr, 0);
  if (wide_length <= 0) return false;
  std::wstring wide(static_cast<size_t>(wide_length), L'\0');
  MultiByteToWideChar(from, strict, text.data(), size, wide.data(), wide_length);
  BOOL lost = FALSE;
  BOOL* lost_flag = to == CP_UTF8 ? nullptr : &lost;
  const DWORD exact = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length =
      WideCharToMultiByte(to, exact, wide.data(), wide_length, nullptr, 0, nullptr, lost_flag);
  if (length <= 0) return false;
  out.resize(static_cast<size_t>(length));
  WideCharToMultiByte(to, exact, wide.data(), wide_length, out.data(), length, nullptr, lost_flag);
  return !lost;
}

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

bool LocaleIsUtf8() { return GetACP() == CP_UTF8; }

bool PathFromUtf8(const std::string& utf8, std::string& path) {
  return Recode(utf8, CP_UTF8, CP_ACP, path);
}

std::string PathToUtf8(const std::string& path) {
  std::string utf8;
  return Recode(path, CP_ACP, CP_UTF8, utf8) ? utf8 : path;
}

bool PathsAreUtf8() { return false; }

void ClearSystemError() {
  SetLastError(0);
  errno = 0;
}

// The system's own words, in Windows-1251 like every text the host keeps;
// without its closing period and line end, since the host's sentence goes on.
std::string SystemError() {
  const DWORD code = GetLastError();
  if (code == 0) return errno == 0 ? "the system gave no reason" : std::strerror(errno);
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason;
  if (length > 0) {
    const int size =
        WideCharToMultiByte(1251, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    reason.resize(static_cast<size_t>(size));
    WideCharToMultiByte(1251, 0, text, static_cast<int>(length), reason.data(), size, nullptr,
                        nullptr);
  }
  LocalFree(text);
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return reason.empty() ? "system error " + std::to_string(code) : reason;
}

FileKind KindOfFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kMissing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kFolder : FileKind::kFile;
}

bool HeldForWriting(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(file);
  return false;
}

bool ErrorStreamIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void WriteToTerminal(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::unique_ptr<Ticker> StartTicker(std::function<void(int)> tick) {
  return std::make_unique<Win32Ticker>(std::move(tick));
}

}  // namespace quillon_host
