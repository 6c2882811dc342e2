#pragma once
// Arc and ellipse formulas shared by the kernel's sources (not a public header).
//
// Arcs are worked in their chord form (start, end, bulge) rather than by centre and
// radius: an almost straight arc has its centre kilometres away, and everything computed
// from it would lose the digits that the chord form keeps.

#include <cmath>

#include "platform/geom/angle.h"
#include "platform/geom/bulge.h"
#include "platform/geom/curves.h"

namespace geom::detail {

inline Vector2d rotated(Vector2d v, double c, double s) {
  return {v.x * c - v.y * s, v.x * s + v.y * c};
}

inline Vector2d unit(Vector2d v) {
  const double l = v.length();
  return l > 0 ? v / l : v;
}

struct PointAndTangent {
  Point2d point;
  Vector2d d1;  // derivative with respect to the parameter
};

// The arc from p0 to p1 with bulge b at angle fraction t in [0, 1].
inline PointAndTangent bulgeAt(Point2d p0, Point2d p1, double b, double t) {
  const Vector2d c = p1 - p0;
  const double L = c.length();
  if (b == 0.0 || L == 0.0) return {t == 1.0 ? p1 : p0 + c * t, c};
  const double theta = bulgeSweep(b);
  const Vector2d t0 = unit(bulgeStartDirection(c, b));
  const double half = t * theta / 2;
  // Chord length to the point, 2 r sin(half), written so that b -> 0 stays exact.
  const double chord = L * (1 + b * b) / 2 * (std::sin(half) / b);
  Point2d p = p0 + rotated(t0, std::cos(half), std::sin(half)) * chord;
  if (t == 0.0) p = p0;
  if (t == 1.0) p = p1;
  const double speed = bulgeArcLength(L, b);  // r * |theta|
  return {p, rotated(t0, std::cos(2 * half), std::sin(2 * half)) * speed};
}

// Signed sweep of a circular arc in its running sense (positive counter-clockwise).
inline double arcSweep(const CircularArc& a) {
  double s = normalizeAngle(a.normalZ < 0 ? a.startAngle - a.endAngle : a.endAngle - a.startAngle);
  if (s == 0.0) s = kTwoPi;
  return a.normalZ < 0 ? -s : s;
}

inline Vector2d ellipseMinor(const EllipseArc& e) {
  const double nz = e.normalZ < 0 ? -1.0 : 1.0;
  return perp(e.majorAxis.xy()) * (nz * e.ratio);
}

// End parameter brought above the start parameter (a full turn when they coincide), and
// never more than a full turn beyond it: more turns draw nothing new, and a sweep of many
// turns would cost the solvers time without end.
inline double ellipseEnd(const EllipseArc& e) {
  double end = e.endParam;
  if (!(end > e.startParam)) {
    const double d = normalizeAngle(e.endParam - e.startParam);
    end = e.startParam + (d == 0.0 ? kTwoPi : d);
  } else if (end - e.startParam > kTwoPi) {
    end = e.startParam + kTwoPi;
  }
  return end;
}

}  // namespace geom::detail
