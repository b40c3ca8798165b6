// Typed calls into the plug-in's exports; see the header.
#include "plugin.h"

#include "failure.h"

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

std::vector<std::string> Plugin::Run(const char* name) {
  return library_->CallCatchingMessages(As<Action>(Need(name)));
}

}  // namespace quillon_host
