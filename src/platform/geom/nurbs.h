#pragma once
// NURBS curves: evaluation, derivatives, knot insertion, Bezier decomposition, cubic
// interpolation of fit points, and the exact rational form of circles, arcs and ellipses.
//
// Rational arithmetic is done in homogeneous coordinates (w*x, w*y, w*z, w) so that knot
// insertion and de Casteljau splitting stay exact transformations of the same curve.

#include <optional>
#include <span>
#include <vector>

#include "platform/geom/curves.h"

namespace geom {

// A homogeneous control point: (w*x, w*y, w*z, w).
struct HomPoint {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  double w = 1.0;

  static constexpr HomPoint of(Point3d p, double weight) {
    return {p.x * weight, p.y * weight, p.z * weight, weight};
  }
  constexpr Point3d point() const { return {x / w, y / w, z / w}; }
  constexpr HomPoint lerp(const HomPoint& o, double t) const {
    // This form returns either end exactly at t = 0 and t = 1.
    const double s = 1.0 - t;
    return {x * s + o.x * t, y * s + o.y * t, z * s + o.z * t, w * s + o.w * t};
  }
};

// One polynomial piece of a NURBS curve over the knot interval [u0, u1], as a rational
// Bezier curve of the same degree (local parameter (u - u0) / (u1 - u0)).
struct BezierSegment {
  double u0 = 0.0;
  double u1 = 1.0;
  std::vector<HomPoint> points;
};

struct NurbsDerivs {
  Point3d point;
  Vector3d d1;  // first derivative with respect to the knot parameter
  Vector3d d2;
};

// Structural check: degree >= 1, knots non-decreasing and count = points + degree + 1,
// weights empty or one positive weight per control point, a non-empty parameter range.
bool isValid(const Nurbs& c);

// The curve's domain [knots[degree], knots[count]] (count = number of control points).
ParamRange domain(const Nurbs& c);

// Evaluation by de Boor's algorithm; u is clamped to the domain. The curve must be valid.
Point3d evaluate(const Nurbs& c, double u);
NurbsDerivs derivatives(const Nurbs& c, double u);

// The same curve with the knot u inserted `times` times (multiplicity capped at degree).
Nurbs insertKnot(const Nurbs& c, double u, int times);

// The rational Bezier pieces of the curve, in parameter order; zero-length knot
// intervals are skipped.
std::vector<BezierSegment> bezierSegments(const Nurbs& c);

// Evaluation and splitting of one Bezier piece at a local parameter t in [0, 1].
HomPoint bezierPoint(std::span<const HomPoint> pts, double t);
void splitBezier(std::span<const HomPoint> pts, double t, std::vector<HomPoint>& left,
                 std::vector<HomPoint>& right);

// The clamped cubic through the fit points with chord-length knots (knot values are the
// cumulative distances between fit points, so a unit tangent is the derivative itself).
// A given end tangent sets the direction at that end (its length is ignored); a missing
// one is estimated from the parabola through the first (last) three fit points, or the
// chord when there are only two; a zero or non-finite tangent counts as missing.
// Consecutive duplicate fit points are dropped. Fewer than two distinct points, or points so
// far out that the solution overflows, give no curve.
std::optional<Nurbs> interpolateCubic(std::span<const Point3d> fitPoints,
                                      std::optional<Vector3d> startTangent = std::nullopt,
                                      std::optional<Vector3d> endTangent = std::nullopt);

// Exact rational quadratic forms (pieces of at most a quarter turn). The knot parameter
// runs over the source curve's parameter range but is not proportional to its angle
// inside a piece; the end points are exact.
Nurbs toNurbs(const CircularArc& a);
Nurbs toNurbs(const Circle& c);
Nurbs toNurbs(const BulgeArc& a);
Nurbs toNurbs(const EllipseArc& e);
Nurbs toNurbs(const LineSeg& s);

}  // namespace geom
