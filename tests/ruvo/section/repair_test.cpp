#include <gtest/gtest.h>

#include "ruvo/section/point_list.h"

namespace {

using namespace ruvo;

// A list as FinishPointList leaves it: start, the given inner points at distances 10, 20 …,
// end; start and end take their neighbours' elevations.
CDocData listOf(const std::vector<double>& heights, std::uint32_t type = PT_CROSS) {
  CDocData doc;
  auto add = [&](double dist, double high, std::uint32_t kind) {
    CDataStruct p;
    p.nNo = static_cast<int>(doc.pointList.size());
    p.dDist = dist;
    p.dHigh = high;
    p.nType = kind;
    doc.pointList.push_back(p);
  };
  add(0, heights.empty() ? 0 : heights.front(), PT_END);
  for (std::size_t i = 0; i < heights.size(); ++i) add(10.0 * (i + 1), heights[i], type);
  add(10.0 * (heights.size() + 1), heights.empty() ? 0 : heights.back(), PT_END);
  return doc;
}

std::vector<unsigned> revised(const CDocData& doc) {
  std::vector<unsigned> out;
  for (const CDataStruct& p : doc.pointList) out.push_back(p.bRevised);
  return out;
}

TEST(Median, OddEvenEmpty) {
  EXPECT_EQ(Median({}), 0.0);
  EXPECT_EQ(Median({3, 1, 2}), 2.0);
  EXPECT_EQ(Median({4, 1, 3, 2}), 2.5);
}

TEST(MarkAbnormalHeights, NeedsFiveCandidatesAndJudgesOnlyInnerOnes) {
  CDocData four = listOf({100, 100, 200, 100});
  MarkAbnormalHeights(four);
  EXPECT_EQ(revised(four), (std::vector<unsigned>(6, 0)));

  // Five candidates: a spike on the first candidate is never judged, one in the middle is.
  CDocData edge = listOf({300, 100, 100, 100, 100});
  MarkAbnormalHeights(edge);
  EXPECT_EQ(revised(edge), (std::vector<unsigned>(7, 0)));
  CDocData middle = listOf({100, 100, 300, 100, 100});
  MarkAbnormalHeights(middle);
  EXPECT_EQ(revised(middle), (std::vector<unsigned>{0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(middle.pointList[3].dHigh, 300.0);  // judging changes no elevation
}

TEST(MarkAbnormalHeights, FloorOfFifteenMetresAndUnusableCandidates) {
  CDocData below = listOf({100, 100, 114.9, 100, 100});
  MarkAbnormalHeights(below);
  EXPECT_EQ(below.pointList[3].bRevised, 0u);
  CDocData above = listOf({100, 100, 115.1, 100, 100});
  MarkAbnormalHeights(above);
  EXPECT_EQ(above.pointList[3].bRevised, 1u);
  // A wide spread of the neighbours raises the threshold above the floor.
  CDocData spread = listOf({100, 130, 150, 160, 100});
  MarkAbnormalHeights(spread);
  EXPECT_EQ(spread.pointList[3].bRevised, 0u);

  // Elevation 0 is flagged without being a candidate; deleted points are left out.
  CDocData zeros = listOf({100, 0, 100, 500, 100});
  zeros.pointList[4].bDelete = 1;
  MarkAbnormalHeights(zeros);
  EXPECT_EQ(revised(zeros), (std::vector<unsigned>{0, 0, 1, 0, 0, 0, 0}));
}

TEST(ExtendEndHeights, ExtrapolatesFromTheNearestUsablePair) {
  CDocData doc = listOf({100, 0, 110, 120});
  doc.pointList[2].nType = PT_KNEE;
  ExtendEndHeights(doc);
  // Start: line through 10 -> 100 and 30 -> 110 (the knee is skipped) at 0.
  EXPECT_DOUBLE_EQ(doc.pointList.front().dHigh, 95.0);
  // End: line through 30 -> 110 and 40 -> 120 at 50.
  EXPECT_DOUBLE_EQ(doc.pointList.back().dHigh, 130.0);
  EXPECT_EQ(doc.pointList.front().bRevised, 1u);
  EXPECT_EQ(doc.pointList.back().bRevised, 1u);

  // One usable inner point: the end may serve for the start, the start is flagged by then.
  CDocData one = listOf({100});
  one.pointList.back().dHigh = 120;
  ExtendEndHeights(one);
  EXPECT_DOUBLE_EQ(one.pointList.front().dHigh, 80.0);
  EXPECT_EQ(one.pointList.back().dHigh, 120.0);
  EXPECT_EQ(one.pointList.back().bRevised, 0u);
}

TEST(ExtendEndHeights, SourcesAtOneDistanceLeaveTheElevation) {
  CDocData doc = listOf({100, 120});
  doc.pointList[2].dDist = doc.pointList[1].dDist;
  ExtendEndHeights(doc);
  EXPECT_EQ(doc.pointList.front().dHigh, 100.0);
  EXPECT_EQ(doc.pointList.back().dHigh, 120.0);
  EXPECT_EQ(doc.pointList.front().bRevised, 0u);
}

TEST(RepairHeights, KneesAndAbnormalPointsWithAndWithoutAutoAssign) {
  CDocData base = listOf({100, 102, 0, 106, 300, 110, 112});
  base.pointList[3].nType = PT_KNEE;
  CDocData manual = base;
  manual.AutoAssign = 0;
  RepairHeights(manual, Edition::Current);
  EXPECT_EQ(revised(manual), (std::vector<unsigned>{1, 0, 0, 1, 0, 1, 0, 0, 1}));
  EXPECT_EQ(manual.pointList[3].dHigh, 0.0);  // only highlighted
  EXPECT_EQ(manual.pointList[5].dHigh, 300.0);
  EXPECT_DOUBLE_EQ(manual.pointList.front().dHigh, 98.0);
  EXPECT_DOUBLE_EQ(manual.pointList.back().dHigh, 114.0);

  CDocData automatic = base;
  RepairHeights(automatic, Edition::Current);
  EXPECT_DOUBLE_EQ(automatic.pointList[3].dHigh, 104.0);
  EXPECT_DOUBLE_EQ(automatic.pointList[5].dHigh, 108.0);
  EXPECT_EQ(automatic.pointList[5].bRevised, 1u);
}

TEST(InterpolateHeights, OnlyUnflaggedSourcesAndNoZeroSpans) {
  // Flagged points before the first unflagged inner point keep their elevations: the
  // extrapolated start is flagged too.
  CDocData doc = listOf({0, 0, 104, 0, 0, 110});
  doc.pointList.front().bRevised = 1;
  for (int i : {1, 2, 4, 5}) doc.pointList[i].bRevised = 1;
  InterpolateHeights(doc);
  EXPECT_EQ(doc.pointList[1].dHigh, 0.0);
  EXPECT_EQ(doc.pointList[2].dHigh, 0.0);
  // Both interpolated from 104 at 30 and 110 at 60, never from each other.
  EXPECT_DOUBLE_EQ(doc.pointList[4].dHigh, 106.0);
  EXPECT_DOUBLE_EQ(doc.pointList[5].dHigh, 108.0);

  CDocData same = listOf({100, 0, 120});
  same.pointList[2].bRevised = 1;
  for (CDataStruct& p : same.pointList) p.dDist = 5.0;
  InterpolateHeights(same);
  EXPECT_EQ(same.pointList[2].dHigh, 0.0);
}

TEST(RepairHeightsLegacy, InterpolatesOnlyMissingElevations) {
  CDocData doc = listOf({100, 0, 104, 300, 0, 110});
  doc.pointList[2].nType = PT_KNEE;
  doc.pointList[5].nType = PT_CROSS;
  doc.pointList[3].bDelete = 1;  // not a source
  RepairHeights(doc, Edition::Legacy);
  EXPECT_EQ(doc.pointList[4].bRevised, 0u);  // no abnormal test: the spike stays
  EXPECT_EQ(doc.pointList[4].dHigh, 300.0);
  EXPECT_DOUBLE_EQ(doc.pointList[2].dHigh, 100 + (300.0 - 100) / 30 * 10);
  EXPECT_DOUBLE_EQ(doc.pointList[5].dHigh, 300 + (110.0 - 300) / 20 * 10);
  EXPECT_EQ(doc.pointList[2].bRevised, 1u);
  EXPECT_EQ(doc.pointList.front().bRevised, 1u);

  // Without AutoAssign only knee points are interpolated.
  CDocData manual = listOf({100, 0, 0, 110});
  manual.pointList[2].nType = PT_KNEE;
  manual.AutoAssign = 0;
  RepairHeights(manual, Edition::Legacy);
  EXPECT_DOUBLE_EQ(manual.pointList[2].dHigh, 100 + 10.0 / 30 * 10);
  EXPECT_EQ(manual.pointList[3].dHigh, 0.0);
  EXPECT_EQ(manual.pointList[3].bRevised, 0u);
}

}  // namespace
