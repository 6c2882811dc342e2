#include "platform/geom/intersect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <numbers>
#include <random>

#include "platform/geom/evaluate.h"
#include "platform/geom/measure.h"
#include "platform/geom/nurbs.h"
#include "platform/geom/transform.h"

namespace {

using namespace geom;

constexpr Vector3d kSurvey{3.5e6, 5e5, 0};

Polyline2d poly(std::initializer_list<PolyVertex> v, bool closed = false, double elevation = 0) {
  return Polyline2d{v, closed, elevation};
}

struct Case {
  const char* name;
  Curve a;
  Curve b;
  std::vector<Point2d> expected;  // sorted by x, then y
  IntersectionKind kind = IntersectionKind::Points;
};

std::vector<Point2d> sortedXy(const Intersections& r, Vector2d shift = {}) {
  std::vector<Point2d> v;
  for (const auto& p : r.points) v.push_back(p.xy - shift);
  std::sort(v.begin(), v.end(), [](Point2d a, Point2d b) {
    return a.x < b.x - 1e-7 || (std::abs(a.x - b.x) <= 1e-7 && a.y < b.y);
  });
  return v;
}

// Every reported point lies where both curves put it at the reported parameters.
void expectConsistent(const Curve& a, const Curve& b, const Intersections& r, double eps) {
  for (const auto& p : r.points) {
    EXPECT_NEAR(distance(pointAt(a, p.paramA).xy(), p.xy), 0.0, eps) << "paramA " << p.paramA;
    EXPECT_NEAR(distance(pointAt(b, p.paramB).xy(), p.xy), 0.0, eps) << "paramB " << p.paramB;
    EXPECT_DOUBLE_EQ(p.zA, pointAt(a, p.paramA).z);
    EXPECT_DOUBLE_EQ(p.zB, pointAt(b, p.paramB).z);
  }
  for (size_t i = 1; i < r.points.size(); ++i)
    EXPECT_LE(r.points[i - 1].paramA, r.points[i].paramA);
}

void expectPoints(const Intersections& r, const std::vector<Point2d>& want, Vector2d shift,
                  double eps) {
  const auto got = sortedXy(r, shift);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(got[i].x, want[i].x, eps) << i;
    EXPECT_NEAR(got[i].y, want[i].y, eps) << i;
  }
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class PairTest : public ::testing::TestWithParam<Case> {};

TEST_P(PairTest, BothOrdersAndSurveyCoordinatesAgree) {
  const Case& c = GetParam();
  const Intersections ab = intersect(c.a, c.b), ba = intersect(c.b, c.a);
  EXPECT_EQ(ab.kind, c.kind);
  EXPECT_EQ(ba.kind, c.kind);
  expectPoints(ab, c.expected, {}, 1e-9);
  expectPoints(ba, c.expected, {}, 1e-9);
  expectConsistent(c.a, c.b, ab, 1e-9);
  expectConsistent(c.b, c.a, ba, 1e-9);

  const Curve ta = translated(c.a, kSurvey), tb = translated(c.b, kSurvey);
  const Intersections tab = intersect(ta, tb), tba = intersect(tb, ta);
  EXPECT_EQ(tab.kind, c.kind);
  expectPoints(tab, c.expected, kSurvey.xy(), 1e-9);
  expectPoints(tba, c.expected, kSurvey.xy(), 1e-9);
  ASSERT_EQ(tab.points.size(), ab.points.size());
  for (size_t i = 0; i < ab.points.size(); ++i) {
    EXPECT_NEAR(tab.points[i].paramA, ab.points[i].paramA, 1e-9);
    EXPECT_NEAR(tab.points[i].paramB, ab.points[i].paramB, 1e-9);
  }
  expectConsistent(ta, tb, tab, 2e-9);
}

const double s45 = 5 * std::sqrt(0.5);
const double r32 = std::sqrt(32.0), r17 = std::sqrt(17.0), r20 = std::sqrt(20.0);

const Case kCases[] = {
    {"LinesCross", LineSeg{{0, 0, 1}, {10, 10, 3}}, LineSeg{{0, 10, 0}, {10, 0, 0}}, {{5, 5}}},
    {"LinesEndOnInterior", LineSeg{{0, 0, 0}, {10, 0, 0}}, LineSeg{{5, 0, 0}, {5, 5, 0}}, {{5, 0}}},
    {"LinesEndToEnd", LineSeg{{0, 0, 0}, {10, 0, 0}}, LineSeg{{10, 0, 0}, {20, 3, 0}}, {{10, 0}}},
    {"LinesParallel",
     LineSeg{{0, 0, 0}, {10, 0, 0}},
     LineSeg{{0, 1, 0}, {10, 1, 0}},
     {},
     IntersectionKind::None},
    {"LinesMiss",
     LineSeg{{0, 0, 0}, {10, 0, 0}},
     LineSeg{{11, -1, 0}, {11, 1, 0}},
     {},
     IntersectionKind::None},
    {"LinesCollinearOverlap",
     LineSeg{{0, 0, 0}, {10, 0, 0}},
     LineSeg{{15, 0, 0}, {5, 0, 0}},
     {{5, 0}, {10, 0}},
     IntersectionKind::Overlap},
    {"ZeroLengthSegmentOnLine",
     LineSeg{{3, 0, 2}, {3, 0, 2}},
     LineSeg{{0, 0, 0}, {10, 0, 0}},
     {{3, 0}}},
    {"ZeroLengthSegmentOffLine",
     LineSeg{{3, 1e-6, 0}, {3, 1e-6, 0}},
     LineSeg{{0, 0, 0}, {10, 0, 0}},
     {},
     IntersectionKind::None},
    {"LineCircleSecant", LineSeg{{3, -10, 0}, {3, 10, 0}}, Circle{{0, 0, 7}, 5}, {{3, -4}, {3, 4}}},
    {"LineCircleTangent", LineSeg{{-10, 5, 0}, {10, 5, 0}}, Circle{{0, 0, 0}, 5}, {{0, 5}}},
    {"LineCircleClockwise",
     LineSeg{{3, -10, 0}, {3, 10, 0}},
     Circle{{0, 0, 0}, 5, -1},
     {{3, -4}, {3, 4}}},
    {"LineHalfCircleBulgePlus",
     LineSeg{{0, -10, 0}, {0, 10, 0}},
     BulgeArc{{-5, 0}, {5, 0}, 1.0},
     {{0, -5}}},
    {"LineHalfCircleBulgeMinus",
     LineSeg{{0, -10, 0}, {0, 10, 0}},
     BulgeArc{{-5, 0}, {5, 0}, -1.0},
     {{0, 5}}},
    {"LineBulgeZero", LineSeg{{50, -1, 0}, {50, 1, 0}}, BulgeArc{{0, 0}, {100, 0}, 0.0}, {{50, 0}}},
    {"LineFlatBulge",
     LineSeg{{50, -1, 0}, {50, 1, 0}},
     BulgeArc{{0, 0}, {100, 0}, 1e-5},
     {{50, -5e-4}}},
    {"LineMajorBulge",
     LineSeg{{0, -20, 0}, {0, 20, 0}},
     BulgeArc{{-3, 4}, {3, 4}, -3.0},
     {{0, 13}}},
    {"LineArcEndPoint",
     LineSeg{{0, 0, 0}, {10, 0, 0}},
     CircularArc{{0, 0, 0}, 5, 0, 3.141592653589793 / 2},
     {{5, 0}}},
    {"LineArcOutsideSweep",
     LineSeg{{-10, -3, 0}, {10, -3, 0}},
     CircularArc{{0, 0, 0}, 5, 0, 3},
     {},
     IntersectionKind::None},
    {"ClockwiseArcSweep",
     LineSeg{{-10, -3, 0}, {10, -3, 0}},
     CircularArc{{0, 0, 0}, 5, 0, 3, -1},
     {{-4, -3}, {4, -3}}},
    {"CirclesCross", Circle{{0, 0, 0}, 5}, Circle{{8, 0, 0}, 5}, {{4, -3}, {4, 3}}},
    {"CirclesTouchOutside", Circle{{0, 0, 0}, 5}, Circle{{10, 0, 0}, 5}, {{5, 0}}},
    {"CirclesTouchInside", Circle{{0, 0, 0}, 5}, Circle{{3, 0, 0}, 2}, {{5, 0}}},
    {"CirclesConcentric", Circle{{0, 0, 0}, 5}, Circle{{0, 0, 0}, 4}, {}, IntersectionKind::None},
    {"ArcBulgeArc",
     CircularArc{{0, 0, 0}, 5, 0, 3.141592653589793},
     BulgeArc{{4, -3}, {4, 3}, 0.5},
     {{4, 3}}},
    {"CoincidentArcs",
     CircularArc{{0, 0, 0}, 5, 0, 3.141592653589793 / 2},
     CircularArc{{0, 0, 0}, 5, 3.141592653589793 / 4, 3.141592653589793},
     {{0, 5}, {s45, s45}},
     IntersectionKind::Overlap},
    {"ArcsMeetingOnlyAtEnds",
     BulgeArc{{5, 0}, {-5, 0}, 1},
     BulgeArc{{-5, 0}, {5, 0}, 1},
     {{-5, 0}, {5, 0}}},
    {"LineEllipse",
     LineSeg{{6, -10, 0}, {6, 10, 0}},
     EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5},
     {{6, -4}, {6, 4}}},
    {"LineEllipseTangent",
     LineSeg{{-10, 5, 0}, {10, 5, 0}},
     EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5},
     {{0, 5}}},
    {"LineEllipseArcMirrored",
     LineSeg{{6, -10, 0}, {6, 10, 0}},
     EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5, 0, 3.141592653589793 / 2, -1},
     {{6, -4}}},
    {"LineEllipseArcUpright",
     LineSeg{{6, -10, 0}, {6, 10, 0}},
     EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5, 0, 3.141592653589793 / 2, 1},
     {{6, 4}}},
    {"EllipseCircle",
     EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5},
     Circle{{0, 0, 0}, 7},
     {{-r32, -r17}, {-r32, r17}, {r32, -r17}, {r32, r17}}},
    {"EllipseEllipse",
     EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5},
     EllipseArc{{0, 0, 0}, {0, 10, 0}, 0.5, 0, 6.283185307179586, -1},
     {{-r20, -r20}, {-r20, r20}, {r20, -r20}, {r20, r20}}},
    {"EllipseTouchesCircle",
     EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5},
     Circle{{0, 8, 0}, 3},
     {{0, 5}}},
    {"NurbsCircleLine",
     toNurbs(Circle{{0, 0, 0}, 5}),
     LineSeg{{3, -10, 0}, {3, 10, 0}},
     {{3, -4}, {3, 4}}},
    {"NurbsCircleTangentLine",
     toNurbs(Circle{{0, 0, 0}, 5}),
     LineSeg{{-10, -5, 0}, {10, -5, 0}},
     {{0, -5}}},
    {"NurbsArcBulge",
     toNurbs(CircularArc{{0, 0, 0}, 5, 0, 3.141592653589793}),
     BulgeArc{{4, -3}, {4, 3}, 0.5},
     {{4, 3}}},
    {"NurbsEllipseEllipse",
     toNurbs(EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5}),
     EllipseArc{{0, 0, 0}, {0, 10, 0}, 0.5},
     {{-r20, -r20}, {-r20, r20}, {r20, -r20}, {r20, r20}}},
    {"CoincidentEllipseArcs",
     EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5, 0, 2},
     EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5, 1, 3},
     {{10 * std::cos(2.0), 5 * std::sin(2.0)}, {10 * std::cos(1.0), 5 * std::sin(1.0)}},
     IntersectionKind::Overlap},
    {"NurbsArcOnArc",
     toNurbs(CircularArc{{0, 0, 0}, 5, 0, 2}),
     CircularArc{{0, 0, 0}, 5, 1, 3},
     {{5 * std::cos(2.0), 5 * std::sin(2.0)}, {5 * std::cos(1.0), 5 * std::sin(1.0)}},
     IntersectionKind::Overlap},
    {"PolylineVertexOnLine",
     poly({{{0, 0}}, {{5, 5}}, {{10, 0}}}),
     LineSeg{{5, -1, 0}, {5, 10, 0}},
     {{5, 5}}},
    {"PolylineVertexTouchesLine",
     poly({{{0, 0}}, {{5, 5}}, {{10, 0}}}),
     LineSeg{{0, 5, 0}, {10, 5, 0}},
     {{5, 5}}},
    {"PolylineWithArcs",
     poly({{{0, 0}, 1}, {{10, 0}, -1}, {{20, 0}}}, false, 12),
     LineSeg{{-1, 1, 0}, {21, 1, 0}},
     {{15 - std::sqrt(24.0), 1}, {15 + std::sqrt(24.0), 1}}},
    {"ClosedPolylineThroughStartVertex",
     poly({{{0, 0}}, {{10, 0}}, {{10, 10}}, {{0, 10}}}, true),
     LineSeg{{-5, -5, 0}, {15, 15, 0}},
     {{0, 0}, {10, 10}}},
    {"ClosedPolylineClosingSegment",
     poly({{{0, 0}}, {{10, 0}}, {{10, 10}}, {{0, 10}}}, true),
     LineSeg{{-5, 5, 0}, {5, 5, 0}},
     {{0, 5}}},
    {"Polyline3dLine",
     Polyline3d{{{0, 0, 0}, {10, 0, 10}, {10, 10, 20}}},
     LineSeg{{5, -5, 0}, {5, 5, 0}},
     {{5, 0}}},
    {"PolylineOverlapAcrossVertex",
     poly({{{0, 0}}, {{5, 0}}, {{10, 0}}}),
     LineSeg{{2, 0, 0}, {8, 0, 0}},
     {{2, 0}, {8, 0}},
     IntersectionKind::Overlap},
};

INSTANTIATE_TEST_SUITE_P(Pairs, PairTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// End points and vertices come back bit for bit, also at survey coordinates.
TEST(Intersect, EndPointHitsAreExact) {
  const Point2d v{3500123.456, 500321.789};
  const Polyline2d pl{{{{v.x - 10.25, v.y - 3.5}}, {v}, {{v.x + 7.125, v.y - 2.0}}}, false, 0};
  const LineSeg cross{{v.x, v.y - 20, 0}, {v.x, v.y + 20, 0}};
  for (const auto& r : {intersect(pl, cross), intersect(cross, pl)}) {
    ASSERT_EQ(r.points.size(), 1u);
    EXPECT_EQ(r.points[0].xy, v);
  }
  EXPECT_EQ(intersect(pl, cross).points[0].paramA, 1.0);
  const LineSeg tee{{v.x, v.y, 0}, {v.x + 1, v.y + 30, 0}};
  const auto r = intersect(tee, pl);
  ASSERT_EQ(r.points.size(), 1u);
  EXPECT_EQ(r.points[0].xy, v);
  EXPECT_EQ(r.points[0].paramA, 0.0);
  EXPECT_EQ(r.points[0].paramB, 1.0);
}

TEST(Intersect, ZOfEachCurveAtTheHit) {
  const LineSeg a{{0, 0, 10}, {10, 0, 20}};
  const Polyline2d b{{{{5, -5}}, {{5, 5}}}, false, 42};
  const auto r = intersect(a, b);
  ASSERT_EQ(r.points.size(), 1u);
  EXPECT_DOUBLE_EQ(r.points[0].zA, 15.0);
  EXPECT_DOUBLE_EQ(r.points[0].zB, 42.0);
}

// Runs of segments, as a spatial index hands them out, report a vertex between two runs
// once in total.
TEST(Intersect, SegmentRunsShareVerticesOnce) {
  Polyline2d zig;
  for (int i = 0; i <= 8; ++i) zig.vertices.push_back({{i * 1.0, (i % 2) * 2.0}});
  const Cutter cutter(LineSeg{{-1, 2, 0}, {10, 2, 0}});
  size_t total = 0;
  for (SegmentRange run : {SegmentRange{0, 3}, SegmentRange{3, 5}, SegmentRange{5, 8}})
    total += cutter.cut(zig, run).points.size();
  EXPECT_EQ(total, 4u);
  EXPECT_EQ(cutter.cut(zig).points.size(), 4u);
  // Closed: the last run ends at vertex 0, which the first run reports.
  const Polyline2d square{{{{0, 0}}, {{10, 0}}, {{10, 10}}, {{0, 10}}}, true, 0};
  const Cutter diagonal(LineSeg{{-5, -5, 0}, {15, 15, 0}});
  size_t corners = 0;
  for (SegmentRange run : {SegmentRange{0, 2}, SegmentRange{2, 4}})
    corners += diagonal.cut(square, run).points.size();
  EXPECT_EQ(corners, 2u);
}

TEST(Intersect, InterpolatedSplineAgainstLines) {
  const std::vector<Point3d> fit{{0, 0, 5}, {10, 8, 5}, {20, -3, 5}, {30, 6, 5}, {40, 0, 5}};
  const Curve spline = *interpolateCubic(fit);
  for (double x : {0.0, 5.0, 10.0, 17.3, 25.0, 40.0}) {
    const LineSeg probe{{x, -50, 0}, {x, 50, 0}};
    const auto r = intersect(spline, probe);
    ASSERT_EQ(r.points.size(), 1u) << x;
    EXPECT_NEAR(r.points[0].xy.x, x, 1e-12);
    EXPECT_NEAR(pointAt(spline, r.points[0].paramA).x, x, 1e-10);
    EXPECT_DOUBLE_EQ(r.points[0].zA, 5.0);
  }
  const LineSeg across{{-5, 1, 0}, {45, 1, 0}};
  const auto r = intersect(across, spline);
  EXPECT_EQ(r.points.size(), 4u);
  for (const auto& p : r.points) EXPECT_NEAR(pointAt(spline, p.paramB).y, 1.0, 1e-10);
}

}  // namespace

namespace {

// One curve of every kind, all crossing one another near the origin.
std::vector<Curve> everyKind() {
  return {
      LineSeg{{-6, -1, 2}, {7, 3, 2}},
      BulgeArc{{-5, -4}, {6, 2}, 0.6, 1},
      Circle{{0.5, 0.3, 0}, 4},
      CircularArc{{1, -0.5, 0}, 5, 0.3, 4.0},
      EllipseArc{{0, 0, 0}, {6, 2, 0}, 0.5, 0.2, 5.5, -1},
      *interpolateCubic(std::vector<Point3d>{{-6, 3, 1}, {-2, -3, 1}, {2, 4, 1}, {6, -2, 1}}),
      Polyline2d{{{{-7, 0}}, {{-1, 5}, 0.3}, {{3, -5}}, {{7, 1}, -0.5}}, true, 4},
      Polyline3d{{{-6, -5, 0}, {0, 6, 3}, {6, -5, 6}}},
  };
}

// The same geometry as rational curves, so the subdivision path answers what the closed
// forms answer (kinds without a single-curve NURBS form are left out).
std::optional<Curve> asNurbs(const Curve& c) {
  return std::visit(
      [](const auto& x) -> std::optional<Curve> {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, LineSeg> || std::is_same_v<T, BulgeArc> ||
                      std::is_same_v<T, Circle> || std::is_same_v<T, CircularArc> ||
                      std::is_same_v<T, EllipseArc>)
          return Curve{toNurbs(x)};
        else
          return std::nullopt;
      },
      c);
}

TEST(Intersect, EveryPairOfKindsAgreesBothWaysAndWithRationalForms) {
  const auto curves = everyKind();
  size_t hits = 0;
  for (size_t i = 0; i < curves.size(); ++i) {
    for (size_t j = 0; j < curves.size(); ++j) {
      if (i == j) continue;
      SCOPED_TRACE(::testing::Message() << "pair " << i << " x " << j);
      const Curve& a = curves[i];
      const Curve& b = curves[j];
      const auto ab = intersect(a, b), ba = intersect(b, a);
      EXPECT_NE(ab.kind, IntersectionKind::Overlap);
      hits += ab.points.size();
      expectConsistent(a, b, ab, 1e-9);
      expectPoints(ba, sortedXy(ab), {}, 1e-9);
      const auto na = asNurbs(a), nb = asNurbs(b);
      if (na && nb) expectPoints(intersect(*na, *nb), sortedXy(ab), {}, 1e-9);
      const auto far = intersect(translated(a, kSurvey), translated(b, kSurvey));
      expectPoints(far, sortedXy(ab), kSurvey.xy(), 1e-9);
    }
  }
  EXPECT_GE(hits, 120u);  // most pairs do cross
}

}  // namespace

namespace {

// Many legs against many bulged contours at survey coordinates: every hit lies on both
// curves at its parameters, both argument orders agree, and the leg gives its distance.
TEST(Intersect, RandomLegsAgainstBulgedContoursAtSurveyCoordinates) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> coord(0, 500), bulge(-1.5, 1.5);
  const Vector2d far{3.5e6, 5e5};
  size_t hits = 0;
  for (int round = 0; round < 300; ++round) {
    const double legBulge = std::array<double, 5>{0.0, 1e-5, 0.01, -0.5, 1.0}[round % 5];
    const Polyline2d leg{{{Point2d{coord(rng), coord(rng)} + far, legBulge},
                          {Point2d{coord(rng), coord(rng)} + far, 0.0}},
                         false,
                         0};
    Polyline2d contour;
    contour.closed = round % 3 == 0;
    for (int i = 0; i < 12; ++i)
      contour.vertices.push_back({Point2d{coord(rng), coord(rng)} + far, i % 2 ? bulge(rng) : 0});
    const auto ab = intersect(leg, contour), ba = intersect(contour, leg);
    ASSERT_EQ(ab.points.size(), ba.points.size()) << round;
    for (const auto& p : ab.points) {
      EXPECT_LT(distance(pointAt(leg, p.paramA).xy(), p.xy), 2e-9) << round;
      EXPECT_LT(distance(pointAt(contour, p.paramB).xy(), p.xy), 2e-9) << round;
      const auto d = distanceAtPoint(leg, p.xy);
      ASSERT_TRUE(d) << round;
      EXPECT_NEAR(*d, distanceAtParam(leg, p.paramA), 1e-8);
    }
    hits += ab.points.size();
  }
  EXPECT_GT(hits, 100u);
}

}  // namespace

namespace {

TEST(Intersect, RandomLegsAgainstSplinesAndEllipsesAtSurveyCoordinates) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> coord(0, 500), unit(0.05, 1.0), angle(0, 6.28);
  const Point3d far{3.5e6, 5e5, 0};
  size_t hits = 0;
  for (int round = 0; round < 120; ++round) {
    const Polyline2d leg{
        {{Point2d{coord(rng), coord(rng)} + (far.xy() - Point2d{}), round % 2 ? 0.0 : 0.02},
         {Point2d{coord(rng), coord(rng)} + (far.xy() - Point2d{}), 0.0}},
        false,
        0};
    Curve other;
    if (round % 2) {
      std::vector<Point3d> fit;
      for (int i = 0; i < 8; ++i) fit.push_back(far + Vector3d{coord(rng), coord(rng), 5});
      other = *interpolateCubic(fit);
    } else {
      const double a = angle(rng);
      other = EllipseArc{far + Vector3d{coord(rng), coord(rng), 0},
                         Vector3d{std::cos(a), std::sin(a), 0} * (50 + coord(rng) / 2),
                         unit(rng),
                         angle(rng),
                         angle(rng),
                         round % 4 ? 1.0 : -1.0};
    }
    const auto ab = intersect(leg, other), ba = intersect(other, leg);
    ASSERT_EQ(ab.points.size(), ba.points.size()) << round;
    for (const auto& p : ab.points) {
      EXPECT_LT(distance(pointAt(leg, p.paramA).xy(), p.xy), 2e-9) << round;
      EXPECT_LT(distance(pointAt(other, p.paramB).xy(), p.xy), 2e-9) << round;
      EXPECT_TRUE(distanceAtPoint(leg, p.xy)) << round;
    }
    hits += ab.points.size();
  }
  EXPECT_GT(hits, 60u);
}

// An ellipse whose parameters lie many turns apart (a damaged file) is the whole ellipse
// once: found by the fuzzer taking seconds per intersection.
TEST(Intersect, EllipseSweepOfManyTurnsIsOneTurn) {
  const EllipseArc manyTurns{{0, 0, 0}, {2, 0, 0}, 0.5, -1e6, 15.875, 1.0};
  const ParamRange r = paramRange(Curve{manyTurns});
  EXPECT_NEAR(r.hi - r.lo, 2 * std::numbers::pi, 1e-9);
  const LineSeg across{{-5, 0, 0}, {5, 0, 0}};
  EXPECT_EQ(intersect(Curve{across}, Curve{manyTurns}).points.size(), 2u);
  const EllipseArc huge{{0, 0, 0}, {2, 0, 0}, 1.375, -1.0285957051385085e+304, 15.875, -16.0};
  std::vector<Point3d> fit{{-6, 1.375, 1.375}, {3, -2, 0}, {1, 4, 0}, {-2, -3, 0}};
  const auto started = std::chrono::steady_clock::now();
  (void)intersect(Curve{huge}, Curve{*interpolateCubic(fit)});
  (void)intersect(Curve{*interpolateCubic(fit)}, Curve{huge});
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 0.5);
}

}  // namespace
