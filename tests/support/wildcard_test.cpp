#include "support/wildcard.h"

#include <gtest/gtest.h>

#include <string>

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

// A matcher that backtracks into every earlier star needs hours for these;
// the test's time limit catches one.
TEST(WildcardTest, PathologicalMasksFinish) {
  const std::string text(200000, 'a');
  EXPECT_FALSE(WildcardMatch(text, "*a*a*a*a*a*a*a*a*b*"));
  EXPECT_TRUE(WildcardMatch(text + "b", "*a*a*a*a*a*a*a*a*b*"));
}

}  // namespace
}  // namespace quillon::support
