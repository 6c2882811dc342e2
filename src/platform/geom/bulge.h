#pragma once
// The arc of a polyline segment given by its bulge: the tangent of a quarter of the
// included angle, positive when the arc runs counter-clockwise from start to end.
//
// Every part of the system that needs the circle, the sweep, the length or a point of
// such an arc takes it from here. The formulas are written in the chord form (start,
// end, bulge): an almost straight arc has its centre kilometres away, and anything
// computed from the centre alone would lose the digits the chord form keeps.

#include <cmath>

#include "platform/geom/vec.h"

namespace geom {

// Signed included angle (positive counter-clockwise), in (-2 pi, 2 pi).
inline double bulgeSweep(double bulge) { return 4.0 * std::atan(bulge); }

// Radius of the arc over a chord of length `chord`; infinite for a straight segment.
inline double bulgeRadius(double chord, double bulge) {
  return chord * (1 + bulge * bulge) / (4 * std::abs(bulge));
}

// Length of the arc over a chord of length `chord`; the chord itself when straight.
inline double bulgeArcLength(double chord, double bulge) {
  if (bulge == 0.0) return chord;
  return chord * (1 + bulge * bulge) / 4 * (bulgeSweep(bulge) / bulge);
}

// How far the arc strays from its chord's line at most: the sagitta up to a half turn,
// the diameter beyond.
inline double bulgeReach(double chord, double bulge) {
  return std::abs(bulge) <= 1.0 ? std::abs(bulge) * chord / 2 : 2 * bulgeRadius(chord, bulge);
}

// The direction of the arc at its start, scaled by the chord's length times 1 + b^2:
// the chord turned back by half the included angle.
inline Vector2d bulgeStartDirection(Vector2d chord, double bulge) {
  return chord * (1 - bulge * bulge) - perp(chord) * (2 * bulge);
}

// The circle of the arc from p0 to p1 (p0 != p1, bulge != 0): centre, radius, the angle
// of p0 seen from the centre and the signed sweep.
struct BulgeCircle {
  Point2d centre;
  double radius = 0.0;
  double startAngle = 0.0;
  double sweep = 0.0;
};

inline BulgeCircle bulgeCircle(Point2d p0, Point2d p1, double bulge) {
  const Vector2d chord = p1 - p0;
  BulgeCircle c;
  c.centre = midpoint(p0, p1) + perp(chord) * ((1 - bulge * bulge) / (4 * bulge));
  c.radius = bulgeRadius(chord.length(), bulge);
  c.startAngle = std::atan2(p0.y - c.centre.y, p0.x - c.centre.x);
  c.sweep = bulgeSweep(bulge);
  return c;
}

}  // namespace geom
