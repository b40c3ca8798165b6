// What the host needs from the operating system, one implementation file per
// system: loading the plug-in at run time and finding its exports by name,
// catching the message boxes it shows during a call, where the plug-in is
// looked for by default, and how the standard streams behave.
#pragma once

#include <memory>
#include <string>
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

}  // namespace quillon_host
