#include "platform/geom/plan_distance.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/geom/bulge.h"

namespace geom {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kTwoPi = 6.283185307179586;
constexpr int kSamples = 256;

using geom::Point2d;

double segment(Point2d p, Point2d a, Point2d b) {
  geom::Vector2d ab = b - a;
  double len2 = ab.lengthSquared();
  double t = len2 > 0.0 ? std::clamp(dot(p - a, ab) / len2, 0.0, 1.0) : 0.0;
  return geom::distance(p, a + ab * t);
}

double circle(Point2d p, Point2d c, double r) { return std::fabs(geom::distance(p, c) - r); }

// Counter-clockwise sweep from angle `from` to angle `to`, in [0, 2*pi).
double ccwSweep(double from, double to) {
  double s = std::fmod(to - from, kTwoPi);
  return s < 0.0 ? s + kTwoPi : s;
}

double arc(Point2d p, const geom::CircularArc& a) {
  Point2d c = a.centre.xy();
  double start = a.normalZ >= 0.0 ? a.startAngle : a.endAngle;
  double end = a.normalZ >= 0.0 ? a.endAngle : a.startAngle;
  double sweep = ccwSweep(start, end);
  if (sweep == 0.0) sweep = kTwoPi;
  double angle = std::atan2(p.y - c.y, p.x - c.x);
  if (ccwSweep(start, angle) <= sweep) return circle(p, c, a.radius);
  Point2d s{c.x + a.radius * std::cos(start), c.y + a.radius * std::sin(start)};
  Point2d e{c.x + a.radius * std::cos(end), c.y + a.radius * std::sin(end)};
  return std::min(geom::distance(p, s), geom::distance(p, e));
}

double bulgeSegment(Point2d p, Point2d a, Point2d b, double bulge) {
  double chord = geom::distance(a, b);
  if (std::fabs(bulge) < 1e-12 || chord == 0.0) return segment(p, a, b);
  const geom::BulgeCircle circle = geom::bulgeCircle(a, b, bulge);
  const Point2d centre = circle.centre;
  const double r = circle.radius;
  double d = geom::distance(p, centre);
  // The arc is the part of the circle on the side of the chord its bulge points to: the
  // right side for a positive (counter-clockwise) bulge.
  Point2d onCircle = d > 0.0 ? centre + (p - centre) * (r / d) : a;
  double side = geom::cross(b - a, onCircle - a);
  bool onArc = bulge > 0.0 ? side <= 0.0 : side >= 0.0;
  if (onArc) return std::fabs(d - r);
  return std::min(geom::distance(p, a), geom::distance(p, b));
}

template <class Eval>
double sampled(Point2d p, double t0, double t1, Eval eval) {
  double best = kInf;
  Point2d prev = eval(t0);
  for (int i = 1; i <= kSamples; ++i) {
    Point2d next = eval(t0 + (t1 - t0) * i / kSamples);
    best = std::min(best, segment(p, prev, next));
    prev = next;
  }
  return best;
}

double ellipse(Point2d p, const geom::EllipseArc& e) {
  geom::Vector3d minor = geom::cross(geom::Vector3d{0, 0, e.normalZ}, e.majorAxis) * e.ratio;
  double t1 = e.endParam > e.startParam ? e.endParam : e.endParam + kTwoPi;
  return sampled(p, e.startParam, t1, [&](double t) {
    return Point2d{e.centre.x + e.majorAxis.x * std::cos(t) + minor.x * std::sin(t),
                   e.centre.y + e.majorAxis.y * std::cos(t) + minor.y * std::sin(t)};
  });
}

// De Boor's algorithm on homogeneous plan coordinates.
Point2d nurbsPoint(const geom::Nurbs& n, double t) {
  int p = n.degree;
  int count = static_cast<int>(n.controlPoints.size());
  int k = p;
  while (k < count - 1 && t >= n.knots[static_cast<std::size_t>(k + 1)]) ++k;
  struct H {
    double x, y, w;
  };
  std::vector<H> d(static_cast<std::size_t>(p + 1));
  for (int j = 0; j <= p; ++j) {
    const auto& cp = n.controlPoints[static_cast<std::size_t>(j + k - p)];
    double w = n.weights.empty() ? 1.0 : n.weights[static_cast<std::size_t>(j + k - p)];
    d[static_cast<std::size_t>(j)] = {cp.x * w, cp.y * w, w};
  }
  for (int r = 1; r <= p; ++r) {
    for (int j = p; j >= r; --j) {
      double lo = n.knots[static_cast<std::size_t>(j + k - p)];
      double hi = n.knots[static_cast<std::size_t>(j + 1 + k - r)];
      double a = hi > lo ? (t - lo) / (hi - lo) : 0.0;
      auto& dj = d[static_cast<std::size_t>(j)];
      const auto& dm = d[static_cast<std::size_t>(j - 1)];
      dj = {(1 - a) * dm.x + a * dj.x, (1 - a) * dm.y + a * dj.y, (1 - a) * dm.w + a * dj.w};
    }
  }
  const H& h = d[static_cast<std::size_t>(p)];
  return h.w != 0.0 ? Point2d{h.x / h.w, h.y / h.w} : Point2d{h.x, h.y};
}

double nurbs(Point2d p, const geom::Nurbs& n) {
  std::size_t count = n.controlPoints.size();
  bool valid = n.degree >= 1 && count > static_cast<std::size_t>(n.degree) &&
               n.knots.size() == count + static_cast<std::size_t>(n.degree) + 1 &&
               (n.weights.empty() || n.weights.size() == count);
  if (!valid) {
    // Not evaluable: the control polygon is the best guide left.
    double best = kInf;
    for (std::size_t i = 0; i < count; ++i) {
      Point2d a = n.controlPoints[i].xy();
      best = std::min(
          best, i + 1 < count ? segment(p, a, n.controlPoints[i + 1].xy()) : geom::distance(p, a));
    }
    return best;
  }
  double t0 = n.knots[static_cast<std::size_t>(n.degree)];
  double t1 = n.knots[count];
  return sampled(p, t0, t1, [&](double t) { return nurbsPoint(n, t); });
}

double polyline2d(Point2d p, const geom::Polyline2d& pl) {
  const auto& v = pl.vertices;
  if (v.empty()) return kInf;
  if (v.size() == 1) return geom::distance(p, v[0].point);
  double best = kInf;
  std::size_t segments = pl.closed ? v.size() : v.size() - 1;
  for (std::size_t i = 0; i < segments; ++i) {
    const auto& a = v[i];
    const auto& b = v[(i + 1) % v.size()];
    best = std::min(best, bulgeSegment(p, a.point, b.point, a.bulge));
  }
  return best;
}

double polyline3d(Point2d p, const geom::Polyline3d& pl) {
  const auto& v = pl.vertices;
  if (v.empty()) return kInf;
  if (v.size() == 1) return geom::distance(p, v[0].xy());
  double best = kInf;
  std::size_t segments = pl.closed ? v.size() : v.size() - 1;
  for (std::size_t i = 0; i < segments; ++i) {
    best = std::min(best, segment(p, v[i].xy(), v[(i + 1) % v.size()].xy()));
  }
  return best;
}

}  // namespace

double planDistance(Point2d p, const geom::Curve& curve) {
  return std::visit(
      [&](const auto& c) -> double {
        using T = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<T, geom::LineSeg>) {
          return segment(p, c.start.xy(), c.end.xy());
        } else if constexpr (std::is_same_v<T, geom::BulgeArc>) {
          return bulgeSegment(p, c.start, c.end, c.bulge);
        } else if constexpr (std::is_same_v<T, geom::Circle>) {
          return circle(p, c.centre.xy(), c.radius);
        } else if constexpr (std::is_same_v<T, geom::CircularArc>) {
          return arc(p, c);
        } else if constexpr (std::is_same_v<T, geom::EllipseArc>) {
          return ellipse(p, c);
        } else if constexpr (std::is_same_v<T, geom::Nurbs>) {
          return nurbs(p, c);
        } else if constexpr (std::is_same_v<T, geom::Polyline2d>) {
          return polyline2d(p, c);
        } else {
          return polyline3d(p, c);
        }
      },
      curve);
}

double planDistance(Point2d p, const geom::Extents2d& box) {
  if (box.empty()) return kInf;
  double dx = std::max({box.min.x - p.x, 0.0, p.x - box.max.x});
  double dy = std::max({box.min.y - p.y, 0.0, p.y - box.max.y});
  return std::hypot(dx, dy);
}

}  // namespace geom
