// The loaded plug-in as a host sees it: exports looked up by name when a
// line first needs them (a plug-in that lacks one is an error only for the
// line that calls it), called with the C calling convention, texts copied
// out of the plug-in's slot at once because the pointer is the plug-in's.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "os.h"

namespace quillon_host {

class Plugin {
 public:
  explicit Plugin(std::unique_ptr<Library> library) : library_(std::move(library)) {}

  // An export that takes one text: SetFile, SetPath.
  void PutText(const char* setter, const std::string& text);
  // An export that returns a text: GetFile, GetShortInfo, GetInfo, Copyright.
  std::string TakeText(const char* getter);
  void SetData(int32_t value);
  // An export that returns an integer: GetData, GetType.
  int32_t TakeNumber(const char* getter);
  // An argument-less export; gives the message boxes it showed.
  std::vector<std::string> Run(const char* name);

  void SetFile(const std::string& text) { PutText("SetFile", text); }
  std::string GetFile() { return TakeText("GetFile"); }
  int32_t GetData() { return TakeNumber("GetData"); }

 private:
  // Throws Failure when the plug-in has no such export.
  void* Need(const char* name);

  std::unique_ptr<Library> library_;
  std::map<std::string, void*> found_;
};

}  // namespace quillon_host
