// What the host needs from the operating system, one implementation file per
// system: loading the plug-in at run time and finding its exports by name,
// catching the message boxes it shows during a call, where the plug-in is
// looked for by default, how the standard streams behave, the locale's
// encoding and the file system's names, what a file is and whether someone
// holds it, and a clock that ticks beside a long call.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "quillon.h"

namespace quillon_host {

// An export that takes nothing and returns nothing: every table export.
using Action = quillon_action;

class Library {
 public:
  virtual ~Library() = default;

  // The export's address, or null when the plug-in has no export of that name.
  virtual void* Find(const char* name) = 0;

  // Runs the export and gives the texts of the message boxes it showed
  // meanwhile, oldest first, in Windows-1251 as the plug-in wrote them.
  virtual std::vector<std::string> CallCatchingMessages(Action action) = 0;
};

// Null when the library cannot be loaded; `error` then says why.
std::unique_ptr<Library> OpenLibrary(const std::string& path, std::string& error);

// The plug-in built beside this program.
std::string DefaultPluginPath();

bool StandardInputIsTerminal();

// Raw output must reach the terminal or file byte for byte; otherwise the
// output is UTF-8 text with the system's usual line ends.
void PrepareStandardStreams(bool raw_output, bool utf8_input);

// The encoding of the text people type and write: UTF-8 unless the system
// uses Windows-1251 itself (a Windows ANSI code page other than UTF-8 is
// taken as 1251, and so is a Linux locale whose character set is CP1251).
bool LocaleIsUtf8();

// A path written in UTF-8, as the file system's narrow calls (the plug-in's
// and this host's) take it: unchanged on Linux, in the ANSI code page on
// Windows. False when the code page has no bytes for it.
bool PathFromUtf8(const std::string& utf8, std::string& path);
// A path as those calls take it, shown in UTF-8.
std::string PathToUtf8(const std::string& path);
// Whether those calls spell names in UTF-8 (Linux) rather than in the
// Windows-1251 of the plug-in's texts or another ANSI code page (Windows).
bool PathsAreUtf8();

// Why the last call of the C library or the system failed, as the system
// says it; ClearSystemError first, so that an old reason is not taken for
// the new one.
void ClearSystemError();
std::string SystemError();

enum class FileKind { kMissing, kFolder, kFile };
FileKind KindOfFile(const std::string& path);

// True when a program, the plug-in among them, holds the file open for
// writing: no one may then open it for reading while letting others only
// read it, which is how the plug-in opens a table it cannot write.
bool HeldForWriting(const std::string& path);

// True when standard error is a terminal. Until the first call, nothing
// can be written to the terminal.
bool ErrorStreamIsTerminal();
// Writes to the terminal behind standard error, even while a call's
// message boxes are being caught.
void WriteToTerminal(std::string_view text);

class Ticker {
 public:
  virtual ~Ticker() = default;
};
// Calls `tick` with the seconds passed, from a thread of its own, once a
// second from the first second on, until the ticker is destroyed; the
// destructor waits for a tick under way.
std::unique_ptr<Ticker> StartTicker(std::function<void(int seconds)> tick);

}  // namespace quillon_host
