// Quillon.dll as a host application sees it: loaded with LoadLibraryA, its
// exports looked up by name and called through C-convention pointers, its
// message boxes captured. Also the full list of the 33 exports with their
// fixed ordinals and whether each one is built yet.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>
#include <string>

namespace host_test {

struct ExportEntry {
  int ordinal;
  const char* name;
  bool built;
};

inline constexpr ExportEntry kExports[] = {
    {1, "memopak", false},   {2, "getarrayrecords", false}, {3, "getdataotdo", false},
    {4, "finddata", false},  {5, "importasmaster", false},  {6, "getcurrecall", false},
    {7, "delrec", false},    {8, "fiedscount", false},      {9, "getfields", false},
    {10, "editrec", false},  {11, "addrec", false},         {12, "gotorec", true},
    {13, "countrec", true},  {14, "curnum", true},          {15, "getcurn", false},
    {16, "last", true},      {17, "first", true},           {18, "next1", true},
    {19, "prev", true},      {20, "loaddb", true},          {21, "make", false},
    {22, "Draw", true},      {23, "Settings", true},        {24, "SetParentWindow", true},
    {25, "GetType", true},   {26, "GetInfo", true},         {27, "GetShortInfo", true},
    {28, "Copyright", true}, {29, "SetPath", true},         {30, "GetData", true},
    {31, "SetData", true},   {32, "GetFile", true},         {33, "SetFile", true},
};

struct Plugin {
  using Action = void(__cdecl*)();
  using TakesPointer = void(__cdecl*)(void*);
  using TakesText = void(__cdecl*)(const char*);
  using TakesInt = void(__cdecl*)(int32_t);
  using GivesText = const char*(__cdecl*)();
  using GivesInt = int32_t(__cdecl*)();

  HMODULE module = nullptr;
  GivesInt GetType = nullptr;
  GivesText GetShortInfo = nullptr;
  GivesText GetInfo = nullptr;
  GivesText Copyright = nullptr;
  Action Settings = nullptr;
  TakesPointer SetParentWindow = nullptr;
  TakesPointer Draw = nullptr;
  TakesText SetPath = nullptr;
  TakesText SetFile = nullptr;
  GivesText GetFile = nullptr;
  TakesInt SetData = nullptr;
  GivesInt GetData = nullptr;
  Action loaddb = nullptr;
  Action first = nullptr;
  Action last = nullptr;
  Action next1 = nullptr;
  Action prev = nullptr;
  Action gotorec = nullptr;
  Action curnum = nullptr;
  Action countrec = nullptr;

  // The host's usual exchanges.
  std::string File() const;
  // SetFile(path), loaddb; gives what loaddb left in the text slot.
  std::string Load(const std::string& path) const;
  int32_t CurrentRecord() const;
  int32_t RecordCount() const;
  void GoTo(int32_t record) const;
};

// A loaded Quillon.dll for the life of the object, freed at its end. Exits the
// whole run when the DLL cannot be loaded, lacks an export or offers no
// message box to capture: every later check would be meaningless.
class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const Plugin& operator*() const { return plugin_; }
  const Plugin* operator->() const { return &plugin_; }

 private:
  Plugin plugin_;
};

}  // namespace host_test
