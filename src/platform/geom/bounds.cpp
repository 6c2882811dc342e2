#include "platform/geom/bounds.h"

#include <cmath>

#include "platform/geom/arcmath.h"
#include "platform/geom/evaluate.h"
#include "platform/geom/nurbs.h"
#include "platform/geom/overload.h"

namespace geom {

using detail::Overload;
namespace {

Extents3d flat(const Extents2d& b, double z) {
  Extents3d e;
  if (b.empty()) return e;
  e.add(withZ(b.min, z));
  e.add(withZ(b.max, z));
  return e;
}

// Adds the points of c + u cos t + v sin t, t in [t0, t0 + sweep], where x or y is extreme.
void addEllipseExtremes(Extents2d& box, Point2d c, Vector2d u, Vector2d v, double t0,
                        double sweep) {
  const double tx = std::atan2(v.x, u.x), ty = std::atan2(v.y, u.y);
  for (double base : {tx, ty}) {
    for (double t : {base, base + kPi}) {
      const double off = normalizeAngle(t - t0);
      if (off <= sweep) box.add(c + u * std::cos(t) + v * std::sin(t));
    }
  }
}

bool inside(const Extents3d& outer, const Extents3d& inner, double eps) {
  return inner.min.x >= outer.min.x - eps && inner.min.y >= outer.min.y - eps &&
         inner.min.z >= outer.min.z - eps && inner.max.x <= outer.max.x + eps &&
         inner.max.y <= outer.max.y + eps && inner.max.z <= outer.max.z + eps;
}

// Splits where the control hull still sticks out of the box of curve points found so far;
// the hull closes in on the curve quadratically, so a few levels suffice. `budget` bounds
// the work where it cannot close in (non-finite input).
void refineBezier(const std::vector<HomPoint>& pts, Extents3d& box, int depth, int& budget) {
  Extents3d hull;
  for (const HomPoint& h : pts) hull.add(h.point());
  const double size = (box.max - box.min).length() + (hull.max - hull.min).length();
  if (!std::isfinite(size) || inside(box, hull, 1e-13 * size) || depth > 60 || --budget < 0) return;
  std::vector<HomPoint> left, right;
  splitBezier(pts, 0.5, left, right);
  box.add(right.front().point());
  refineBezier(left, box, depth + 1, budget);
  refineBezier(right, box, depth + 1, budget);
}

Extents3d nurbsExtents(const Nurbs& n) {
  Extents3d box;
  if (!isValid(n)) return box;
  const auto segs = bezierSegments(n);
  for (const auto& s : segs) {
    box.add(s.points.front().point());
    box.add(s.points.back().point());
  }
  for (const auto& s : segs) {
    int budget = 10000;
    refineBezier(s.points, box, 0, budget);
  }
  return box;
}

}  // namespace

Extents2d bulgeExtents(Point2d p0, Point2d p1, double bulge) {
  Extents2d box = Extents2d::of(p0, p1);
  const Vector2d c = p1 - p0;
  if (bulge == 0.0 || c.lengthSquared() == 0.0) return box;
  const double b = bulge;
  const double theta = bulgeSweep(b);
  const Vector2d t0 = bulgeStartDirection(c, b);
  // Direction from the centre to the start: the start tangent turned against the sense.
  const double radial = std::atan2(t0.y, t0.x) - (theta > 0 ? kPi / 2 : -kPi / 2);
  for (int k = 0; k < 4; ++k) {
    const double off = normalizeAngle((k * kPi / 2 - radial) * (theta > 0 ? 1 : -1));
    if (off < std::abs(theta)) box.add(detail::bulgeAt(p0, p1, b, off / std::abs(theta)).point);
  }
  return box;
}

Extents3d extents(const Curve& curve) {
  return std::visit(
      Overload{
          [](const LineSeg& s) {
            Extents3d e;
            e.add(s.start);
            e.add(s.end);
            return e;
          },
          [](const BulgeArc& a) { return flat(bulgeExtents(a.start, a.end, a.bulge), a.z); },
          [](const Circle& c) {
            const Vector2d r{std::abs(c.radius), std::abs(c.radius)};
            return flat({c.centre.xy() - r, c.centre.xy() + r}, c.centre.z);
          },
          [](const CircularArc& a) {
            const double sweep = detail::arcSweep(a);
            Extents2d box;
            const Curve whole = a;
            box.add(startPoint(whole).xy());
            box.add(endPoint(whole).xy());
            // Walk in the counter-clockwise sense from whichever end comes first.
            const double from = sweep > 0 ? a.startAngle : a.startAngle + sweep;
            addEllipseExtremes(box, a.centre.xy(), {a.radius, 0}, {0, a.radius}, from,
                               std::abs(sweep));
            return flat(box, a.centre.z);
          },
          [](const EllipseArc& e) {
            const Curve whole = e;
            Extents2d box;
            box.add(startPoint(whole).xy());
            box.add(endPoint(whole).xy());
            addEllipseExtremes(box, e.centre.xy(), e.majorAxis.xy(), detail::ellipseMinor(e),
                               e.startParam, detail::ellipseEnd(e) - e.startParam);
            return flat(box, e.centre.z);
          },
          [](const Nurbs& n) { return nurbsExtents(n); },
          [](const Polyline2d& p) {
            Extents2d box;
            const int segs = segmentCount(p);
            if (!p.vertices.empty()) box.add(p.vertices[0].point);
            for (int i = 0; i < segs; ++i) {
              const auto& v0 = p.vertices[i];
              const auto& v1 = p.vertices[(i + 1) % p.vertices.size()];
              box.add(bulgeExtents(v0.point, v1.point, v0.bulge));
            }
            return flat(box, p.elevation);
          },
          [](const Polyline3d& p) {
            Extents3d e;
            for (const Point3d& v : p.vertices) e.add(v);
            return e;
          },
      },
      curve);
}

}  // namespace geom
