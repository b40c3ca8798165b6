// Matching a text against a mask with the wildcards "*" (any run of bytes,
// the empty run included) and "?" (exactly one byte). Bytes are compared as
// unsigned values, one byte per character. The matcher never backtracks
// more than once per mask position, so its time is at most proportional to
// the text length times the mask length, whatever the input.
#pragma once

#include <string_view>

namespace quillon::support {

bool WildcardMatch(std::string_view text, std::string_view mask);

}  // namespace quillon::support
