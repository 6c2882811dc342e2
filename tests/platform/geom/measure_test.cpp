#include "platform/geom/measure.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/geom/angle.h"
#include "platform/geom/evaluate.h"
#include "platform/geom/intersect.h"
#include "platform/geom/nurbs.h"
#include "platform/geom/transform.h"

namespace {

using namespace geom;

// Length by a fine chord sum (error ~ L h^2 / 24 R), the reference for curves without
// a closed form.
double chordSum(const Curve& c, int n) {
  const ParamRange r = paramRange(c);
  double len = 0.0;
  Point3d prev = pointAt(c, r.lo);
  for (int i = 1; i <= n; ++i) {
    const Point3d p = pointAt(c, r.lo + (r.hi - r.lo) * i / n);
    len += (p - prev).length();
    prev = p;
  }
  return len;
}

TEST(Length, ClosedForms) {
  EXPECT_DOUBLE_EQ(length(LineSeg{{0, 0, 0}, {3, 4, 12}}), 13.0);
  EXPECT_DOUBLE_EQ(length(BulgeArc{{-5, 0}, {5, 0}, 1.0}), 5 * kPi);
  EXPECT_DOUBLE_EQ(length(BulgeArc{{-5, 0}, {5, 0}, -1.0}), 5 * kPi);
  EXPECT_DOUBLE_EQ(length(BulgeArc{{0, 0}, {100, 0}, 0.0}), 100.0);
  // Flat arc: r * theta with r = 2.5e6, theta = 4 atan(1e-5).
  const double b = 1e-5, r = 100 * (1 + b * b) / (4 * b);
  EXPECT_NEAR(length(BulgeArc{{0, 0}, {100, 0}, b}), r * 4 * std::atan(b), 1e-9);
  EXPECT_DOUBLE_EQ(length(Circle{{1, 2, 3}, 2.0}), 4 * kPi);
  EXPECT_DOUBLE_EQ(length(CircularArc{{0, 0, 0}, 2, 0, kPi / 2, -1}), 3 * kPi);
  const Polyline2d pl{{{{0, 0}, 1.0}, {{10, 0}}, {{10, 10}}}, true, 0};
  EXPECT_DOUBLE_EQ(length(pl), 5 * kPi + 10 + std::sqrt(200.0));
  EXPECT_DOUBLE_EQ(length(Polyline3d{{{0, 0, 0}, {0, 3, 4}, {0, 3, 5}}}), 6.0);
}

TEST(Length, EllipsesAndNurbsAgainstFineSums) {
  const std::vector<Curve> curves{
      EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5},
      EllipseArc{{5, 5, 0}, {3, 4, 0}, 0.2, 0.3, 2.0, -1},
      *interpolateCubic(std::vector<Point3d>{{0, 0, 0}, {10, 8, 1}, {20, -3, 2}, {30, 6, 0}}),
  };
  for (const Curve& c : curves) EXPECT_NEAR(length(c), chordSum(c, 200000), 1e-7);
  // The rational circle is exactly a circle.
  EXPECT_NEAR(length(toNurbs(Circle{{0, 0, 0}, 5})), 10 * kPi, 1e-12);
  EXPECT_NEAR(length(EllipseArc{{0, 0, 0}, {3, 0, 0}, 1.0}), 6 * kPi, 1e-12);
}

TEST(Distance, AtPointsOnCurves) {
  const BulgeArc half{{-5, 0}, {5, 0}, 1.0};  // counter-clockwise: through (0, -5)
  EXPECT_NEAR(*distanceAtPoint(half, {0, -5}), 2.5 * kPi, 1e-12);
  EXPECT_DOUBLE_EQ(*distanceAtPoint(half, {5, 0}), 5 * kPi);
  EXPECT_FALSE(distanceAtPoint(half, {0, 5}));
  // Two-vertex polyline with a flat bulge at survey coordinates.
  const double b = 1e-5;
  const Polyline2d leg{{{{3.5e6, 5e5}, b}, {{3.5e6 + 100, 5e5}}}, false, 0};
  const double total = length(leg);
  EXPECT_NEAR(*distanceAtPoint(leg, {3.5e6 + 50, 5e5 - 5e-4}), total / 2, 1e-9);
  EXPECT_DOUBLE_EQ(*distanceAtPoint(leg, {3.5e6 + 100, 5e5}), total);
  const Circle cw{{0, 0, 0}, 2, -1};
  EXPECT_NEAR(*distanceAtPoint(cw, {0, -2}), kPi, 1e-12);
  EXPECT_DOUBLE_EQ(*distanceAtPoint(cw, {2, 0}), 0.0);
  const EllipseArc e{{0, 0, 0}, {10, 0, 0}, 0.5};
  EXPECT_NEAR(*distanceAtPoint(e, {0, 5}), length(e) / 4, 1e-9);
  const Polyline2d closed{{{{0, 0}}, {{10, 0}}, {{10, 10}}, {{0, 10}}}, true, 0};
  EXPECT_DOUBLE_EQ(*distanceAtPoint(closed, {0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(*distanceAtPoint(closed, {0, 5}), 35.0);
}

TEST(Distance, PointAtDistanceInvertsDistanceAtPoint) {
  const std::vector<Curve> curves{
      LineSeg{{1, 1, 0}, {4, 5, 0}},
      BulgeArc{{0, 0}, {4, 0}, -0.7},
      CircularArc{{1, 1, 0}, 3, 1.0, 0.5, -1},
      EllipseArc{{0, 0, 0}, {6, 2, 0}, 0.3, 1.0, 4.0},
      *interpolateCubic(std::vector<Point3d>{{0, 0, 0}, {3, 2, 0}, {6, -1, 0}, {9, 0, 0}}),
      Polyline2d{{{{0, 0}, 0.4}, {{5, 0}}, {{5, 5}, -2.0}, {{9, 9}}}, false, 3},
  };
  for (const Curve& c : curves) {
    const double total = length(c);
    for (double f : {0.0, 0.13, 0.5, 0.87, 1.0}) {
      const auto p = pointAtDistance(c, f * total);
      ASSERT_TRUE(p);
      const auto d = distanceAtPoint(c, p->xy());
      ASSERT_TRUE(d) << f;
      EXPECT_NEAR(*d, f * total, 1e-9 * (1 + total)) << f;
    }
    EXPECT_FALSE(pointAtDistance(c, total * 1.01));
    EXPECT_FALSE(pointAtDistance(c, -1));
  }
}

TEST(Angle, PlanDirections) {
  EXPECT_DOUBLE_EQ(planAngle({0, 0}, {1, 0}), 0.0);
  EXPECT_DOUBLE_EQ(planAngle({0, 0}, {0, 1}), kPi / 2);
  EXPECT_DOUBLE_EQ(planAngle({1, 0}, {0, 0}), kPi);
  EXPECT_DOUBLE_EQ(planAngle({3.5e6, 5e5}, {3.5e6, 5e5 - 2}), 1.5 * kPi);
  const double below = planAngle({0, 0}, {1, -1e-12});
  EXPECT_GT(below, 6.28);
  EXPECT_LT(below, kTwoPi);
  EXPECT_DOUBLE_EQ(planAngle({2, 2}, {2, 2}), 0.0);
  EXPECT_EQ(normalizeAngle(-1e-300), 0.0);
}

}  // namespace

namespace {

// What the section cut does: intersect a leg at survey coordinates, then ask the leg for
// the distance at each hit. No hit may be lost to rounding of the large coordinates.
TEST(Distance, EveryIntersectionOfASurveyLegHasItsDistance) {
  using namespace geom;
  const Point2d p0{3512345.678, 498765.4321}, p1{3516789.012, 501234.5678};
  for (double bulge : {0.0, 1e-5, 0.05, -0.3}) {
    const Polyline2d leg{{{p0, bulge}, {p1, 0.0}}, false, 0};
    const double total = length(leg);
    int checked = 0;
    for (int k = 1; k < 200; ++k) {
      const double x = p0.x + (p1.x - p0.x) * k / 200.0 + 0.123;
      const Polyline2d contour{{{{x, p0.y - 3000}}, {{x + 7.5, p1.y + 3000}}}, false, 1.0 * k};
      for (const auto& hit : intersect(leg, contour).points) {
        const auto d = distanceAtPoint(leg, hit.xy);
        ASSERT_TRUE(d) << bulge << " " << k;
        EXPECT_NEAR(*d, distanceAtParam(leg, hit.paramA), 1e-8);
        EXPECT_LE(*d, total);
        ++checked;
      }
    }
    EXPECT_GE(checked, 190) << bulge;
  }
}

}  // namespace
