#include "platform/win/utf8.h"

#include <gtest/gtest.h>

#include "platform/win/display_width.h"

namespace {

TEST(Utf8, CountsCodePointsAndInvalidBytesOnce) {
  EXPECT_EQ(win::charCount(""), 0u);
  EXPECT_EQ(win::charCount("abc"), 3u);
  EXPECT_EQ(win::charCount("高程Z"), 3u);
  EXPECT_EQ(win::charCount("😀"), 1u);
  EXPECT_EQ(win::charCount("a\xFF\xE9"
                           "b"),
            4u);                              // two stray bytes
  EXPECT_EQ(win::charCount("\xE9\xAB"), 2u);  // truncated sequence
}

TEST(Utf8, RejectsOverlongSurrogatesAndOutOfRange) {
  EXPECT_TRUE(win::isValidUtf8("高程😀"));
  EXPECT_FALSE(win::isValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(win::isValidUtf8("\xE0\x80\xAF"));
  EXPECT_FALSE(win::isValidUtf8("\xED\xA0\x80"));
  EXPECT_FALSE(win::isValidUtf8("\xF4\x90\x80\x80"));
  EXPECT_EQ(win::sanitizeUtf8("a\xC0"
                              "b"),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(Utf8, TrimsAsciiAndIdeographicSpace) {
  EXPECT_EQ(win::trim(" \t高程\r\n"), "高程");
  EXPECT_EQ(win::trim("\xE3\x80\x80 a b \xE3\x80\x80"), "a b");
  EXPECT_EQ(win::trim("   "), "");
  EXPECT_EQ(win::trim(""), "");
}

TEST(Utf8, AsciiCaseLeavesOtherBytesAlone) {
  EXPECT_EQ(win::asciiUpper("zrk3.8 高程 é"), "ZRK3.8 高程 é");
  EXPECT_EQ(win::asciiLower("CPROFILE"), "cprofile");
  EXPECT_TRUE(win::equalsIgnoreAsciiCase("TrustedPaths", "TRUSTEDPATHS"));
  EXPECT_FALSE(win::equalsIgnoreAsciiCase("é", "É"));
}

TEST(Utf8, CutsOnlyAtCharacterBoundaries) {
  const std::string text = "a高程";  // 1 + 3 + 3 bytes
  EXPECT_EQ(win::cutAtCharBoundary(text, 0), "");
  EXPECT_EQ(win::cutAtCharBoundary(text, 3), "a");
  EXPECT_EQ(win::cutAtCharBoundary(text, 4), "a高");
  EXPECT_EQ(win::cutAtCharBoundary(text, 6), "a高");
  EXPECT_EQ(win::cutAtCharBoundary(text, 100), text);
  EXPECT_EQ(win::cutAtCharBoundary("a\xFF\xFF", 2), "a\xFF");
}

TEST(Utf8, DecodeAndAppendAgree) {
  for (char32_t cp : {U'A', U'\u00E9', U'\u9AD8', U'\U0001F600'}) {
    std::string s;
    win::appendUtf8(s, cp);
    std::size_t pos = 0;
    EXPECT_EQ(win::decodeNext(s, pos), cp);
    EXPECT_EQ(pos, s.size());
  }
  std::string s;
  win::appendUtf8(s, 0xD800);
  EXPECT_EQ(s, "\xEF\xBF\xBD");
}

TEST(Utf8, DisplayWidthCountsWideCharactersTwice) {
  EXPECT_EQ(win::displayWidth("abc"), 3u);
  EXPECT_EQ(win::displayWidth("高程Z"), 5u);             // CJK ideographs
  EXPECT_EQ(win::displayWidth("断面线：ＡＢ"), 12u);     // full-width colon and letters
  EXPECT_EQ(win::displayWidth("한글"), 4u);              // Hangul syllables
  EXPECT_EQ(win::displayWidth("\xF0\x9F\x98\x80"), 2u);  // an emoji
  // Three-byte characters outside the wide ranges take one cell.
  EXPECT_EQ(win::displayWidth("€5"), 2u);
  EXPECT_EQ(win::displayWidth("──"), 2u);
  EXPECT_EQ(win::displayWidth("°±"), 2u);
  EXPECT_EQ(win::displayWidth(""), 0u);
}

}  // namespace
