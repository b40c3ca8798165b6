// What every fuzz target sets up: once per process, a file-size limit whose
// breach kills the process (a runaway write is a finding, not a full disk),
// the tests' platform (nothing fails, message boxes are only recorded), and
// a private scratch folder under the temporary folder; once per input, that
// folder emptied and the library loaded afresh.
// The library's own temporary folder (TMPDIR) is a subfolder of the scratch
// folder, so that memopak's temporary tables stay private too.
#pragma once

#include <string>

namespace quillon::fuzz {

// Files larger than this are never written: the write crashes instead.
inline constexpr unsigned long long kFileSizeLimit = 64ull << 20;

// For LLVMFuzzerInitialize. Stops the process when anything fails.
void SetUpProcess();

// Empties the scratch folder (and makes the library's temporary folder in
// it again); call at the start of every input.
void EmptyScratch();

// A path in the scratch folder.
std::string ScratchPath(const std::string& name);

// Writes a file into the scratch folder and returns its path.
std::string WriteScratchFile(const std::string& name, const std::string& bytes);

// Runs the callable with the scratch folder as the current folder, for
// exports that write into the current folder.
void InScratchFolder(void (*body)());

// The library loaded for the lifetime of the object: fresh slots, no table.
class LoadedLibrary {
 public:
  LoadedLibrary();
  ~LoadedLibrary();
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
};

}  // namespace quillon::fuzz
