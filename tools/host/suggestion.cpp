// Guessing a mistyped name; see the header.
#include "suggestion.h"

#include <algorithm>

namespace quillon_host {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = Lower(c);
  return lower;
}

// Edit distance where swapping two neighbouring letters counts as one edit,
// the commonest slip ("frist" for "first"). Names are short, so the plain
// table will do.
size_t Distance(std::string_view a, std::string_view b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                          d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::string Suggestion(std::string_view typed, const std::vector<std::string>& known) {
  const std::string word = Lowered(typed);
  if (word.empty()) return "";
  std::string best;
  size_t bestScore = 3;
  for (const std::string& name : known) {
    const std::string lower = Lowered(name);
    size_t score = Distance(word, lower);
    // A beginning is as good as one letter off, so that "get" finds a getter
    // but "lst" still prefers "list" to "last" only by distance.
    if (word.size() >= 2 && lower.starts_with(word)) score = std::min<size_t>(score, 1);
    if (lower == word) score = 0;
    if (score < bestScore) {
      bestScore = score;
      best = name;
    }
  }
  return best;
}

std::string DidYouMean(std::string_view typed, const std::vector<std::string>& known) {
  const std::string guess = Suggestion(typed, known);
  return guess.empty() ? "" : " (did you mean " + guess + "?)";
}

}  // namespace quillon_host
