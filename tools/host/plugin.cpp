// Typed calls into the plug-in's exports; see the header.
#include "plugin.h"

#include <string_view>

#include "failure.h"
#include "progress.h"

namespace quillon_host {

namespace {

template <typename Function>
Function As(void* address) {
  return reinterpret_cast<Function>(address);
}

}  // namespace

void* Plugin::Need(const char* name) {
  auto known = found_.find(name);
  if (known != found_.end()) return known->second;
  void* address = library_->Find(name);
  if (address == nullptr) throw Failure(std::string("the plug-in has no export ") + name);
  found_.emplace(name, address);
  return address;
}

void Plugin::PutText(const char* setter, const std::string& text) {
  As<quillon_takes_text>(Need(setter))(text.c_str());
}

std::string Plugin::TakeText(const char* getter) {
  const char* text = As<quillon_gives_text>(Need(getter))();
  return text != nullptr ? text : "";
}

void Plugin::SetData(int32_t value) { As<quillon_takes_number>(Need("SetData"))(value); }

int32_t Plugin::TakeNumber(const char* getter) { return As<quillon_gives_number>(Need(getter))(); }

void Plugin::PutNothing(const char* name) { As<quillon_takes_pointer>(Need(name))(nullptr); }

std::vector<std::string> Plugin::Run(const char* name) {
  const Action action = As<Action>(Need(name));
  const bool loads = std::string_view(name) == "loaddb";
  const std::string table = loads ? GetFile() : "";
  std::vector<std::string> messages =
      ShowingProgress(name, [&] { return library_->CallCatchingMessages(action); });
  if (loads && messages.empty()) {
    tablePath_ = table;
    memoPath_ = GetFile();
  }
  return messages;
}

void Plugin::SetTypedFile(const std::string& value, const std::string& path) {
  SetFile(value);
  typedFile_ = TypedFile{value, path};
}

std::string Plugin::PathFor(const char* name) {
  const std::string_view export_name = name;
  if (export_name != "loaddb" && export_name != "importasmaster") return "";
  if (typedFile_ && typedFile_->path != typedFile_->value && GetFile() == typedFile_->value) {
    SetFile(typedFile_->path);
  }
  typedFile_.reset();
  return GetFile();
}

}  // namespace quillon_host
