#include "platform/geom/angle.h"

#include <cmath>

namespace geom {

double normalizeAngle(double a) {
  double r = std::fmod(a, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  // fmod of a tiny negative angle plus 2*pi rounds up to 2*pi itself.
  if (r >= kTwoPi) r = 0.0;
  return r;
}

double planAngle(Point2d p, Point2d q) {
  const Vector2d d = q - p;
  if (d.x == 0.0 && d.y == 0.0) return 0.0;
  return normalizeAngle(std::atan2(d.y, d.x));
}

}  // namespace geom
