#include "support/case_folding.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon::support {
namespace {

TEST(CaseFoldingTest, FoldsAsciiAndEveryCyrillicCapitalOfWindows1251) {
  std::string text =
      "ABC xyz \xCC\xCE\xD1\xD2 \xC0\xDF \xA8 \x80\x81\x8A\x8C\x8D\x8E\x8F\xA1\xA3\xA5\xAA\xAF\xB2\xBD";
  LowerCp1251(text);
  EXPECT_EQ(text,
            "abc xyz \xEC\xEE\xF1\xF2 \xE0\xFF \xB8 \x90\x83\x9A\x9C\x9D\x9E\x9F\xA2\xBC\xB4\xBA\xBF\xB3\xBE");
  // Small letters, digits and signs such as No. (0xB9) stay as they are.
  std::string others = "\xE0\xFF\xB8\xB9 09_";
  const std::string copy = others;
  LowerCp1251(others);
  EXPECT_EQ(others, copy);
}

}  // namespace
}  // namespace quillon::support
