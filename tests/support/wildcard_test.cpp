#include "support/wildcard.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace quillon::support {
namespace {

TEST(WildcardTest, StarsAndQuestionMarks) {
  EXPECT_TRUE(WildcardMatch("xabcx", "*a?c*"));
  EXPECT_TRUE(WildcardMatch("abc", "*a?c*"));
  EXPECT_FALSE(WildcardMatch("ac", "*a?c*"));
  EXPECT_TRUE(WildcardMatch("", "**"));
  EXPECT_TRUE(WildcardMatch("50% off", "*50%*"));
  EXPECT_FALSE(WildcardMatch("ax", "* x*"));
  EXPECT_TRUE(WildcardMatch("a x", "* x*"));
  EXPECT_TRUE(WildcardMatch("abcabd", "*abd"));
  EXPECT_FALSE(WildcardMatch("abcabe", "*abd"));
  EXPECT_FALSE(WildcardMatch("abc", "ab"));
  EXPECT_TRUE(WildcardMatch("a*b", "a*b"));
  // A "*" in the text is an ordinary byte, never the mask's wildcard.
  EXPECT_TRUE(WildcardMatch("*ab", "*b*"));
  EXPECT_TRUE(WildcardMatch("**b", "*b*"));
  EXPECT_TRUE(WildcardMatch("a?*", "*?*"));
}

TEST(WildcardTest, BytesAboveSevenBitsAreOrdinaryCharacters) {
  // "мост" against "*мос*", and a two-byte-looking pair matched by one "?".
  EXPECT_TRUE(WildcardMatch("\xEC\xEE\xF1\xF2", "*\xEC\xEE\xF1*"));
  EXPECT_TRUE(WildcardMatch("\xD0\xB0", "??"));
  EXPECT_FALSE(WildcardMatch("\xD0\xB0", "?"));
  EXPECT_FALSE(WildcardMatch("\xFF", "\x7F"));
}

// The plain definition: "*" takes any run, "?" one byte.
bool Reference(std::string_view text, std::string_view mask) {
  if (mask.empty()) return text.empty();
  if (mask[0] == '*') {
    for (size_t skip = 0; skip <= text.size(); ++skip) {
      if (Reference(text.substr(skip), mask.substr(1))) return true;
    }
    return false;
  }
  return !text.empty() && (mask[0] == '?' || mask[0] == text[0]) &&
         Reference(text.substr(1), mask.substr(1));
}

// Every text and mask of up to five bytes over a small alphabet, so that
// the substring search taken for "*text*" masks and the general matcher
// are both held to the definition.
TEST(WildcardTest, AgreesWithTheDefinitionOnEveryShortTextAndMask) {
  const auto all = [](std::string_view alphabet) {
    std::vector<std::string> strings{""};
    for (size_t from = 0, length = 0; length < 5; ++length) {
      const size_t to = strings.size();
      for (size_t i = from; i < to; ++i) {
        for (char c : alphabet) strings.push_back(strings[i] + c);
      }
      from = to;
    }
    return strings;
  };
  const std::vector<std::string> texts = all("ab*");
  for (const std::string& body : all("ab*?")) {
    for (const std::string& mask : {body, "*" + body + "*"}) {
      for (const std::string& text : texts) {
        ASSERT_EQ(WildcardMatch(text, mask), Reference(text, mask)) << text << " ~ " << mask;
      }
    }
  }
}

// A matcher that backtracks into every earlier star needs hours for these;
// the test's time limit catches one.
TEST(WildcardTest, PathologicalMasksFinish) {
  const std::string text(200000, 'a');
  EXPECT_FALSE(WildcardMatch(text, "*a*a*a*a*a*a*a*a*b*"));
  EXPECT_TRUE(WildcardMatch(text + "b", "*a*a*a*a*a*a*a*a*b*"));
}

}  // namespace
}  // namespace quillon::support
