// ASCII letter case: only 'a'-'z' and 'A'-'Z' change, so names in UTF-8 pass through intact.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/ascii_case.h"

namespace pictavia {

TEST(AsciiCase, OnlyAsciiLettersChange) {
  EXPECT_EQ(UpperCase("photo.jpg 09_@[`{"), "PHOTO.JPG 09_@[`{");
  EXPECT_EQ(LowerCase("PHOTO.JPG 09_@[`{"), "photo.jpg 09_@[`{");
  // "Été.png" in UTF-8: the two-byte letters stay as they are.
  EXPECT_EQ(UpperCase("\xC3\x89t\xC3\xA9.png"), "\xC3\x89T\xC3\xA9.PNG");
  EXPECT_EQ(LowerCase("\xC3\x89T\xC3\xA9.PNG"), "\xC3\x89t\xC3\xA9.png");
  EXPECT_EQ(UpperCase(""), "");
}

TEST(AsciiCase, SameTextIgnoresOnlyTheCaseOfAsciiLetters) {
  EXPECT_TRUE(SameText("Bmp", "bMP"));
  EXPECT_TRUE(SameText("", ""));
  EXPECT_FALSE(SameText("bmp", "bm"));
  EXPECT_FALSE(SameText("bm", "bmp"));
  EXPECT_FALSE(SameText("@", "`"));                // one case bit apart, but not letters
  EXPECT_FALSE(SameText("\xC3\xA9", "\xC3\x89"));  // é and É are not ASCII
}

}  // namespace pictavia
