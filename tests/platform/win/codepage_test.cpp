#include "platform/win/codepage.h"

#include <gtest/gtest.h>

#include "platform/win/utf8.h"

namespace {

const std::string kChinese = "断面高程测量 地形图 等高线";
const std::string kReplacement = "\xEF\xBF\xBD";

TEST(Codepage, ChineseRoundTripsThroughGbkAndGb18030) {
  const std::string gbk = win::utf8ToGbk(kChinese);
  EXPECT_EQ(gbk.substr(0, 4), "\xB6\xCF\xC3\xE6");  // 断面
  EXPECT_EQ(win::gbkToUtf8(gbk), kChinese);
  EXPECT_EQ(win::fromUtf8(kChinese, "GBK"), gbk);
  EXPECT_EQ(win::toUtf8(gbk, "GBK"), kChinese);
  EXPECT_EQ(win::toUtf8(*win::fromUtf8(kChinese, "GB18030"), "GB18030"), kChinese);
}

TEST(Codepage, TextGbkCannotEncodeFallsBackToGb18030) {
  // U+20AC and an emoji are outside GBK; GB18030 has them.
  const std::string text = "高程€😀A";
  EXPECT_FALSE(win::fromUtf8(text, "GBK").has_value());
  const std::string bytes = win::utf8ToGbk(text);
  EXPECT_EQ(bytes.substr(0, 4), "\xB8\xDF\xB3\xCC");
  EXPECT_EQ(bytes.back(), 'A');
  EXPECT_EQ(win::gbkToUtf8(bytes), text);
}

TEST(Codepage, GbkBytesEqualGb18030ForEveryCharacterGbkEncodes) {
  // The writer relies on this: GBK output must read back whole through the GB18030 decoder.
  int checked = 0;
  for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string one;
    win::appendUtf8(one, cp);
    const auto gbk = win::fromUtf8(one, "GBK");
    if (!gbk) continue;
    ++checked;
    EXPECT_EQ(win::gbkToUtf8(win::utf8ToGbk(one)), one) << std::hex << int(cp);
  }
  EXPECT_GT(checked, 20000);
}

TEST(Codepage, InvalidBytesBecomeReplacementCharacters) {
  // A lone GBK lead byte before ASCII keeps the ASCII; a truncated tail is replaced too.
  EXPECT_EQ(win::gbkToUtf8("a\x81 b"), "a" + kReplacement + " b");
  EXPECT_EQ(win::gbkToUtf8("\xB6\xCF\xB6"), "断" + kReplacement);
  EXPECT_EQ(win::toUtf8("x\xFF", "GBK"), "x" + kReplacement);
  EXPECT_EQ(win::toUtf8("\x81", "CP1252"), kReplacement);
  EXPECT_EQ(win::toUtf8("ok\xC3", "UTF-8"), "ok" + kReplacement);
  EXPECT_TRUE(win::isValidUtf8(win::toUtf8(std::string("\0\xFE\xFF\x80", 4), "CP932")));
}

TEST(Codepage, WindowsCodePagesDecode) {
  EXPECT_EQ(win::toUtf8("\x80 caf\xE9", "CP1252"), "€ café");
  EXPECT_EQ(win::toUtf8("\x82\xA0", "CP932"), "あ");
  EXPECT_EQ(win::toUtf8("\xC7", "CP1256"), "ا");
  EXPECT_EQ(win::toUtf8("\x82", "CP850"), "é");
  EXPECT_EQ(win::toUtf8("\x8A", "CP1250"), "Š");
  EXPECT_EQ(win::fromUtf8("€ café", "CP1252"), "\x80 caf\xE9");
}

TEST(Codepage, UnknownCodepageAndBadInputNeverFail) {
  EXPECT_FALSE(win::isKnownCodepage("NO-SUCH-PAGE"));
  EXPECT_TRUE(win::isKnownCodepage("GB18030"));
  EXPECT_EQ(win::toUtf8("ab\xB6\xCF", "NO-SUCH-PAGE"), "ab" + kReplacement + kReplacement);
  EXPECT_EQ(win::toUtf8("ab", ""), "ab");
  EXPECT_FALSE(win::fromUtf8("ab", "NO-SUCH-PAGE").has_value());
  EXPECT_FALSE(win::fromUtf8("a\xFF", "GBK").has_value());
  EXPECT_EQ(win::utf8ToGbk("a\xFF"
                           "b"),
            "a?b");
  EXPECT_EQ(win::toUtf8("", "GBK"), "");
  EXPECT_EQ(win::utf8ToGbk(""), "");
}

TEST(Codepage, LongTextConverts) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "等高线€";
  EXPECT_TRUE(win::gbkToUtf8(win::utf8ToGbk(text)) == text);
}

}  // namespace
