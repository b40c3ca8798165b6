// A call that runs longer than about a second shows that the host is
// waiting for it, on the terminal behind standard error only, so that
// nothing of it reaches what a script prints; the line is cleared when the
// call returns.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon_host {

std::vector<std::string> ShowingProgress(std::string_view name,
                                         const std::function<std::vector<std::string>()>& call);

}  // namespace quillon_host
