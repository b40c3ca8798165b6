// The POSIX part of PluginLibrary: the plug-in is loaded with dlopen from
// the path the build gives, and what it writes to standard error, where the
// POSIX plug-in shows each message as one line, is caught around each call.
#include "helpers/plugin_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>

namespace quillon::testing {

struct PluginLibrary::System {
  void* handle = nullptr;
  std::string caught;  // standard error's bytes since the last TakeMessages
};

PluginLibrary::PluginLibrary() : system_(std::make_unique<System>()) {
  system_->handle = ::dlopen(QUILLON_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  if (system_->handle == nullptr) {
    failure_ = std::string("cannot load the plug-in: ") + ::dlerror();
    return;
  }
  for (const char* name : kExportNames) {
    if (Find(name) == nullptr) failure_ += std::string("no export ") + name + "; ";
  }
}

PluginLibrary::~PluginLibrary() {
  if (system_->handle != nullptr) ::dlclose(system_->handle);
}

void* PluginLibrary::Find(const char* name) const {
  return system_->handle != nullptr ? ::dlsym(system_->handle, name) : nullptr;
}

void PluginLibrary::Run(quillon_action exported) const {
  std::fflush(stderr);
  FILE* capture = std::tmpfile();
  const int saved = ::dup(2);
  if (capture == nullptr || saved < 0) {
    system_->caught += "<standard error cannot be caught>\n";
    exported();
  } else {
    ::dup2(::fileno(capture), 2);
    exported();
    ::dup2(saved, 2);
    std::rewind(capture);
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, capture)) > 0;) {
      system_->caught.append(buffer, got);
    }
  }
  if (saved >= 0) ::close(saved);
  if (capture != nullptr) std::fclose(capture);
}

// Each message is its text and a line feed; a line break inside a text is
// CR LF, so only a line feed without CR before it ends a message.
std::vector<std::string> PluginLibrary::TakeMessages() {
  std::vector<std::string> messages;
  const std::string& caught = system_->caught;
  size_t start = 0;
  for (size_t at = 0; at < caught.size(); ++at) {
    if (caught[at] == '\n' && (at == 0 || caught[at - 1] != '\r')) {
      messages.push_back(caught.substr(start, at - start));
      start = at + 1;
    }
  }
  if (start < caught.size()) messages.push_back(caught.substr(start) + " <without a line end>");
  system_->caught.clear();
  return messages;
}

}  // namespace quillon::testing
