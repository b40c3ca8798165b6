// A guess at what a mistyped name meant: a command, an export or a field.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon_host {

// The known name closest to `typed`: one equal to it but for case, one it
// begins (case ignored, at least two characters typed), or one at most two
// letters away (inserted, removed or changed), the nearest first; "" when
// none is that close. Names are compared byte by byte, ASCII case ignored.
std::string Suggestion(std::string_view typed, const std::vector<std::string>& known);

// " (did you mean NAME?)" for the suggestion, or "".
std::string DidYouMean(std::string_view typed, const std::vector<std::string>& known);

}  // namespace quillon_host
