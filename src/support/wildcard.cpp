#include "support/wildcard.h"

namespace quillon::support {

bool WildcardMatch(std::string_view text, std::string_view mask) {
  // The search's own masks are "*text*" with no other wildcard: that is a
  // plain substring search, which the standard library does far faster.
  if (mask.size() >= 2 && mask.front() == '*' && mask.back() == '*') {
    const std::string_view inner = mask.substr(1, mask.size() - 2);
    if (inner.find_first_of("*?") == std::string_view::npos) {
      return text.find(inner) != std::string_view::npos;
    }
  }
  size_t t = 0;
  size_t m = 0;
  // Where the last "*" stood, and the text position it has absorbed up to:
  // on a mismatch the star takes one more byte and matching resumes after it.
  // Earlier stars never need revisiting, since the last one can absorb
  // whatever they could have.
  size_t star = std::string_view::npos;
  size_t resume = 0;
  while (t < text.size()) {
    // The mask's "*" is tested first: a "*" in the text is an ordinary byte
    // and must not be taken as the mask's literal.
    if (m < mask.size() && mask[m] == '*') {
      star = m++;
      resume = t;
    } else if (m < mask.size() && (mask[m] == '?' || mask[m] == text[t])) {
      ++t;
      ++m;
    } else if (star != std::string_view::npos) {
      m = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace quillon::support
