#include "platform/cad/curve_util.h"

#include <cmath>
#include <variant>

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
  // Included angle 4 atan(bulge); centre on the chord's perpendicular bisector.
  const double theta = 4.0 * std::atan(bulge);
  const geom::Vector2d chord = b - a;
  const double d = chord.length();
  const double r = d / (2.0 * std::sin(std::fabs(theta) / 2.0));
  const double h = r * std::cos(theta / 2.0) * (bulge > 0 ? 1.0 : -1.0);
  const geom::Point2d centre = midpoint(a, b) + geom::perp(chord / d) * h;
  const double t0 = std::atan2(a.y - centre.y, a.x - centre.x);
  const geom::Point3d c = ocs.toWorld(geom::withZ(centre, z));
  path.arc(c, ocs.toWorld(geom::Vector3d{r, 0, 0}), ocs.toWorld(geom::Vector3d{0, r, 0}), t0,
           t0 + theta);
}

namespace {

// Extents of the arc centre + r (cos t, sin t), t from a0 running `sweep` (signed).
geom::Extents2d arcBox(geom::Point2d c, double r, double a0, double sweep) {
  geom::Extents2d box;
  box.add(c + geom::Vector2d{r * std::cos(a0), r * std::sin(a0)});
  box.add(c + geom::Vector2d{r * std::cos(a0 + sweep), r * std::sin(a0 + sweep)});
  const double lo = std::min(a0, a0 + sweep), hi = std::max(a0, a0 + sweep);
  for (int k = static_cast<int>(std::floor(lo / (kPi / 2))); k * (kPi / 2) <= hi; ++k) {
    const double t = k * (kPi / 2);
    if (t >= lo) box.add(c + geom::Vector2d{r * std::cos(t), r * std::sin(t)});
  }
  return box;
}

geom::Extents3d lift(const geom::Extents2d& b, double z) {
  geom::Extents3d e;
  if (b.empty()) return e;
  e.add(geom::withZ(b.min, z));
  e.add(geom::withZ(b.max, z));
  return e;
}

double sweepOf(double start, double end, double normalZ) {
  double s = normaliseAngle(end - start);
  if (s == 0.0) s = kTwoPi;
  return normalZ < 0 ? -normaliseAngle(start - end) : s;
}

}  // namespace

geom::Extents2d bulgeExtents(geom::Point2d a, geom::Point2d b, double bulge) {
  if (bulge == 0.0 || a == b) return geom::Extents2d::of(a, b);
  const double theta = 4.0 * std::atan(bulge);
  const geom::Vector2d chord = b - a;
  const double d = chord.length();
  const double r = d / (2.0 * std::sin(std::fabs(theta) / 2.0));
  const double h = r * std::cos(theta / 2.0) * (bulge > 0 ? 1.0 : -1.0);
  const geom::Point2d c = midpoint(a, b) + geom::perp(chord / d) * h;
  geom::Extents2d box = arcBox(c, r, std::atan2(a.y - c.y, a.x - c.x), theta);
  box.add(a);
  box.add(b);
  return box;
}

geom::Extents3d curveExtents(const geom::Curve& curve) {
  struct Visitor {
    geom::Extents3d operator()(const geom::LineSeg& s) const {
      geom::Extents3d e;
      e.add(s.start);
      e.add(s.end);
      return e;
    }
    geom::Extents3d operator()(const geom::BulgeArc& s) const {
      return lift(bulgeExtents(s.start, s.end, s.bulge), s.z);
    }
    geom::Extents3d operator()(const geom::Circle& c) const {
      return lift(arcBox(c.centre.xy(), c.radius, 0.0, kTwoPi), c.centre.z);
    }
    geom::Extents3d operator()(const geom::CircularArc& a) const {
      return lift(arcBox(a.centre.xy(), a.radius, a.startAngle,
                         sweepOf(a.startAngle, a.endAngle, a.normalZ)),
                  a.centre.z);
    }
    geom::Extents3d operator()(const geom::EllipseArc& e) const {
      // x(t) = cx + Mx cos t + mx sin t: extreme where tan t = mx / Mx.
      const geom::Vector2d M = e.majorAxis.xy();
      const geom::Vector2d m = geom::perp(M) * (e.ratio * (e.normalZ < 0 ? -1.0 : 1.0));
      auto at = [&](double t) { return e.centre.xy() + M * std::cos(t) + m * std::sin(t); };
      geom::Extents2d box;
      const double t0 = e.startParam;
      double t1 = e.endParam;
      while (t1 <= t0) t1 += kTwoPi;
      box.add(at(t0));
      box.add(at(t1));
      for (double base : {std::atan2(m.x, M.x), std::atan2(m.y, M.y)}) {
        for (int k = -4; k <= 8; ++k) {
          const double t = base + k * kPi;
          if (t > t0 && t < t1) box.add(at(t));
        }
      }
      return lift(box, e.centre.z);
    }
    geom::Extents3d operator()(const geom::Nurbs& n) const {
      geom::Extents3d e;
      for (const auto& p : n.controlPoints) e.add(p);
      return e;
    }
    geom::Extents3d operator()(const geom::Polyline2d& p) const {
      geom::Extents2d box;
      const std::size_t n = p.vertices.size();
      for (std::size_t i = 0; i < n; ++i) {
        const bool last = i + 1 == n;
        if (last && !p.closed) {
          box.add(p.vertices[i].point);
          break;
        }
        const auto& a = p.vertices[i];
        const auto& b = p.vertices[last ? 0 : i + 1];
        box.add(bulgeExtents(a.point, b.point, a.bulge));
      }
      return lift(box, p.elevation);
    }
    geom::Extents3d operator()(const geom::Polyline3d& p) const {
      geom::Extents3d e;
      for (const auto& v : p.vertices) e.add(v);
      return e;
    }
  };
  return std::visit(Visitor{}, curve);
}

geom::Extents2d curveExtents2d(const geom::Curve& c) { return curveExtents(c).xy(); }

}  // namespace cad::detail
