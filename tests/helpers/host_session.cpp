#include "helpers/host_session.h"

#include "quillon.h"
#include "host/library.h"

namespace quillon::testing {

void HostSession::SetUp() {
  platform::SetCurrent(&platform_);
  host::LibraryLoad();
}

void HostSession::TearDown() {
  host::LibraryUnload();
  platform::SetCurrent(nullptr);
}

std::string HostSession::CallWithText(void (*exported)(), const std::string& text) {
  SetFile(text.c_str());
  exported();
  return GetFile();
}

int32_t HostSession::CallWithData(void (*exported)(), int32_t value) {
  SetData(value);
  exported();
  return GetData();
}

std::string HostSession::Load(const std::string& path) { return CallWithText(loaddb, path); }

int32_t HostSession::CurrentRecord() { return CallWithData(curnum, -12345); }

engine::DbfTable& HostSession::Resident() { return *host::ResidentTable(); }

}  // namespace quillon::testing
