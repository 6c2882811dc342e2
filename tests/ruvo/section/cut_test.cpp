#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/host/display.h"
#include "ruvo/host/host_access.h"
#include "section_host.h"

namespace {

using namespace ruvo;
using host::headless::ScriptAnswer;
using section_testing::pv;
using section_testing::SectionHostTest;
using section_testing::v;

struct Expected {
  double dist;
  double high;
};

std::vector<const CDataStruct*> crossings(const CDocData& doc) {
  std::vector<const CDataStruct*> out;
  for (const CDataStruct& p : doc.pointList) {
    if (p.nType == PT_CROSS) out.push_back(&p);
  }
  return out;
}

class CutTest : public SectionHostTest {};

TEST_F(CutTest, EveryCurveKindWithTheElevationOfItsType) {
  addEveryKind();
  const cad::ObjectId section = line({0, 0, 0}, {100, 0, 0}, "断面线");
  CDocData doc;
  doc.AutoAssign = 0;
  ASSERT_TRUE(acquire(doc, section));
  EXPECT_NE(take().find("\n共获取交点10个\n"), std::string::npos);

  const std::vector<Expected> expected = {{10, 101}, {20, 102}, {30, 103}, {40, 104}, {50, 105},
                                          {60, 106}, {70, 106}, {77, 107}, {83, 107}, {90, 108}};
  const auto hits = crossings(doc);
  ASSERT_EQ(hits.size(), expected.size());
  for (std::size_t i = 0; i < hits.size(); ++i) {
    EXPECT_NEAR(hits[i]->dDist, expected[i].dist, 1e-9) << i;
    EXPECT_EQ(hits[i]->dHigh, expected[i].high) << i;
    EXPECT_NE(hits[i]->idObject, 0u);
    EXPECT_EQ(hits[i]->strLayer, i == 0 ? "A" : "DGX");
  }
  EXPECT_EQ(doc.pointList.size(), 12u);
  EXPECT_EQ(doc.pointList.back().dDist, 100.0);
  EXPECT_EQ(doc.layerList, (std::vector<std::string>{"A", "DGX"}));
  ASSERT_EQ(doc.vertexList.size(), 2u);
  EXPECT_EQ(doc.vertexList[1].dDist, 100.0);
}

// Splines stored by their fit points alone are the cubic through them (chord lengths in
// space, so a contour's fit points share one Z). Worked by hand: a
// two-point spline with both end tangents along +X is the Bezier curve (80,-5),
// (80+10/3,-5), (80-10/3,5), (80,5), which at t = 1/4 lies at (80.9375, -3.4375).
TEST_F(CutTest, SplinesGivenByFitPointsAreCutLikeAnyOther) {
  auto fitSpline = [&](std::vector<geom::Point3d> fit, std::optional<geom::Vector3d> start,
                       std::optional<geom::Vector3d> end) {
    auto spline = std::make_unique<cad::Spline>();
    spline->setFitPoints(std::move(fit));
    spline->setTangents(start, end);
    return add(std::move(spline));
  };
  // Points of a straight line, unevenly spaced: the curve is that line.
  fitSpline({{40, -13.4375, 111}, {45, -8.4375, 111}, {52, -1.4375, 111}, {60, 6.5625, 111}},
            std::nullopt, std::nullopt);
  // Points of the cubic x = 70 + y^3 / 100; the curve passes through each of them.
  std::vector<geom::Point3d> cubic;
  for (double y : {-10.0, -5.0, -3.4375, 0.0, 5.0, 10.0})
    cubic.push_back({70 + y * y * y / 100, y, 112});
  fitSpline(cubic, std::nullopt, std::nullopt);
  fitSpline({{80, -5, 113}, {80, 5, 113}}, geom::Vector3d{2, 0, 0}, geom::Vector3d{1, 0, 0});

  const cad::ObjectId section = line({0, -3.4375, 0}, {100, -3.4375, 0});
  CDocData doc;
  doc.AutoAssign = 0;
  ASSERT_TRUE(acquire(doc, section));
  const auto hits = crossings(doc);
  const std::vector<Expected> expected = {
      {50, 111}, {70 - std::pow(3.4375, 3) / 100, 112}, {80.9375, 113}};
  ASSERT_EQ(hits.size(), expected.size());
  for (std::size_t i = 0; i < hits.size(); ++i) {
    EXPECT_NEAR(hits[i]->dDist, expected[i].dist, 1e-9) << i;
    EXPECT_EQ(hits[i]->dHigh, expected[i].high) << i;
  }
}

TEST_F(CutTest, PreciseModeAndLargeCoordinatesGiveTheSameCrossings) {
  for (double offset : {0.0, 3.5e6}) {
    const geom::Vector3d o{offset, offset, 0};
    polyline({v(37.25 + offset, -5 + offset), v(37.25 + offset, 5 + offset)}, 88);
    const cad::ObjectId section = line(geom::Point3d{0, 0, 0} + o, geom::Point3d{100, 0, 0} + o);
    for (int mode : {kModeCommon, kModePrecise}) {
      CDocData doc;
      ASSERT_TRUE(acquire(doc, section, mode));
      const auto hits = crossings(doc);
      ASSERT_EQ(hits.size(), 1u) << offset << " " << mode;
      EXPECT_NEAR(hits[0]->dDist, 37.25, 1e-9);
      EXPECT_NEAR(hits[0]->ptPos.x, 37.25 + offset, 1e-9);
      EXPECT_EQ(hits[0]->ptPos.z, 88.0);
    }
    db().erase(section);
  }
}

TEST_F(CutTest, VertexCrossingKneesAndClosedLines) {
  // The contour passes exactly through the knee: one crossing, plus the knee point.
  line({40, -10, 70}, {60, 10, 70});
  line({45, 30, 75}, {55, 30, 75});
  const cad::ObjectId bent = polyline({v(0, 0), v(50, 0), v(50, 50)});
  CDocData doc;
  ASSERT_TRUE(acquire(doc, bent));
  ASSERT_EQ(doc.pointList.size(), 5u);
  EXPECT_EQ(doc.pointList[1].nType, PT_CROSS);
  EXPECT_EQ(doc.pointList[1].dDist, 50.0);
  EXPECT_EQ(doc.pointList[2].nType, PT_KNEE);
  EXPECT_EQ(doc.pointList[2].dDist, 50.0);
  EXPECT_EQ(doc.pointList[2].bDelete, 0u);  // a right angle is no straight knee
  EXPECT_EQ(doc.pointList[3].dDist, 80.0);
  EXPECT_EQ(doc.pointList[4].dDist, 100.0);

  // A closed line: its closing segment is cut and the end lies on the start.
  const cad::ObjectId ring = polyline({v(100, 0), v(110, 0), v(110, 10), v(100, 10)}, 0, true);
  line({95, 5, 60}, {115, 5, 60});
  CDocData closed;
  ASSERT_TRUE(acquire(closed, ring));
  ASSERT_EQ(closed.vertexList.size(), 5u);
  EXPECT_EQ(closed.vertexList.back().nIndex, 4u);
  const auto hits = crossings(closed);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_DOUBLE_EQ(hits[0]->dDist, 15.0);
  EXPECT_DOUBLE_EQ(hits[1]->dDist, 35.0);
  EXPECT_EQ(closed.pointList.back().ptPos, closed.pointList.front().ptPos);
  EXPECT_DOUBLE_EQ(closed.pointList.back().dDist, 40.0);
}

TEST_F(CutTest, ArcSegmentsMeasureAlongTheArc) {
  // A half circle below the chord (bulge 1 runs counter-clockwise), radius 50.
  line({50, -60, 42}, {50, -40, 42});
  const cad::ObjectId arc = polyline({v(0, 0, 1.0), v(100, 0)});
  CDocData doc;
  ASSERT_TRUE(acquire(doc, arc));
  ASSERT_EQ(doc.vertexList.size(), 2u);
  EXPECT_EQ(doc.vertexList[1].dBulge, 1.0);
  EXPECT_NEAR(doc.vertexList[1].dDist, 50 * std::numbers::pi, 1e-9);
  const auto hits = crossings(doc);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_NEAR(hits[0]->dDist, 25 * std::numbers::pi, 1e-9);
  EXPECT_NEAR(hits[0]->ptPos.y, -50.0, 1e-9);
  EXPECT_NEAR(ArcLength({0, 0, 0}, {100, 0, 0}, 1.0), 50 * std::numbers::pi, 1e-9);
}

TEST_F(CutTest, DegenerateBoxesAndTheViewAfterwards) {
  // Vertical and horizontal sections have boxes without width or height.
  polyline({v(-5, 30), v(5, 30)}, 10);
  polyline({v(30, -5), v(30, 5)}, 20);
  host().display().setCurrentView({{7, 8}, 50, 80});
  const host::ViewRecord before = ruvo::SaveView(host());
  for (auto [a, b] : {std::pair{geom::Point3d{0, 0, 0}, geom::Point3d{0, 100, 0}},
                      std::pair{geom::Point3d{0, 0, 0}, geom::Point3d{100, 0, 0}}}) {
    CDocData doc;
    const cad::ObjectId section = line(a, b);
    ASSERT_TRUE(acquire(doc, section));
    ASSERT_EQ(crossings(doc).size(), 1u);
    EXPECT_EQ(crossings(doc)[0]->dDist, 30.0);
    db().erase(section);
  }
  const host::ViewRecord after = ruvo::SaveView(host());
  EXPECT_EQ(after.center, before.center);
  EXPECT_EQ(after.height, before.height);
}

TEST_F(CutTest, UnassignedContoursAreFlaggedAndInterpolated) {
  for (double x : {10.0, 20.0, 30.0, 40.0, 50.0}) {
    polyline({v(x, -5), v(x, 5)}, x == 30.0 ? 0.0 : 100 + x / 10);
  }
  const cad::ObjectId section = line({0, 0, 0}, {60, 0, 0});
  CDocData manual;
  manual.AutoAssign = 0;
  ASSERT_TRUE(acquire(manual, section));
  EXPECT_EQ(manual.pointList[3].dHigh, 0.0);
  EXPECT_EQ(manual.pointList[3].bRevised, 1u);
  CDocData automatic;
  ASSERT_TRUE(acquire(automatic, section));
  EXPECT_DOUBLE_EQ(automatic.pointList[3].dHigh, 103.0);
  EXPECT_DOUBLE_EQ(automatic.pointList.front().dHigh, 100.0);  // extrapolated
  EXPECT_DOUBLE_EQ(automatic.pointList.back().dHigh, 106.0);
}

// A failed pick changes nothing, and the repair does not run again over the old points.
TEST_F(CutTest, FailedPicksLeaveTheSectionAlone) {
  for (double x : {10.0, 20.0, 30.0, 40.0, 50.0, 60.0}) polyline({v(x, -5), v(x, 5)}, 100);
  const cad::ObjectId section = line({0, 0, 0}, {70, 0, 0});
  CDocData doc;
  ASSERT_TRUE(acquire(doc, section));
  ASSERT_TRUE(CGetData(host()).CommitTypedHeight(doc, 3, 500.0));  // a spike the user wants
  const CDocData before = doc;
  take();

  auto arc = std::make_unique<cad::Arc>();
  arc->setRadius(3);
  const cad::ObjectId arcId = add(std::move(arc));
  auto old = std::make_unique<cad::Polyline2d>();
  old->addVertex(pv(0, 20, 0));
  old->addVertex(pv(9, 20, 0));
  const cad::ObjectId oldId = add(std::move(old));
  const cad::ObjectId single = polyline({v(0, 40)});

  const std::pair<ScriptAnswer, std::string_view> attempts[] = {
      {ScriptAnswer::cancel(), kMsgCancelled},
      {ScriptAnswer::pickAt({500, 500, 0}), kMsgNothingPicked},
      {ScriptAnswer::pickHandle(arcId.handle()), kMsgPickPrompt},
      {ScriptAnswer::pickHandle(oldId.handle()), kMsgOldPolyline},
      {ScriptAnswer::pickHandle(single.handle()), kMsgNoData},
  };
  for (const auto& [answer, message] : attempts) {
    script().push(answer);
    EXPECT_FALSE(CGetData(host()).AcquireSection(doc, kModeCommon));
    // The pick prompt is printed before every pick, so its message shows twice.
    const std::string printed = take();
    const std::size_t at = printed.rfind(message);
    ASSERT_NE(at, std::string::npos) << message;
    if (message == kMsgPickPrompt) {
      EXPECT_NE(printed.rfind(message, at - 1), std::string::npos);
    }
    ASSERT_EQ(doc.pointList.size(), before.pointList.size());
    EXPECT_EQ(doc.vertexList.size(), before.vertexList.size());
    EXPECT_EQ(doc.layerList, before.layerList);
    for (std::size_t i = 0; i < doc.pointList.size(); ++i) {
      EXPECT_EQ(doc.pointList[i].dHigh, before.pointList[i].dHigh) << message << i;
      EXPECT_EQ(doc.pointList[i].bRevised, before.pointList[i].bRevised) << message << i;
    }
  }
  EXPECT_EQ(doc.pointList[3].dHigh, 500.0);
}

}  // namespace
