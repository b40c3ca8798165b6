#include "support/text.h"

#include <gtest/gtest.h>

namespace quillon::support {
namespace {

TEST(TrimTest, RemovesControlBytesAtBothEndsAndStopsAtNul) {
  EXPECT_EQ(Trim("\r\n\t  abc def \x1A\r\n"), "abc def");
  EXPECT_EQ(Trim(std::string_view("  ab\0cd  ", 9)), "ab");
  EXPECT_EQ(Trim(std::string_view(" ab \0cd", 8)), "ab ");  // blanks before a NUL stay
  EXPECT_EQ(Trim(std::string_view("\0abc", 4)), "");
  // Bytes above 0x7F are letters in Windows-1251, never blanks.
  EXPECT_EQ(Trim("\xC0\xE1 "), "\xC0\xE1");
  EXPECT_EQ(TrimRight(std::string_view("  ab\0\0", 6)), "  ab");
}

TEST(ReadWholeNumberTest, FollowsTheLeadingSignAndDigitsOnly) {
  EXPECT_EQ(ReadWholeNumber("42abc"), 42);
  EXPECT_EQ(ReadWholeNumber("-3"), -3);
  EXPECT_EQ(ReadWholeNumber("+7"), 7);
  EXPECT_EQ(ReadWholeNumber(" 5"), 0);
  EXPECT_EQ(ReadWholeNumber(""), 0);
  EXPECT_EQ(ReadWholeNumber("--1"), 0);
  EXPECT_EQ(ReadWholeNumber("4294967295"), -1);  // wraps like a 32-bit integer
}

TEST(TakeItemTest, ConsumesTheListItemByItem) {
  std::string_view list = "a||b|";
  EXPECT_EQ(TakeItem(list, '|'), "a");
  EXPECT_EQ(TakeItem(list, '|'), "");
  EXPECT_EQ(TakeItem(list, '|'), "b");
  EXPECT_TRUE(list.empty());
  list = "last";
  EXPECT_EQ(TakeItem(list, '|'), "last");
  EXPECT_TRUE(list.empty());
}

TEST(CaseTest, ChangesAsciiLettersOnly) {
  EXPECT_EQ(UpperAscii("name\xE0z"), "NAME\xE0Z");
  EXPECT_EQ(LowerAscii("C:\\DATA\xC0"), "c:\\data\xC0");
}

}  // namespace
}  // namespace quillon::support
