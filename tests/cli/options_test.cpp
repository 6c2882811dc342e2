#include "cli/options.h"

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
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

// With the scales tied (the default), setting the horizontal one sets the vertical one too,
// as on the drawing page; untied, each keeps its own; a later YScale wins.
TEST(ApplySetting, TiedScalesFollowTheHorizontalOne) {
  ruvo::CDocData doc;
  std::string error;
  ASSERT_EQ(doc.bXYEqual, 1);
  ASSERT_TRUE(ApplySetting(doc, "XScale=4000", error));
  EXPECT_EQ(doc.YScale, 4000);
  ASSERT_TRUE(ApplySetting(doc, "bXYEqual=0", error));
  ASSERT_TRUE(ApplySetting(doc, "XScale=2000", error));
  EXPECT_EQ(doc.YScale, 4000);
  ASSERT_TRUE(ApplySetting(doc, "bXYEqual=1", error));
  EXPECT_EQ(doc.YScale, 2000);
  ASSERT_TRUE(ApplySetting(doc, "YScale=250", error));
  EXPECT_EQ(doc.YScale, 250);
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

TEST(DescribeSettings, EverySettingHasItsDefaultAndMeaning) {
  ruvo::CDocData doc;
  doc.XScale = 1000;
  const auto infos = DescribeSettings(doc);
  ASSERT_EQ(infos.size(), SettingNames().size());
  for (const SettingInfo& info : infos) EXPECT_FALSE(info.meaning.empty()) << info.name;
  const auto x =
      std::find_if(infos.begin(), infos.end(), [](auto& i) { return i.name == "XScale"; });
  ASSERT_NE(x, infos.end());
  EXPECT_EQ(x->value, "1000");
  EXPECT_EQ(x->fallback, "500");
  EXPECT_TRUE(x->stored);
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
  p.ptPos.x = 512059.41400000005;
  ruvo::CDataStruct broken;
  broken.strNote = "\xff";
  doc.pointList = {p, broken};
  std::ostringstream out;
  SectionReport report;
  report.warnings = {"w"};
  WriteSectionJson(out, report, doc);
  const auto json = nlohmann::json::parse(out.str());
  EXPECT_TRUE(json["drawing"].is_null());
  EXPECT_EQ(json["warnings"], nlohmann::json::array({"w"}));
  EXPECT_EQ(json["points"][0]["idObject"], "11F2");
  EXPECT_EQ(json["points"][0]["x"].get<double>(), 512059.41400000005);
  EXPECT_TRUE(json["points"][1]["idObject"].is_null());
  EXPECT_EQ(json["points"][0]["strLayer"], "首曲线");
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
