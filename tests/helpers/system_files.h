// The few file-system calls the tests' helpers make for themselves, through
// each system's own narrow calls (the ANSI code page on Windows), so that a
// name in Windows-1251 means the same file to a test as to the library.
#pragma once

#include <string>

namespace quillon::testing {

// The system's folder for temporary files, without a final separator.
std::string SystemTempFolder();
// False when the folder exists already or cannot be made.
bool MakeFolder(const std::string& path);
// True for a path that exists and is not a folder.
bool IsFile(const std::string& path);
// Removes a folder and everything in it; quietly does what it can.
void RemoveTree(const std::string& path);

}  // namespace quillon::testing
