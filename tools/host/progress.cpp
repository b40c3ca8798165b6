// The waiting line beside long calls; see the header.
#include "progress.h"

#include <atomic>

#include "os.h"

namespace quillon_host {

std::vector<std::string> ShowingProgress(std::string_view name,
                                         const std::function<std::vector<std::string>()>& call) {
  if (!ErrorStreamIsTerminal()) return call();
  std::atomic<size_t> shown{0};
  std::vector<std::string> result;
  {
    const std::unique_ptr<Ticker> ticker = StartTicker([&](int seconds) {
      std::string line = "\rquillon-host: ";
      line.append(name).append(" is working... ").append(std::to_string(seconds)).append(" s");
      WriteToTerminal(line);
      shown = line.size() - 1;
    });
    result = call();
  }
  if (shown > 0) {
    std::string blank(shown + 2, ' ');
    blank.front() = blank.back() = '\r';
    WriteToTerminal(blank);
  }
  return result;
}

}  // namespace quillon_host
