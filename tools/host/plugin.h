// The loaded plug-in as a host sees it: exports looked up by name when a
// line first needs them (a plug-in that lacks one is an error only for the
// line that calls it), called with the C calling convention, texts copied
// out of the plug-in's slot at once because the pointer is the plug-in's.
// It also keeps what no export tells: which table file loaddb last opened.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
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
  // An export that takes a window or a canvas, given none: Draw,
  // SetParentWindow.
  void PutNothing(const char* name);
  // An argument-less export; gives the message boxes it showed.
  std::vector<std::string> Run(const char* name);

  // Whether the plug-in has the export at all.
  bool Has(const char* name) { return library_->Find(name) != nullptr; }

  void SetFile(const std::string& text) { PutText("SetFile", text); }
  std::string GetFile() { return TakeText("GetFile"); }
  int32_t GetData() { return TakeNumber("GetData"); }

  // SetFile with a text typed for the slot, which is a value for most
  // exports and a file name for loaddb and importasmaster: they are given
  // `path` instead, as long as the slot still holds `value`.
  void SetTypedFile(const std::string& value, const std::string& path);
  // Called before an export: the path it takes from the slot, put there
  // in the file system's spelling, or "" for an export that takes none.
  std::string PathFor(const char* name);

  // The table file of the last loaddb that showed no message, and the
  // memo file name it answered; both "" before.
  const std::string& TablePath() const { return tablePath_; }
  const std::string& MemoPath() const { return memoPath_; }

 private:
  struct TypedFile {
    std::string value;
    std::string path;
  };

  // Throws Failure when the plug-in has no such export.
  void* Need(const char* name);

  std::unique_ptr<Library> library_;
  std::map<std::string, void*> found_;
  std::optional<TypedFile> typedFile_;
  std::string tablePath_;
  std::string memoPath_;
};

}  // namespace quillon_host
