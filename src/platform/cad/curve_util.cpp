#include "platform/cad/curve_util.h"

#include <cmath>

#include "platform/geom/bulge.h"

namespace cad::detail {

double normaliseAngle(double a) {
  double r = std::fmod(a, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  return r >= kTwoPi ? 0.0 : r;
}

void QuadraticPath::piece(geom::Point3d a, geom::Point3d b, geom::Point3d c, double wMid) {
  const double k = n_.knots.empty() ? 0.0 : n_.knots.back();
  if (n_.controlPoints.empty()) {
    n_.knots = {0.0, 0.0, 0.0};
    n_.controlPoints.push_back(a);
    n_.weights.push_back(1.0);
  }
  n_.controlPoints.push_back(b);
  n_.weights.push_back(wMid);
  n_.controlPoints.push_back(c);
  n_.weights.push_back(1.0);
  // Interior breaks are double knots: the path is only C0 at piece ends.
  n_.knots.push_back(k + 1.0);
  n_.knots.push_back(k + 1.0);
}

void QuadraticPath::lineTo(geom::Point3d from, geom::Point3d to) {
  piece(from, from + (to - from) * 0.5, to, 1.0);
}

void QuadraticPath::arc(geom::Point3d c, geom::Vector3d u, geom::Vector3d v, double t0, double t1) {
  const double sweep = t1 - t0;
  const int count = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)));
  const double step = sweep / count;
  const double w = std::cos(step / 2);
  auto at = [&](double t) { return c + u * std::cos(t) + v * std::sin(t); };
  for (int i = 0; i < count; ++i) {
    const double a = t0 + step * i;
    const double b = a + step;
    const double m = a + step / 2;
    // The middle control point lies on the bisector at distance 1 / cos(step / 2).
    const geom::Point3d mid = c + (u * std::cos(m) + v * std::sin(m)) / w;
    piece(at(a), mid, at(b), w);
  }
}

geom::Nurbs QuadraticPath::take() {
  geom::Nurbs out = std::move(n_);
  n_ = geom::Nurbs{2, {}, {}, {}};
  if (!out.knots.empty()) out.knots.push_back(out.knots.back());
  return out;
}

void addBulgeSegment(QuadraticPath& path, const Ocs& ocs, geom::Point2d a, geom::Point2d b,
                     double bulge, double z) {
  const geom::Point3d wa = ocs.toWorld(geom::withZ(a, z));
  const geom::Point3d wb = ocs.toWorld(geom::withZ(b, z));
  if (bulge == 0.0 || a == b) {
    path.lineTo(wa, wb);
    return;
  }
  const geom::BulgeCircle circle = geom::bulgeCircle(a, b, bulge);
  const double r = circle.radius;
  const geom::Point3d c = ocs.toWorld(geom::withZ(circle.centre, z));
  path.arc(c, ocs.toWorld(geom::Vector3d{r, 0, 0}), ocs.toWorld(geom::Vector3d{0, r, 0}),
           circle.startAngle, circle.startAngle + circle.sweep);
}

}  // namespace cad::detail
