// Warnings about sections that were cut without error but are likely not what was meant.

#include "cli/survey_checks.h"

#include <gtest/gtest.h>

#include "platform/cad/polylines.h"
#include "ruvo/section/records.h"

namespace {

ruvo::CDocData Section(std::vector<double> heights, double length = 100) {
  ruvo::CDocData doc;
  doc.vertexList.resize(2);
  doc.vertexList[1].dDist = length;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    ruvo::CDataStruct p;
    p.nNo = static_cast<std::uint32_t>(i);
    p.nType = ruvo::PT_CROSS;
    p.dHigh = heights[i];
    doc.pointList.push_back(p);
  }
  return doc;
}

TEST(SurveyWarnings, SaysWhatASurveyorMustHear) {
  EXPECT_TRUE(cli::SurveyWarnings(Section({800, 805, 810, 805}), 5.0).empty());

  const auto zeros = cli::SurveyWarnings(Section({0, 0, 0}), 5.0);
  ASSERT_EQ(zeros.size(), 1u);
  EXPECT_NE(zeros[0].find("no crossing carries an elevation"), std::string::npos);

  // start and end only: nothing was crossed
  auto none = Section({0, 0});
  for (auto& p : none.pointList) p.nType = ruvo::PT_END;
  const auto flat = cli::SurveyWarnings(none, 5.0);
  ASSERT_EQ(flat.size(), 1u);
  EXPECT_NE(flat[0].find("crosses nothing"), std::string::npos);

  const auto degrees = cli::SurveyWarnings(Section({800, 805}, 0.002), 5.0);
  ASSERT_EQ(degrees.size(), 1u);
  EXPECT_NE(degrees[0].find("shorter than one unit"), std::string::npos);

  // A jump of two intervals names the pair; one across a repaired point does not count.
  auto doc = Section({800, 805, 815, 820, 830});
  doc.pointList[3].bRevised = 1;
  const auto jumps = cli::SurveyWarnings(doc, 5.0);
  ASSERT_EQ(jumps.size(), 1u);
  EXPECT_NE(jumps[0].find("interval 5 between 1 pairs"), std::string::npos) << jumps[0];
  EXPECT_NE(jumps[0].find("No 2-3 (805 to 815)"), std::string::npos) << jumps[0];
}

TEST(ContourInterval, TheMostFrequentStepBetweenElevations) {
  cad::Database db;
  EXPECT_FALSE(cli::ContourInterval(db));
  for (double z : {800.0, 805.0, 810.0, 810.0, 815.0, 825.0, 0.0}) {
    auto pline = std::make_unique<cad::LwPolyline>();
    pline->setElevation(z);
    ASSERT_TRUE(db.appendToModelSpace(std::move(pline)).ok());
  }
  EXPECT_EQ(cli::ContourInterval(db), 5.0);
}

}  // namespace
