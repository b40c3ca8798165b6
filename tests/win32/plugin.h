// Quillon.dll as a host application sees it: loaded with LoadLibraryA, its
// exports looked up by name and called through C-convention pointers, its
// message boxes captured. Also the full list of the 33 exports with their
// fixed ordinals.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>
#include <string>

namespace host_test {

struct ExportEntry {
  int ordinal;
  const char* name;
};

inline constexpr ExportEntry kExports[] = {
    {1, "memopak"},         {2, "getarrayrecords"}, {3, "getdataotdo"}, {4, "finddata"},
    {5, "importasmaster"},  {6, "getcurrecall"},    {7, "delrec"},      {8, "fiedscount"},
    {9, "getfields"},       {10, "editrec"},        {11, "addrec"},     {12, "gotorec"},
    {13, "countrec"},       {14, "curnum"},         {15, "getcurn"},    {16, "last"},
    {17, "first"},          {18, "next1"},          {19, "prev"},       {20, "loaddb"},
    {21, "make"},           {22, "Draw"},           {23, "Settings"},   {24, "SetParentWindow"},
    {25, "GetType"},        {26, "GetInfo"},        {27, "GetShortInfo"}, {28, "Copyright"},
    {29, "SetPath"},        {30, "GetData"},        {31, "SetData"},    {32, "GetFile"},
    {33, "SetFile"},
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
  Action fiedscount = nullptr;
  Action getfields = nullptr;
  Action getcurn = nullptr;
  Action getcurrecall = nullptr;
  Action getarrayrecords = nullptr;
  Action editrec = nullptr;
  Action addrec = nullptr;
  Action delrec = nullptr;
  Action finddata = nullptr;
  Action getdataotdo = nullptr;
  Action importasmaster = nullptr;
  Action memopak = nullptr;
  Action make = nullptr;

  // The host's usual exchanges.
  std::string File() const;
  // SetFile(path), loaddb; gives what loaddb left in the text slot.
  std::string Load(const std::string& path) const;
  // SetFile(input), the export; gives what it left in the text slot.
  std::string Ask(Action table_export, const std::string& input) const;
  // The export alone, for those that take no text; gives the text slot.
  std::string Text(Action table_export) const;
  int32_t CurrentRecord() const;
  int32_t RecordCount() const;
  int32_t FieldCount() const;
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
