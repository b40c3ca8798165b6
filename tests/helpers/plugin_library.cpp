#include "helpers/plugin_library.h"

#include <gtest/gtest.h>

namespace quillon::testing {

namespace {

std::string Shown(const char* text) { return text != nullptr ? text : "<null>"; }

// A missing export fails the test instead of calling through a null pointer.
template <typename Function>
Function Resolve(const PluginLibrary& library, const char* name) {
  void* found = library.Find(name);
  if (found == nullptr) ADD_FAILURE() << "the plug-in does not export " << name;
  return reinterpret_cast<Function>(found);
}

}  // namespace

void PluginLibrary::Call(const char* name) const {
  if (auto action = Resolve<quillon_action>(*this, name)) Run(action);
}

void PluginLibrary::SetFile(const char* text) const {
  if (auto set = Resolve<quillon_takes_text>(*this, "SetFile")) set(text);
}

std::string PluginLibrary::GetFile() const {
  auto get = Resolve<quillon_gives_text>(*this, "GetFile");
  return get != nullptr ? Shown(get()) : "<no GetFile>";
}

void PluginLibrary::SetData(int32_t value) const {
  if (auto set = Resolve<quillon_takes_number>(*this, "SetData")) set(value);
}

int32_t PluginLibrary::GetData() const {
  auto get = Resolve<quillon_gives_number>(*this, "GetData");
  return get != nullptr ? get() : INT32_MIN;
}

std::string PluginLibrary::Descriptor(const char* name) const {
  auto get = Resolve<quillon_gives_text>(*this, name);
  return get != nullptr ? Shown(get()) : "<no export>";
}

std::string PluginLibrary::Load(const std::string& path) const { return Ask("loaddb", path); }

std::string PluginLibrary::Ask(const char* name, const std::string& input) const {
  SetFile(input.c_str());
  return Text(name);
}

std::string PluginLibrary::Text(const char* name) const {
  Call(name);
  return GetFile();
}

int32_t PluginLibrary::CurrentRecord() const {
  Call("curnum");
  return GetData();
}

int32_t PluginLibrary::RecordCount() const {
  Call("countrec");
  return GetData();
}

int32_t PluginLibrary::FieldCount() const {
  Call("fiedscount");
  return GetData();
}

void PluginLibrary::GoTo(int32_t record) const {
  SetData(record);
  Call("gotorec");
}

}  // namespace quillon::testing
