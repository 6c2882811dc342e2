#include "platform/geom/nurbs.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/geom/angle.h"
#include "platform/geom/bounds.h"
#include "platform/geom/evaluate.h"
#include "platform/geom/transform.h"

namespace {

using namespace geom;

Nurbs sampleCurve() {
  Nurbs n;
  n.degree = 3;
  n.knots = {0, 0, 0, 0, 1, 2, 2, 3, 3, 3, 3};
  n.controlPoints = {{0, 0, 0}, {1, 3, 1}, {3, 4, 0}, {5, 1, 2}, {7, 0, 0}, {8, 3, 1}, {10, 2, 0}};
  n.weights = {1, 2, 0.5, 1, 3, 1, 1};
  return n;
}

TEST(Nurbs, RationalCirclesAreExact) {
  for (const Curve& c : {Curve{Circle{{1, 2, 3}, 5}}, Curve{Circle{{1, 2, 3}, 5, -1}}}) {
    const Nurbs n = std::visit(
        [](const auto& x) -> Nurbs {
          if constexpr (std::is_same_v<std::decay_t<decltype(x)>, Circle>) return toNurbs(x);
          return {};
        },
        c);
    ASSERT_TRUE(isValid(n));
    for (int i = 0; i <= 100; ++i) {
      const Point3d p = evaluate(n, kTwoPi * i / 100);
      EXPECT_NEAR(std::hypot(p.x - 1, p.y - 2), 5.0, 1e-14);
      EXPECT_DOUBLE_EQ(p.z, 3.0);
    }
    EXPECT_EQ(startPoint(n), (Point3d{6, 2, 3}));
  }
  const Nurbs arc = toNurbs(BulgeArc{{0, 0}, {10, 0}, -0.3, 4});
  EXPECT_EQ(evaluate(arc, 1.0), (Point3d{10, 0, 4}));
  const Point3d mid = evaluate(arc, 0.5);
  EXPECT_NEAR(mid.y, 0.3 * 10 / 2, 1e-12);  // sagitta = bulge * chord / 2, to the left
}

TEST(Nurbs, KnotInsertionAndBezierPiecesKeepTheCurve) {
  const Nurbs n = sampleCurve();
  const Nurbs more = insertKnot(insertKnot(n, 0.5, 2), 2.0, 1);
  const auto pieces = bezierSegments(n);
  ASSERT_EQ(pieces.size(), 3u);
  for (int i = 0; i <= 60; ++i) {
    const double u = 3.0 * i / 60;
    const Point3d p = evaluate(n, u);
    EXPECT_NEAR((evaluate(more, u) - p).length(), 0.0, 1e-13);
    for (const auto& s : pieces) {
      if (u < s.u0 || u > s.u1) continue;
      const Point3d q = bezierPoint(s.points, (u - s.u0) / (s.u1 - s.u0)).point();
      EXPECT_NEAR((q - p).length(), 0.0, 1e-13) << u;
    }
  }
}

TEST(Nurbs, DerivativesMatchDifferences) {
  const Nurbs n = sampleCurve();
  for (double u : {0.1, 0.7, 1.5, 2.3, 2.9}) {
    const double h = 1e-5;
    const NurbsDerivs d = derivatives(n, u);
    const Vector3d fd = (evaluate(n, u + h) - evaluate(n, u - h)) / (2 * h);
    const Vector3d fd2 = (evaluate(n, u + h) - d.point + (evaluate(n, u - h) - d.point)) / (h * h);
    EXPECT_NEAR((d.d1 - fd).length(), 0.0, 1e-7 * (1 + fd.length()));
    EXPECT_NEAR((d.d2 - fd2).length(), 0.0, 1e-3 * (1 + fd2.length()));
  }
}

TEST(Nurbs, InterpolationThroughFitPoints) {
  const std::vector<Point3d> fit{{0, 0, 0},   {10, 8, 1}, {10, 8, 1},
                                 {20, -3, 2}, {30, 6, 0}, {31, 6, 0}};
  const auto n = interpolateCubic(fit, Vector3d{0, 2, 0}, std::nullopt);
  ASSERT_TRUE(n && isValid(*n));
  // Chord-length knots: each fit point sits at its cumulative distance.
  double u = 0;
  for (size_t i = 0; i < fit.size(); ++i) {
    if (i > 0) u += (fit[i] - fit[i - 1]).length();
    EXPECT_NEAR((evaluate(*n, u) - fit[i]).length(), 0.0, 1e-12) << i;
  }
  EXPECT_EQ(endPoint(*n), fit.back());
  const Vector3d d0 = derivatives(*n, 0.0).d1;
  EXPECT_NEAR(d0.x, 0.0, 1e-12);
  EXPECT_NEAR(d0.y, 1.0, 1e-12);  // unit tangent in chord-length parametrisation
  EXPECT_FALSE(interpolateCubic(std::vector<Point3d>{{1, 1, 1}, {1, 1, 1}}));
  const auto line = interpolateCubic(std::vector<Point3d>{{0, 0, 0}, {4, 3, 0}});
  ASSERT_TRUE(line);
  EXPECT_NEAR(evaluate(*line, 2.5).x, 2.0, 1e-12);
  // Without tangents, collinear equally spaced points give the straight line.
  const auto straight =
      interpolateCubic(std::vector<Point3d>{{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}});
  EXPECT_NEAR(evaluate(*straight, 1.0).y, evaluate(*straight, 1.0).x, 1e-12);
}

TEST(Extents, TightForArcsEllipsesAndNurbs) {
  const auto box = [](const Curve& c) { return extents(c); };
  auto expectBox = [](const Extents3d& b, Point2d lo, Point2d hi) {
    EXPECT_NEAR(b.min.x, lo.x, 1e-12);
    EXPECT_NEAR(b.min.y, lo.y, 1e-12);
    EXPECT_NEAR(b.max.x, hi.x, 1e-12);
    EXPECT_NEAR(b.max.y, hi.y, 1e-12);
  };
  expectBox(box(BulgeArc{{-5, 0}, {5, 0}, 1.0}), {-5, -5}, {5, 0});
  expectBox(box(CircularArc{{0, 0, 0}, 5, 0.5, 2.0}), {5 * std::cos(2.0), 5 * std::sin(0.5)},
            {5 * std::cos(0.5), 5});
  expectBox(box(CircularArc{{0, 0, 0}, 5, 0.5, 2.0, -1}), {-5, -5}, {5, 5 * std::sin(2.0)});
  expectBox(box(EllipseArc{{0, 0, 0}, {10, 0, 0}, 0.5, 0, kPi / 2, -1}), {0, -5}, {10, 0});
  // The rational circle's control points reach the square's corners; the curve does not.
  expectBox(box(toNurbs(Circle{{0, 0, 0}, 5})), {-5, -5}, {5, 5});
  const Extents3d rotated = box(EllipseArc{{0, 0, 0}, {3, 4, 0}, 0.5});
  const double hx = std::sqrt(9 + 0.25 * 16), hy = std::sqrt(16 + 0.25 * 9);
  expectBox(rotated, {-hx, -hy}, {hx, hy});
  const Extents3d z = box(LineSeg{{0, 0, -1}, {1, 1, 2}});
  EXPECT_EQ(z.min.z, -1);
  EXPECT_EQ(z.max.z, 2);
}

TEST(Transform, TranslationRotationMirrorAndShear) {
  const Point3d far{3.5e6, 5e5, 0};
  const Curve moved = translated(BulgeArc{{1.25, 2.5}, {3, 4}, 0.5, 1}, far - Point3d{});
  EXPECT_EQ(std::get<BulgeArc>(moved).start, (Point2d{3.5e6 + 1.25, 5e5 + 2.5}));
  // A rotation keeps an arc an arc, a mirror reverses its running sense.
  const CircularArc arc{{1, 0, 0}, 2, 0, kPi / 2};
  const Curve turned = transformed(arc, Matrix3d::rotationZ(kPi / 2));
  ASSERT_TRUE(std::holds_alternative<CircularArc>(turned));
  EXPECT_NEAR((startPoint(turned) - Point3d{0, 3, 0}).length(), 0, 1e-12);
  EXPECT_NEAR((endPoint(turned) - Point3d{-2, 1, 0}).length(), 0, 1e-12);
  const Curve mirrored = transformed(arc, Matrix3d::mirrorX());
  EXPECT_LT(std::get<CircularArc>(mirrored).normalZ, 0);
  EXPECT_NEAR((startPoint(mirrored) - Point3d{-3, 0, 0}).length(), 0, 1e-12);
  EXPECT_NEAR((endPoint(mirrored) - Point3d{-1, 2, 0}).length(), 0, 1e-12);
  // A plane shear turns a circle into an ellipse through the sheared points.
  Matrix3d shear;
  shear.m[0][1] = 0.5;
  const Curve e = transformed(Circle{{0, 0, 0}, 1}, shear);
  ASSERT_TRUE(std::holds_alternative<EllipseArc>(e));
  for (double t = 0; t < 6; t += 0.5) {
    const Point3d want = shear.apply({std::cos(t), std::sin(t), 0});
    bool found = false;
    for (double s = 0; s < kTwoPi && !found; s += 1e-4)
      found = (pointAt(e, std::get<EllipseArc>(e).startParam + s) - want).length() < 1e-3;
    EXPECT_TRUE(found) << t;
  }
  // Out of the plane: a NURBS curve through the mapped points.
  Matrix3d tilt = Matrix3d::identity();
  tilt.m[2][0] = 1.0;
  const Curve t3 = transformed(Polyline2d{{{{0, 0}, 1.0}, {{2, 0}}}, false, 0}, tilt);
  ASSERT_TRUE(std::holds_alternative<Nurbs>(t3));
  EXPECT_NEAR((endPoint(t3) - Point3d{2, 0, 2}).length(), 0, 1e-12);
  EXPECT_NEAR((pointAt(t3, 0.5) - Point3d{1, -1, 1}).length(), 0, 1e-12);
}

}  // namespace
