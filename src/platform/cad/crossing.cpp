#include "platform/cad/crossing.h"

#include <cmath>
#include <variant>

#include "platform/cad/curve_util.h"

namespace cad::detail {
namespace {

double orient(geom::Point2d a, geom::Point2d b, geom::Point2d c) {
  return geom::cross(b - a, c - a);
}

bool onSegment(geom::Point2d a, geom::Point2d b, geom::Point2d p) {
  return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
         p.y <= std::max(a.y, b.y);
}

bool segmentsTouch(geom::Point2d a, geom::Point2d b, geom::Point2d c, geom::Point2d d) {
  const double o1 = orient(a, b, c), o2 = orient(a, b, d);
  const double o3 = orient(c, d, a), o4 = orient(c, d, b);
  if (((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0))) {
    return true;
  }
  return (o1 == 0 && onSegment(a, b, c)) || (o2 == 0 && onSegment(a, b, d)) ||
         (o3 == 0 && onSegment(c, d, a)) || (o4 == 0 && onSegment(c, d, b));
}

// Parameters t in [0, 1] where a + t (b - a) meets the circle |p - c| = r.
int segmentCircle(geom::Point2d a, geom::Point2d b, geom::Point2d c, double r, double t[2]) {
  const geom::Vector2d d = b - a, f = a - c;
  const double A = geom::dot(d, d), B = 2 * geom::dot(f, d), C = geom::dot(f, f) - r * r;
  if (A == 0.0) return 0;
  const double disc = B * B - 4 * A * C;
  if (disc < 0) return 0;
  const double s = std::sqrt(disc);
  // The stable form avoids cancellation when one root is tiny.
  const double q = -0.5 * (B + (B >= 0 ? s : -s));
  double roots[2] = {q / A, q != 0.0 ? C / q : q / A};
  int n = 0;
  for (double x : roots) {
    if (x >= -1e-12 && x <= 1 + 1e-12) t[n++] = x;
  }
  return n;
}

// Whether the direction angle `theta` lies on the arc from `start` sweeping `sweep`
// (signed: negative runs clockwise).
bool onSweep(double theta, double start, double sweep) {
  if (std::fabs(sweep) >= kTwoPi) return true;
  const double off = normaliseAngle(sweep >= 0 ? theta - start : start - theta);
  const double eps = 1e-12;
  return off <= std::fabs(sweep) + eps || off >= kTwoPi - eps;
}

bool segmentArc(geom::Point2d a, geom::Point2d b, geom::Point2d c, double r, double start,
                double sweep) {
  double t[2];
  const int n = segmentCircle(a, b, c, r, t);
  for (int i = 0; i < n; ++i) {
    const geom::Point2d p = a + (b - a) * t[i];
    if (onSweep(std::atan2(p.y - c.y, p.x - c.x), start, sweep)) return true;
  }
  return false;
}

double arcSweep(double start, double end, double normalZ) {
  if (normalZ < 0) {
    const double s = normaliseAngle(start - end);
    return -(s == 0.0 ? kTwoPi : s);
  }
  const double s = normaliseAngle(end - start);
  return s == 0.0 ? kTwoPi : s;
}

struct BulgeGeometry {
  geom::Point2d centre;
  double radius, start, sweep;
};

BulgeGeometry bulgeGeometry(geom::Point2d a, geom::Point2d b, double bulge) {
  const double theta = 4.0 * std::atan(bulge);
  const geom::Vector2d chord = b - a;
  const double d = chord.length();
  const double r = d / (2.0 * std::sin(std::fabs(theta) / 2.0));
  const double h = r * std::cos(theta / 2.0) * (bulge > 0 ? 1.0 : -1.0);
  const geom::Point2d c = midpoint(a, b) + geom::perp(chord / d) * h;
  return {c, r, std::atan2(a.y - c.y, a.x - c.x), theta};
}

bool segmentEllipse(geom::Point2d a, geom::Point2d b, const geom::EllipseArc& e) {
  // Map into the frame where the ellipse is the unit circle: p = c + M x + m y.
  const geom::Vector2d M = e.majorAxis.xy();
  const geom::Vector2d m = geom::perp(M) * (e.ratio * (e.normalZ < 0 ? -1.0 : 1.0));
  const double det = geom::cross(M, m);
  if (det == 0.0) return segmentsTouch(a, b, e.centre.xy() - M, e.centre.xy() + M);
  auto local = [&](geom::Point2d p) {
    const geom::Vector2d v = p - e.centre.xy();
    return geom::Point2d{geom::cross(v, m) / det, geom::cross(M, v) / det};
  };
  double t1 = e.endParam;
  while (t1 <= e.startParam) t1 += kTwoPi;
  return segmentArc(local(a), local(b), {0, 0}, 1.0, e.startParam, t1 - e.startParam);
}

}  // namespace

SelectionPolygon::SelectionPolygon(std::span<const geom::Point2d> points)
    : pts_(points.begin(), points.end()) {
  for (const auto& p : pts_) box_.add(p);
}

bool SelectionPolygon::contains(geom::Point2d p) const {
  if (!box_.contains(p)) return false;
  bool inside = false;
  const std::size_t n = pts_.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const geom::Point2d a = pts_[j], b = pts_[i];
    if (orient(a, b, p) == 0 && onSegment(a, b, p)) return true;
    if ((b.y > p.y) != (a.y > p.y) && p.x < (a.x - b.x) * (p.y - b.y) / (a.y - b.y) + b.x) {
      inside = !inside;
    }
  }
  return inside;
}

bool SelectionPolygon::crossesSegment(geom::Point2d a, geom::Point2d b) const {
  if (!box_.intersects(geom::Extents2d::of(a, b))) return false;
  const std::size_t n = pts_.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    if (segmentsTouch(a, b, pts_[j], pts_[i])) return true;
  }
  return false;
}

bool SelectionPolygon::crosses(const geom::Curve& curve) const {
  if (!box_.intersects(curveExtents2d(curve))) return false;
  const std::size_t n = pts_.size();
  auto anyEdge = [&](auto&& test) {
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
      if (test(pts_[j], pts_[i])) return true;
    }
    return false;
  };
  struct Visitor {
    const SelectionPolygon& poly;
    decltype(anyEdge)& edges;
    bool operator()(const geom::LineSeg& s) const {
      return poly.crossesSegment(s.start.xy(), s.end.xy());
    }
    bool operator()(const geom::BulgeArc& s) const {
      if (s.bulge == 0.0 || s.start == s.end) return poly.crossesSegment(s.start, s.end);
      const BulgeGeometry g = bulgeGeometry(s.start, s.end, s.bulge);
      return edges([&](geom::Point2d a, geom::Point2d b) {
        return segmentArc(a, b, g.centre, g.radius, g.start, g.sweep);
      });
    }
    bool operator()(const geom::Circle& c) const {
      return edges([&](geom::Point2d a, geom::Point2d b) {
        return segmentArc(a, b, c.centre.xy(), c.radius, 0.0, kTwoPi);
      });
    }
    bool operator()(const geom::CircularArc& c) const {
      const double sweep = arcSweep(c.startAngle, c.endAngle, c.normalZ);
      return edges([&](geom::Point2d a, geom::Point2d b) {
        return segmentArc(a, b, c.centre.xy(), c.radius, c.startAngle, sweep);
      });
    }
    bool operator()(const geom::EllipseArc& e) const {
      return edges([&](geom::Point2d a, geom::Point2d b) { return segmentEllipse(a, b, e); });
    }
    bool operator()(const geom::Nurbs& nurbs) const {
      geom::Polyline3d hull{nurbs.controlPoints, false};
      return (*this)(hull);
    }
    bool operator()(const geom::Polyline2d& p) const {
      const std::size_t m = p.vertices.size();
      for (std::size_t i = 0; i + 1 < m || (p.closed && i < m && m > 1); ++i) {
        const auto& v = p.vertices[i];
        if ((*this)(geom::BulgeArc{v.point, p.vertices[(i + 1) % m].point, v.bulge, 0.0})) {
          return true;
        }
      }
      return false;
    }
    bool operator()(const geom::Polyline3d& p) const {
      const std::size_t m = p.vertices.size();
      for (std::size_t i = 0; i + 1 < m || (p.closed && i < m && m > 1); ++i) {
        if (poly.crossesSegment(p.vertices[i].xy(), p.vertices[(i + 1) % m].xy())) return true;
      }
      return false;
    }
  };
  return std::visit(Visitor{*this, anyEdge}, curve);
}

geom::Point2d anyPointOf(const geom::Curve& curve) {
  struct Visitor {
    geom::Point2d operator()(const geom::LineSeg& s) const { return s.start.xy(); }
    geom::Point2d operator()(const geom::BulgeArc& s) const { return s.start; }
    geom::Point2d operator()(const geom::Circle& c) const {
      return {c.centre.x + c.radius, c.centre.y};
    }
    geom::Point2d operator()(const geom::CircularArc& c) const {
      return {c.centre.x + c.radius * std::cos(c.startAngle),
              c.centre.y + c.radius * std::sin(c.startAngle)};
    }
    geom::Point2d operator()(const geom::EllipseArc& e) const {
      const geom::Vector2d M = e.majorAxis.xy();
      const geom::Vector2d m = geom::perp(M) * (e.ratio * (e.normalZ < 0 ? -1.0 : 1.0));
      return e.centre.xy() + M * std::cos(e.startParam) + m * std::sin(e.startParam);
    }
    geom::Point2d operator()(const geom::Nurbs& n) const {
      return n.controlPoints.empty() ? geom::Point2d{} : n.controlPoints.front().xy();
    }
    geom::Point2d operator()(const geom::Polyline2d& p) const {
      return p.vertices.empty() ? geom::Point2d{} : p.vertices.front().point;
    }
    geom::Point2d operator()(const geom::Polyline3d& p) const {
      return p.vertices.empty() ? geom::Point2d{} : p.vertices.front().xy();
    }
  };
  return std::visit(Visitor{}, curve);
}

}  // namespace cad::detail
