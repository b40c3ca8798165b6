#include "message_capture.h"

#include "win32/import_patch.h"

namespace host_test {

namespace {

std::vector<CapturedMessage> shown;

int WINAPI RecordMessage(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
  CapturedMessage message;
  message.owner = owner;
  message.text = text != nullptr ? text : "";
  message.captionIsNull = caption == nullptr;
  message.caption = caption != nullptr ? caption : "";
  message.flags = flags;
  shown.push_back(message);
  return IDOK;
}

}  // namespace

bool CaptureMessageBoxes(HMODULE module) {
  return quillon_win32::PatchImport(module, "user32.dll", "MessageBoxA",
                     reinterpret_cast<const void*>(&RecordMessage)) > 0;
}

std::vector<CapturedMessage> TakeMessages() {
  std::vector<CapturedMessage> taken;
  taken.swap(shown);
  return taken;
}

}  // namespace host_test
