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

// Levenshtein distance: names are short, so the plain table will do.
size_t Distance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
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
