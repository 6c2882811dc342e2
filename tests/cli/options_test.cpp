#include "cli/options.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "cli/section_output.h"

namespace {

using namespace cli;

TEST(ApplySetting, SetsMembersByNameAndRefusesBadValues) {
  ruvo::CDocData doc;
  std::string error;
  EXPECT_TRUE(ApplySetting(doc, "AutoAssign=0", error));
  EXPECT_TRUE(ApplySetting(doc, "FilterHMin=12.5", error));
  EXPECT_TRUE(ApplySetting(doc, "strPmName=A,B =C", error));
  EXPECT_EQ(doc.AutoAssign, 0);
  EXPECT_EQ(doc.FilterHMin, 12.5);
  EXPECT_EQ(doc.strPmName, "A,B =C");

  for (const char* bad : {"KneePnt=1.5", "FilterHMax=nan", "FilterHMax=", "Nothing=1", "KneePnt"}) {
    error.clear();
    EXPECT_FALSE(ApplySetting(doc, bad, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  EXPECT_EQ(doc.KneePnt, 0);
  EXPECT_EQ(doc.FilterHMax, 9000.0);
  EXPECT_EQ(SettingNames().size(), 34u);
}

TEST(ParseLists, NumbersAndEscapedNames) {
  EXPECT_EQ(ParseNumberList("1.5,-2", 2), (std::vector<double>{1.5, -2}));
  EXPECT_FALSE(ParseNumberList("1.5,-2", 4));
  EXPECT_FALSE(ParseNumberList("1,x", 2));
  EXPECT_FALSE(ParseNumberList("1,,2", 2));
  EXPECT_EQ(SplitNameList("首曲线,A\\,B,C\\\\"),
            (std::vector<std::string>{"首曲线", "A,B", "C\\"}));
  EXPECT_EQ(SplitNameList(",x"), (std::vector<std::string>{"", "x"}));
  EXPECT_TRUE(SplitNameList("").empty());
}

TEST(ArgReader, OptionsWithAndWithoutEquals) {
  std::vector<std::string_view> args = {"--set", "A=1", "--out=x", "--json", "--line"};
  ArgReader reader(args);
  std::string_view value;
  EXPECT_TRUE(reader.option("--set", value));
  EXPECT_EQ(value, "A=1");
  EXPECT_FALSE(reader.option("--set", value));
  EXPECT_TRUE(reader.option("--out", value));
  EXPECT_EQ(value, "x");
  EXPECT_TRUE(reader.flag("--json"));
  EXPECT_TRUE(reader.option("--line", value));
  EXPECT_TRUE(reader.missingValue());
  EXPECT_TRUE(reader.done());
}

TEST(SectionOutput, JsonKeepsFullPrecisionAndEscapes) {
  EXPECT_EQ(JsonNumber(0.1), "0.1");
  EXPECT_EQ(JsonNumber(512059.41400000005), "512059.41400000005");
  EXPECT_EQ(JsonNumber(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(JsonString("a\"b\\\n\x01"), "\"a\\\"b\\\\\\n\\u0001\"");
  EXPECT_EQ(MessageLines("\n命令:用户取消\n \r\nx"),
            (std::vector<std::string>{"命令:用户取消", "x"}));

  ruvo::CDocData doc;
  ruvo::CDataStruct p;
  p.idObject = 0x11f2;
  p.strLayer = "首曲线";
  doc.pointList = {p, ruvo::CDataStruct()};
  std::ostringstream out;
  WriteSectionJson(out, SectionReport{}, doc);
  const std::string text = out.str();
  EXPECT_NE(text.find("\"drawing\": null"), std::string::npos);
  EXPECT_NE(text.find("\"idObject\":\"11F2\""), std::string::npos);
  EXPECT_NE(text.find("\"idObject\":null"), std::string::npos);
  EXPECT_NE(text.find("\"strLayer\":\"首曲线\""), std::string::npos);
}

TEST(SectionOutput, TableListsWhatTheDisplayModeShows) {
  ruvo::CDocData doc;
  ruvo::CDataStruct start, knee, cross;
  start.nType = ruvo::PT_END;
  start.strNote = "起点";
  start.dHigh = 12.5;
  knee.nType = ruvo::PT_KNEE;
  knee.nNo = 1;
  knee.strNote = "拐点";
  cross.nNo = 2;
  cross.dHigh = 7.0;
  cross.bRevised = 1;
  doc.pointList = {start, knee, cross};
  std::ostringstream out;
  WritePointTable(out, doc);
  EXPECT_NE(out.str().find("12.5 "), std::string::npos);
  EXPECT_NE(out.str().find("7*"), std::string::npos);
  EXPECT_EQ(out.str().find("拐点"), std::string::npos);
  doc.KneePnt = 2;
  std::ostringstream knees;
  WritePointTable(knees, doc);
  EXPECT_NE(knees.str().find("拐点"), std::string::npos);
  EXPECT_EQ(knees.str().find("7*"), std::string::npos);
}

}  // namespace
