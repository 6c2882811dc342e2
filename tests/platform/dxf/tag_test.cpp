#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dxf/group_codes.h"
#include "platform/dxf/tag_reader.h"
#include "platform/dxf/tag_writer.h"
#include "support/shared_data.h"
#include "test_files.h"

namespace dxf {
namespace {

struct Plain {
  int code;
  std::string value;
  bool operator==(const Plain&) const = default;
};

std::vector<Plain> allTags(std::string_view data, std::string* error = nullptr) {
  TagReader reader(data);
  std::vector<Plain> tags;
  Tag tag;
  while (reader.next(tag)) {
    tags.push_back({tag.code, std::string(tag.value)});
    if (tag.code == 0 && tag.value == "EOF") break;
  }
  if (error) *error = reader.error();
  return tags;
}

void writeTyped(TagWriter& w, const Tag& tag) {
  switch (valueTypeOf(tag.code)) {
    case ValueType::Real:
      w.real(tag.code, realOf(tag).value());
      break;
    case ValueType::Int16:
    case ValueType::Int32:
    case ValueType::Int64:
    case ValueType::Bool:
      w.integer(tag.code, integerOf(tag).value());
      break;
    case ValueType::Binary:
      w.bytes(tag.code, bytesOf(tag).value());
      break;
    case ValueType::Text:
      w.text(tag.code, tag.value);
      break;
  }
}

// Every shared drawing tokenises to its end, and writing its tags again through the
// typed writer gives the same tags (values compared after parsing for numbers).
TEST(TagLayer, EverySharedDrawingRoundTripsTagByTag) {
  KESTRA_REQUIRE_SHARED_DATA();
  auto files = testing::sharedDrawings();
  ASSERT_GT(files.size(), 60u);
  for (const auto& path : files) {
    SCOPED_TRACE(testing::shortName(path));
    std::string data = testing::readWhole(path);
    TagReader reader(data);
    std::string out;
    if (reader.isBinary()) out.append(kBinarySentinel);
    OutputForm form{reader.isBinary(), data.size() > 23 && data[22] == 0 && data[23] == 0,
                    reader.lineEnd()};
    TagWriter writer(out, form);
    Tag tag;
    std::size_t count = 0;
    bool sawEof = false;
    while (reader.next(tag)) {
      ++count;
      writeTyped(writer, tag);
      if (tag.code == 0 && tag.value == "EOF") {
        sawEof = true;
        break;
      }
    }
    EXPECT_FALSE(reader.failed()) << reader.error();
    // One damaged file ends without EOF; the rest must reach it.
    EXPECT_TRUE(sawEof || path.filename() == "recover01.dxf");
    TagReader again(out);
    TagReader original(data);
    Tag a, b;
    std::size_t compared = 0;
    while (original.next(a) && compared < count) {
      ASSERT_TRUE(again.next(b)) << "tag " << compared;
      ASSERT_EQ(a.code, b.code) << "tag " << compared;
      switch (valueTypeOf(a.code)) {
        case ValueType::Real:
          ASSERT_EQ(realOf(a), realOf(b)) << "tag " << compared;
          break;
        case ValueType::Text:
          ASSERT_EQ(a.value, b.value) << "tag " << compared;
          break;
        default:
          ASSERT_EQ(integerOf(a).has_value() ? integerOf(a) : std::nullopt, integerOf(b));
          break;
      }
      ++compared;
    }
    EXPECT_EQ(compared, count);
  }
}

TEST(TagLayer, AsciiDetailsLineEndsBlanksAndPositions) {
  std::string crlf = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n 10\r\n 1.5 \r\n";
  TagReader reader(crlf);
  EXPECT_EQ(reader.lineEnd(), "\r\n");
  Tag tag;
  ASSERT_TRUE(reader.next(tag));
  EXPECT_EQ(tag.code, 0);
  EXPECT_EQ(tag.value, "SECTION");
  EXPECT_EQ(tag.line, 1u);
  ASSERT_TRUE(reader.next(tag));
  ASSERT_TRUE(reader.next(tag));
  EXPECT_EQ(tag.line, 5u);
  EXPECT_EQ(realOf(tag), 1.5);
  EXPECT_EQ(crlf.substr(tag.begin, tag.end - tag.begin), " 10\r\n 1.5 \r\n");
  EXPECT_FALSE(reader.next(tag));
  EXPECT_FALSE(reader.failed());

  // Last line without a line end; a UTF-8 byte order mark before the first tag.
  auto tags = allTags(
      "\xEF\xBB\xBF"
      "0\nSECTION\n0\nEOF");
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(tags[1], (Plain{0, "EOF"}));
}

TEST(TagLayer, MalformedInputStopsWithLineNumber) {
  std::string error;
  allTags("  0\nSECTION\nXY\nfoo\n", &error);
  EXPECT_EQ(error, "line 3: invalid group code");
  allTags("  0\nSECTION\n  2", &error);
  EXPECT_EQ(error, "line 3: group code without a value");
  allTags("  0\nSECTION\n99999\nfoo\n", &error);
  EXPECT_EQ(error, "line 3: invalid group code");
  // Trailing blank lines are the end of the file, not an error.
  allTags("  0\nEOF\n\n\n", &error);
  EXPECT_EQ(error, "");
}

TEST(TagLayer, NumbersParseStrictly) {
  auto value = [](std::string text) {
    Tag tag;
    tag.code = 10;
    tag.value = text;
    return realOf(tag);
  };
  EXPECT_EQ(value("  -2.5E+03"), -2500.0);
  EXPECT_EQ(value("+7"), 7.0);
  EXPECT_EQ(value("1.5x"), std::nullopt);
  EXPECT_EQ(value(""), std::nullopt);
  EXPECT_EQ(value("nan"), std::nullopt);
  Tag flag;
  flag.code = 70;
  flag.value = "1.0";
  EXPECT_EQ(integerOf(flag), 1);
  flag.value = "1.5";
  EXPECT_EQ(integerOf(flag), std::nullopt);
}

TEST(TagLayer, BinaryTruncationIsReportedNotOverrun) {
  std::string data(kBinarySentinel);
  data += std::string("\0\0SECTION\0\x0a\0", 12);  // code 10 needs 8 bytes, none follow
  std::string error;
  allTags(data, &error);
  EXPECT_EQ(error, "byte 32: truncated value");
  std::string unterminated(kBinarySentinel);
  unterminated += std::string("\0\0SECT", 6);
  allTags(unterminated, &error);
  EXPECT_EQ(error, "byte 22: truncated value");
}

TEST(TagLayer, WriterFormsCodesRealsAndBinaryChunks) {
  std::string out;
  TagWriter w(out, {false, true, "\n"});
  w.text(0, "LINE");
  w.real(10, 3.0);
  w.real(20, 0.1);
  w.integer(1071, 5);
  w.bytes(310, "\x01\xAB");
  EXPECT_EQ(out, "  0\nLINE\n 10\n3.0\n 20\n0.1\n1071\n5\n310\n01AB\n");
  EXPECT_EQ(formatReal(1e21), "1e+21");

  std::string bin;
  TagWriter b(bin, {true, false, "\n"});
  b.integer(1071, 7);  // beyond one byte: escape 255 then two bytes
  b.integer(290, 1);   // also escaped: 290 does not fit one byte
  EXPECT_EQ(bin, std::string("\xFF\x2F\x04\x07\0\0\0\xFF\x22\x01\x01", 11));
}

}  // namespace
}  // namespace dxf
