// Catches the message boxes a loaded Quillon.dll shows: its import of
// user32's MessageBoxA is pointed at a recorder that keeps every argument
// and answers OK at once, so no window ever appears and no user is needed.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <vector>

namespace host_test {

struct CapturedMessage {
  HWND owner = nullptr;
  std::string text;
  bool captionIsNull = false;
  std::string caption;
  UINT flags = 0;
};

// False when the module has no MessageBoxA import to redirect.
bool CaptureMessageBoxes(HMODULE module);

// The messages shown since the last call, oldest first.
std::vector<CapturedMessage> TakeMessages();

}  // namespace host_test
