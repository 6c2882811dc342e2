#include "platform/dxf/text_codec.h"

#include <gtest/gtest.h>

namespace dxf {
namespace {

const std::string kGbkShouQuXian = "\xCA\xD7\xC7\xFA\xCF\xDF";  // 首曲线 in GBK
const std::string kUtf8ShouQuXian = "\xE9\xA6\x96\xE6\x9B\xB2\xE7\xBA\xBF";

TEST(TextCodec, DetectionTrustsTheFileOverTheHeader) {
  // AC1021 and later are UTF-8 whatever the code page says.
  EXPECT_TRUE(detectEncoding("AC1024", "ANSI_936", "").utf8);
  // GBK text under ANSI_936 is GBK; UTF-8 bytes under ANSI_936 are UTF-8.
  TextEncoding gbk = detectEncoding("AC1018", "ANSI_936", "  8\n" + kGbkShouQuXian + "\n");
  EXPECT_FALSE(gbk.utf8);
  EXPECT_EQ(gbk.codepage, "GB18030");
  EXPECT_TRUE(detectEncoding("AC1018", "ANSI_936", "  8\n" + kUtf8ShouQuXian + "\n").utf8);
  // Pure ASCII decodes the same under any code page; the declared one is kept for writing.
  TextEncoding ascii = detectEncoding("AC1015", "ansi_1252", "  8\nLAYER\n");
  EXPECT_FALSE(ascii.utf8);
  EXPECT_EQ(ascii.codepage, "CP1252");
  EXPECT_EQ(iconvName("dos850"), "CP850");
  EXPECT_EQ(iconvName("no such page"), "CP1252");
}

// A UTF-8 file with one text in GBK (a writer that ignored the format): that text is read
// as GBK, every other one as UTF-8, and the file stays UTF-8. A file wholly in GBK under a
// UTF-8 version is read as GBK.
TEST(TextCodec, AStrayCodePageTextInAUtf8FileIsReadAlone) {
  std::string mixed;
  for (int i = 0; i < 20; ++i) mixed += "  8\n" + kUtf8ShouQuXian + "\n";
  mixed += "  8\n" + kGbkShouQuXian + "\n";
  const TextEncoding e = detectEncoding("AC1024", "ANSI_936", mixed);
  EXPECT_TRUE(e.utf8);
  EXPECT_EQ(e.fallback, "GB18030");
  EXPECT_NE(e.note.find("some texts"), std::string::npos) << e.note;
  EXPECT_EQ(decodeText(kUtf8ShouQuXian, e), kUtf8ShouQuXian);
  EXPECT_EQ(decodeText(kGbkShouQuXian, e), kUtf8ShouQuXian);
  EXPECT_EQ(encodeText(kUtf8ShouQuXian, e), kUtf8ShouQuXian);

  std::string gbk;
  for (int i = 0; i < 20; ++i) gbk += "  8\n" + kGbkShouQuXian + "\n";
  const TextEncoding g = detectEncoding("AC1024", "ANSI_936", gbk);
  EXPECT_FALSE(g.utf8);
  EXPECT_EQ(g.codepage, "GB18030");
  EXPECT_EQ(decodeText(kGbkShouQuXian, g), kUtf8ShouQuXian);
}

TEST(TextCodec, DecodesCodepagesAndEscapes) {
  TextEncoding gbk = detectEncoding("AC1018", "ANSI_936", "");
  EXPECT_EQ(decodeText(kGbkShouQuXian, gbk), kUtf8ShouQuXian);
  TextEncoding latin = detectEncoding("AC1015", "ANSI_1252", "");
  EXPECT_EQ(decodeText("Gr\xFC\xDF", latin), "Gr\xC3\xBC\xC3\x9F");
  EXPECT_EQ(decodeText("\\U+00FCber \\u+00e4", latin),
            "\xC3\xBC"
            "ber \xC3\xA4");
  // A character beyond the basic plane as a surrogate pair of escapes.
  EXPECT_EQ(decodeText("\\U+D83D\\U+DE00", latin), "\xF0\x9F\x98\x80");
  // \M+5 is a code page 936 double-byte character.
  EXPECT_EQ(decodeText("\\M+5CAD7", latin), "\xE9\xA6\x96");
  // Malformed escapes and other backslash codes stay as they are.
  EXPECT_EQ(decodeText("\\U+12G4 \\P \\M+9ABCD", latin), "\\U+12G4 \\P \\M+9ABCD");
  // Invalid bytes in a UTF-8 file never make invalid UTF-8 in memory.
  TextEncoding utf8 = detectEncoding("AC1027", "", "");
  EXPECT_EQ(decodeText("a\xFF", utf8), "a\xEF\xBF\xBD");
}

TEST(TextCodec, EncodesBackAndEscapesWhatThePageCannotHold) {
  TextEncoding gbk = detectEncoding("AC1018", "ANSI_936", "");
  EXPECT_EQ(encodeText(kUtf8ShouQuXian, gbk), kGbkShouQuXian);
  TextEncoding latin = detectEncoding("AC1015", "ANSI_1252", "");
  EXPECT_EQ(encodeText("\xC3\xBC"
                       "\xE9\xA6\x96",
                       latin),
            "\xFC\\U+9996");
  EXPECT_EQ(encodeText("\xF0\x9F\x98\x80", latin), "\\U+D83D\\U+DE00");
  EXPECT_EQ(decodeText(encodeText("x\xF0\x9F\x98\x80y", latin), latin), "x\xF0\x9F\x98\x80y");
}

}  // namespace
}  // namespace dxf
