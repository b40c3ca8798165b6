#include "plugin.h"

#include "check.h"
#include "message_capture.h"

namespace host_test {

namespace {

template <typename Function>
void Resolve(HMODULE module, const char* name, Function* to) {
  FARPROC found = GetProcAddress(module, name);
  if (found == nullptr) Abandon(std::string("Quillon.dll does not export ") + name);
  *to = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

}  // namespace

std::string Plugin::File() const {
  const char* text = GetFile();
  return text != nullptr ? text : "<null>";
}

std::string Plugin::Load(const std::string& path) const {
  SetFile(path.c_str());
  loaddb();
  return File();
}

std::string Plugin::Ask(Action table_export, const std::string& input) const {
  SetFile(input.c_str());
  return Text(table_export);
}

std::string Plugin::Text(Action table_export) const {
  table_export();
  return File();
}

int32_t Plugin::CurrentRecord() const {
  curnum();
  return GetData();
}

int32_t Plugin::RecordCount() const {
  countrec();
  return GetData();
}

int32_t Plugin::FieldCount() const {
  fiedscount();
  return GetData();
}

void Plugin::GoTo(int32_t record) const {
  SetData(record);
  gotorec();
}

Session::Session() {
  HMODULE module = LoadLibraryA("Quillon.dll");
  if (module == nullptr) {
    Abandon("cannot load Quillon.dll (error " + std::to_string(GetLastError()) + ")");
  }
  plugin_.module = module;
  Resolve(module, "GetType", &plugin_.GetType);
  Resolve(module, "GetShortInfo", &plugin_.GetShortInfo);
  Resolve(module, "GetInfo", &plugin_.GetInfo);
  Resolve(module, "Copyright", &plugin_.Copyright);
  Resolve(module, "Settings", &plugin_.Settings);
  Resolve(module, "SetParentWindow", &plugin_.SetParentWindow);
  Resolve(module, "Draw", &plugin_.Draw);
  Resolve(module, "SetPath", &plugin_.SetPath);
  Resolve(module, "SetFile", &plugin_.SetFile);
  Resolve(module, "GetFile", &plugin_.GetFile);
  Resolve(module, "SetData", &plugin_.SetData);
  Resolve(module, "GetData", &plugin_.GetData);
  Resolve(module, "loaddb", &plugin_.loaddb);
  Resolve(module, "first", &plugin_.first);
  Resolve(module, "last", &plugin_.last);
  Resolve(module, "next1", &plugin_.next1);
  Resolve(module, "prev", &plugin_.prev);
  Resolve(module, "gotorec", &plugin_.gotorec);
  Resolve(module, "curnum", &plugin_.curnum);
  Resolve(module, "countrec", &plugin_.countrec);
  Resolve(module, "fiedscount", &plugin_.fiedscount);
  Resolve(module, "getfields", &plugin_.getfields);
  Resolve(module, "getcurn", &plugin_.getcurn);
  Resolve(module, "getcurrecall", &plugin_.getcurrecall);
  Resolve(module, "getarrayrecords", &plugin_.getarrayrecords);
  Resolve(module, "editrec", &plugin_.editrec);
  Resolve(module, "addrec", &plugin_.addrec);
  Resolve(module, "delrec", &plugin_.delrec);
  Resolve(module, "finddata", &plugin_.finddata);
  Resolve(module, "getdataotdo", &plugin_.getdataotdo);
  Resolve(module, "importasmaster", &plugin_.importasmaster);
  Resolve(module, "memopak", &plugin_.memopak);
  Resolve(module, "make", &plugin_.make);
  if (!CaptureMessageBoxes(module)) Abandon("Quillon.dll has no MessageBoxA import to capture");
  TakeMessages();
}

Session::~Session() { FreeLibrary(plugin_.module); }

}  // namespace host_test
