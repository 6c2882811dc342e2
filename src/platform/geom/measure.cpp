#include "platform/geom/measure.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "platform/geom/arcmath.h"
#include "platform/geom/bounds.h"
#include "platform/geom/bulge.h"
#include "platform/geom/evaluate.h"
#include "platform/geom/nurbs.h"
#include "platform/geom/overload.h"

namespace geom {

using detail::Overload;
namespace {

constexpr int kNodes = 10;

struct GaussRule {
  std::array<double, kNodes> x{};
  std::array<double, kNodes> w{};
};

// Nodes and weights of the Gauss-Legendre rule on [-1, 1], by Newton on P_n.
const GaussRule& gaussRule() {
  static const GaussRule rule = [] {
    GaussRule r;
    for (int i = 0; i < kNodes; ++i) {
      double x = std::cos(kPi * (i + 0.75) / (kNodes + 0.5));
      double dp = 0.0;
      for (int it = 0; it < 100; ++it) {
        double p0 = 1.0, p1 = x;
        for (int k = 2; k <= kNodes; ++k) {
          const double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
          p0 = p1;
          p1 = p2;
        }
        dp = kNodes * (x * p1 - p0) / (x * x - 1);
        const double dx = p1 / dp;
        x -= dx;
        if (std::abs(dx) < 1e-16) break;
      }
      r.x[i] = x;
      r.w[i] = 2.0 / ((1 - x * x) * dp * dp);
    }
    return r;
  }();
  return rule;
}

template <class F>
double gauss(const F& f, double a, double b) {
  const GaussRule& r = gaussRule();
  const double h = (b - a) / 2, m = (a + b) / 2;
  double s = 0.0;
  for (int i = 0; i < kNodes; ++i) s += r.w[i] * f(m + h * r.x[i]);
  return s * h;
}

// Interval halving until the two halves agree with the whole; `budget` bounds the work
// on integrands that never settle (cusps, non-finite input).
template <class F>
double adaptive(const F& f, double a, double b, double whole, int depth, int& budget) {
  const double m = (a + b) / 2;
  const double left = gauss(f, a, m), right = gauss(f, m, b);
  if (depth >= 40 || --budget <= 0 || !std::isfinite(left + right) ||
      std::abs(left + right - whole) <= 1e-14 * std::max(1.0, std::abs(whole)))
    return left + right;
  return adaptive(f, a, m, left, depth + 1, budget) + adaptive(f, m, b, right, depth + 1, budget);
}

template <class F>
double integrate(const F& f, double a, double b) {
  if (!(b > a)) return 0.0;
  int budget = 4000;
  return adaptive(f, a, b, gauss(f, a, b), 0, budget);
}

double bulgeLength(Point2d p0, Point2d p1, double b) { return bulgeArcLength(distance(p0, p1), b); }

double ellipseDist(const EllipseArc& e, double t0, double t1) {
  const Vector2d u = e.majorAxis.xy(), v = detail::ellipseMinor(e);
  return integrate([&](double t) { return (v * std::cos(t) - u * std::sin(t)).length(); }, t0, t1);
}

double nurbsDist(const Nurbs& n, double upTo) {
  double total = 0.0;
  for (const auto& s : bezierSegments(n)) {
    if (s.u0 >= upTo) break;
    total += integrate([&](double u) { return derivatives(n, u).d1.length(); }, s.u0,
                       std::min(s.u1, upTo));
  }
  return total;
}

template <class Poly, class SegLen>
double polylineDist(const Poly& p, double param, const SegLen& segLen) {
  const int segs = segmentCount(p);
  param = std::clamp(param, 0.0, static_cast<double>(segs));
  double total = 0.0;
  for (int i = 0; i < segs && i < param; ++i) total += segLen(i) * std::min(1.0, param - i);
  return total;
}

// Gauss-Newton steps towards the parameter whose point is nearest to p, kept in range.
double refineNearest(const Curve& c, Point2d p, double s, ParamRange r) {
  for (int it = 0; it < 30; ++it) {
    const Vector2d d = derivativeAt(c, s).xy();
    const double dd = d.lengthSquared();
    if (dd == 0.0) break;
    const double step = dot(pointAt(c, s).xy() - p, d) / dd;
    const double next = std::clamp(s - step, r.lo, r.hi);
    if (next == s) break;
    s = next;
    if (std::abs(step) <= 1e-15 * std::max(1.0, std::abs(s))) break;
  }
  return s;
}

std::optional<double> accept(const Curve& c, Point2d p, double s, const Tolerance& tol) {
  if (distance(pointAt(c, s).xy(), p) <= tol.distance) return s;
  return std::nullopt;
}

double bulgeGuess(Point2d p0, Point2d p1, double b, Point2d p) {
  if (b == 0.0) {
    const Vector2d c = p1 - p0;
    const double cc = c.lengthSquared();
    return cc == 0.0 ? 0.0 : std::clamp(dot(p - p0, c) / cc, 0.0, 1.0);
  }
  const Vector2d c = p1 - p0, v = p - p0;
  const Vector2d t0 = bulgeStartDirection(c, b);
  const double theta = bulgeSweep(b);
  // Tangent-chord angle: the chord to a point of the arc turns by half its central angle.
  const double half = std::atan2(cross(t0, v), dot(t0, v));
  return std::clamp(2 * half / theta, 0.0, 1.0);
}

std::optional<double> polyParamAtPoint(const Polyline2d& pl, Point2d p, const Tolerance& tol) {
  const int segs = segmentCount(pl);
  if (segs == 0) {
    if (!pl.vertices.empty() && distance(pl.vertices[0].point, p) <= tol.distance) return 0.0;
    return std::nullopt;
  }
  for (int i = 0; i < segs; ++i) {
    const auto& v0 = pl.vertices[i];
    const auto& v1 = pl.vertices[(i + 1) % pl.vertices.size()];
    Extents2d box = bulgeExtents(v0.point, v1.point, v0.bulge);
    const Vector2d grow{tol.distance, tol.distance};
    if (!Extents2d{box.min - grow, box.max + grow}.contains(p)) continue;
    // Worked relative to the segment's start: survey coordinates differ exactly there, and
    // a point computed elsewhere (an intersection) is not lost to their rounding.
    const Point2d o = v0.point;
    const Point2d e{v1.point.x - o.x, v1.point.y - o.y}, q{p.x - o.x, p.y - o.y};
    const Curve seg = BulgeArc{{0, 0}, e, v0.bulge, 0.0};
    const double s = refineNearest(seg, q, bulgeGuess({0, 0}, e, v0.bulge, q), {0, 1});
    if (accept(seg, q, s, tol)) return i + s;
  }
  return std::nullopt;
}

std::optional<double> poly3ParamAtPoint(const Polyline3d& pl, Point2d p, const Tolerance& tol) {
  const int segs = segmentCount(pl);
  if (segs == 0) {
    if (!pl.vertices.empty() && distance(pl.vertices[0].xy(), p) <= tol.distance) return 0.0;
    return std::nullopt;
  }
  for (int i = 0; i < segs; ++i) {
    const Point2d a = pl.vertices[i].xy(), b = pl.vertices[(i + 1) % pl.vertices.size()].xy();
    const double s = bulgeGuess(a, b, 0.0, p);
    const Point2d q = s == 1.0 ? b : a + (b - a) * s;
    if (distance(q, p) <= tol.distance) return i + s;
  }
  return std::nullopt;
}

std::optional<double> nurbsParamAtPoint(const Nurbs& n, Point2d p, const Tolerance& tol) {
  if (!isValid(n)) return std::nullopt;
  const Curve c = n;
  const ParamRange r = domain(n);
  for (const auto& s : bezierSegments(n)) {
    Extents2d hull;
    for (const HomPoint& h : s.points) hull.add(h.point().xy());
    const Vector2d grow{tol.distance, tol.distance};
    if (!Extents2d{hull.min - grow, hull.max + grow}.contains(p)) continue;
    double best = s.u0, bestD = INFINITY;
    constexpr int kSamples = 16;
    for (int k = 0; k <= kSamples; ++k) {
      const double u = s.u0 + (s.u1 - s.u0) * k / kSamples;
      const double d = distance(evaluate(n, u).xy(), p);
      if (d < bestD) bestD = d, best = u;
    }
    const double u = refineNearest(c, p, best, r);
    if (auto hit = accept(c, p, u, tol)) return hit;
  }
  return std::nullopt;
}

}  // namespace

double distanceAtParam(const Curve& curve, double param) {
  return std::visit(
      Overload{
          [&](const LineSeg& s) {
            return std::clamp(param, 0.0, 1.0) * (s.end - s.start).length();
          },
          [&](const BulgeArc& a) {
            return std::clamp(param, 0.0, 1.0) * bulgeLength(a.start, a.end, a.bulge);
          },
          [&](const Circle& c) { return std::abs(c.radius) * std::clamp(param, 0.0, kTwoPi); },
          [&](const CircularArc& a) {
            const ParamRange r = paramRange(a);
            return std::abs(a.radius) * (std::clamp(param, r.lo, r.hi) - r.lo);
          },
          [&](const EllipseArc& e) {
            const ParamRange r = paramRange(e);
            return ellipseDist(e, r.lo, std::clamp(param, r.lo, r.hi));
          },
          [&](const Nurbs& n) { return isValid(n) ? nurbsDist(n, param) : 0.0; },
          [&](const Polyline2d& p) {
            return polylineDist(p, param, [&](int i) {
              const auto& v0 = p.vertices[i];
              const auto& v1 = p.vertices[(i + 1) % p.vertices.size()];
              return bulgeLength(v0.point, v1.point, v0.bulge);
            });
          },
          [&](const Polyline3d& p) {
            return polylineDist(p, param, [&](int i) {
              return (p.vertices[(i + 1) % p.vertices.size()] - p.vertices[i]).length();
            });
          },
      },
      curve);
}

double length(const Curve& c) { return distanceAtParam(c, paramRange(c).hi); }

std::optional<double> paramAtDistance(const Curve& c, double dist, const Tolerance& tol) {
  const double total = length(c);
  if (dist < -tol.distance || dist > total + tol.distance) return std::nullopt;
  const ParamRange r = paramRange(c);
  if (dist <= 0.0) return r.lo;
  if (dist >= total) return r.hi;
  // Distance grows monotonically with the parameter: Newton steps guarded by bisection.
  double lo = r.lo, hi = r.hi;
  double u = r.lo + (r.hi - r.lo) * (dist / total);
  for (int it = 0; it < 200; ++it) {
    const double f = distanceAtParam(c, u) - dist;
    if (std::abs(f) <= 1e-13 * std::max(1.0, total)) break;
    (f > 0 ? hi : lo) = u;
    const double speed = derivativeAt(c, u).length();
    double next = speed > 0 ? u - f / speed : (lo + hi) / 2;
    if (!(next > lo && next < hi)) next = (lo + hi) / 2;
    if (next == u) break;
    u = next;
  }
  return u;
}

std::optional<Point3d> pointAtDistance(const Curve& c, double dist, const Tolerance& tol) {
  const auto u = paramAtDistance(c, dist, tol);
  if (!u) return std::nullopt;
  return pointAt(c, *u);
}

std::optional<double> paramAtPoint(const Curve& curve, Point2d p, const Tolerance& tol) {
  const ParamRange r = paramRange(curve);
  return std::visit(
      Overload{
          [&](const LineSeg& s) {
            const Polyline2d one{{{s.start.xy(), 0.0}, {s.end.xy(), 0.0}}, false, 0.0};
            return polyParamAtPoint(one, p, tol);
          },
          [&](const BulgeArc& a) {
            const Polyline2d one{{{a.start, a.bulge}, {a.end, 0.0}}, false, a.z};
            return polyParamAtPoint(one, p, tol);
          },
          [&](const Circle& c) {
            const double nz = c.normalZ < 0 ? -1.0 : 1.0;
            double s = normalizeAngle(nz * std::atan2(p.y - c.centre.y, p.x - c.centre.x));
            s = refineNearest(curve, p, s, r);
            if (s >= kTwoPi) s = 0.0;
            return accept(curve, p, s, tol);
          },
          [&](const CircularArc& a) -> std::optional<double> {
            const double sweep = detail::arcSweep(a);
            const double ang = std::atan2(p.y - a.centre.y, p.x - a.centre.x);
            const double off = normalizeAngle((ang - a.startAngle) * (sweep < 0 ? -1 : 1));
            // Beyond the end: whichever end is nearer in angle.
            double s = off <= std::abs(sweep)                 ? r.lo + off
                       : off - std::abs(sweep) < kTwoPi - off ? r.hi
                                                              : r.lo;
            s = refineNearest(curve, p, s, r);
            if (auto hit = accept(curve, p, s, tol)) return hit;
            for (double end : {r.lo, r.hi})
              if (auto hit = accept(curve, p, end, tol)) return hit;
            return std::nullopt;
          },
          [&](const EllipseArc& e) -> std::optional<double> {
            const Vector2d u = e.majorAxis.xy(), v = detail::ellipseMinor(e);
            const Vector2d d = p - e.centre.xy();
            const double ang =
                std::atan2(dot(d, v) / v.lengthSquared(), dot(d, u) / u.lengthSquared());
            const double s0 = r.lo + normalizeAngle(ang - r.lo);
            for (double s : {s0, s0 - kTwoPi, r.lo, r.hi}) {
              if (s < r.lo || s > r.hi) continue;
              if (auto hit = accept(curve, p, refineNearest(curve, p, s, r), tol)) return hit;
            }
            return std::nullopt;
          },
          [&](const Nurbs& n) { return nurbsParamAtPoint(n, p, tol); },
          [&](const Polyline2d& pl) { return polyParamAtPoint(pl, p, tol); },
          [&](const Polyline3d& pl) { return poly3ParamAtPoint(pl, p, tol); },
      },
      curve);
}

std::optional<double> distanceAtPoint(const Curve& c, Point2d p, const Tolerance& tol) {
  const auto u = paramAtPoint(c, p, tol);
  if (!u) return std::nullopt;
  return distanceAtParam(c, *u);
}

}  // namespace geom
