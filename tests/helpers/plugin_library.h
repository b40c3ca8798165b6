// The built plug-in as a host application sees it: loaded by its file name,
// its exports found by name and called as C functions, and the messages it
// shows to the user caught instead of shown. The loading and the catching are
// each system's own (tests/posix, tests/win32); the host's exchanges on top
// of them are the same for both builds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "quillon.h"

namespace quillon::testing {

// The 33 exports, numbered as the plug-in's ordinals.
inline constexpr const char* kExportNames[] = {
    "memopak",  "getarrayrecords", "getdataotdo",  "finddata",  "importasmaster", "getcurrecall",
    "delrec",   "fiedscount",      "getfields",    "editrec",   "addrec",         "gotorec",
    "countrec", "curnum",          "getcurn",      "last",      "first",          "next1",
    "prev",     "loaddb",          "make",         "Draw",      "Settings",       "SetParentWindow",
    "GetType",  "GetInfo",         "GetShortInfo", "Copyright", "SetPath",        "GetData",
    "SetData",  "GetFile",         "SetFile"};

class PluginLibrary {
 public:
  // Loads the plug-in; see loaded().
  PluginLibrary();
  // Unloads it.
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // True once the plug-in is loaded, has every export and its messages can
  // be caught; otherwise failure() says what is wrong.
  bool loaded() const { return failure_.empty(); }
  const std::string& failure() const { return failure_; }
  // The export of that name; null when there is none.
  void* Find(const char* name) const;

  // Runs an export that takes and gives nothing, catching its messages.
  void Call(const char* name) const;
  void SetFile(const char* text) const;
  // What GetFile points at; "<null>" for a null pointer.
  std::string GetFile() const;
  void SetData(int32_t value) const;
  int32_t GetData() const;
  // The descriptor exports' texts; "<null>" for a null pointer.
  std::string Descriptor(const char* name) const;

  // SetFile(path), loaddb; gives what loaddb left in the text slot.
  std::string Load(const std::string& path) const;
  // SetFile(input), the export; gives what it left in the text slot.
  std::string Ask(const char* name, const std::string& input) const;
  // The export alone; gives the text slot.
  std::string Text(const char* name) const;
  int32_t CurrentRecord() const;
  int32_t RecordCount() const;
  int32_t FieldCount() const;
  void GoTo(int32_t record) const;

  // The messages shown since the last call, oldest first.
  std::vector<std::string> TakeMessages();

 private:
  struct System;  // the system's own part
  // Runs an export, catching the messages it shows.
  void Run(quillon_action exported) const;
  std::unique_ptr<System> system_;
  std::string failure_;
};

}  // namespace quillon::testing
