#include "helpers/other_reader.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillon::testing {

OtherReader::OtherReader(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  handle_ = fd;
  holds_ = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
}

OtherReader::~OtherReader() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace quillon::testing
