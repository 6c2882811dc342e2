#include "platform/geom/evaluate.h"

#include <algorithm>
#include <cmath>

#include "platform/geom/arcmath.h"
#include "platform/geom/nurbs.h"
#include "platform/geom/overload.h"

namespace geom {

using detail::Overload;
namespace {

using detail::bulgeAt;

// Segment index and local parameter of a polyline parameter.
struct SegParam {
  int index;
  double t;
};

SegParam splitParam(double param, int segments) {
  if (segments <= 0) return {-1, 0.0};
  if (!(param >= 0.0)) param = 0.0;  // also NaN
  param = std::min(param, static_cast<double>(segments));
  int i = static_cast<int>(std::floor(param));
  if (i >= segments) i = segments - 1;
  return {i, param - i};
}

struct Evaluated {
  Point3d point;
  Vector3d d1;
};

Evaluated evalLine(Point3d a, Point3d b, double t) {
  const Point3d p = t <= 0.0 ? a : t >= 1.0 ? b : a + (b - a) * t;
  return {p, b - a};
}

Evaluated evalPoly(const Polyline2d& p, double param) {
  const int segs = segmentCount(p);
  if (p.vertices.empty()) return Evaluated{};
  if (segs == 0) return Evaluated{withZ(p.vertices[0].point, p.elevation), {}};
  const auto [i, t] = splitParam(param, segs);
  const auto& v0 = p.vertices[i];
  const auto& v1 = p.vertices[(i + 1) % p.vertices.size()];
  const auto r = bulgeAt(v0.point, v1.point, v0.bulge, t);
  return Evaluated{withZ(r.point, p.elevation), {r.d1.x, r.d1.y, 0}};
}

Evaluated evalPoly(const PolylineView2d& p, double param) {
  const int segs = segmentCount(p);
  if (p.points.empty()) return Evaluated{};
  if (segs == 0) return Evaluated{withZ(p.points[0], p.elevation), {}};
  const auto [i, t] = splitParam(param, segs);
  const auto r = bulgeAt(p.points[i], p.points[(i + 1) % p.points.size()], p.bulge(i), t);
  return Evaluated{withZ(r.point, p.elevation), {r.d1.x, r.d1.y, 0}};
}

Evaluated evalPoly(const Polyline3d& p, double param) {
  const int segs = segmentCount(p);
  if (p.vertices.empty()) return Evaluated{};
  if (segs == 0) return Evaluated{p.vertices[0], {}};
  const auto [i, t] = splitParam(param, segs);
  return evalLine(p.vertices[i], p.vertices[(i + 1) % p.vertices.size()], t);
}

Evaluated eval(const Curve& curve, double param) {
  return std::visit(
      Overload{
          [&](const LineSeg& s) { return evalLine(s.start, s.end, std::clamp(param, 0.0, 1.0)); },
          [&](const BulgeArc& a) {
            const auto r = bulgeAt(a.start, a.end, a.bulge, std::clamp(param, 0.0, 1.0));
            return Evaluated{withZ(r.point, a.z), {r.d1.x, r.d1.y, 0}};
          },
          [&](const Circle& c) {
            const double nz = c.normalZ < 0 ? -1.0 : 1.0;
            const double t = normalizeAngle(param);
            const double cs = std::cos(t), sn = std::sin(t);
            return Evaluated{c.centre + Vector3d{c.radius * cs, nz * c.radius * sn, 0},
                             {-c.radius * sn, nz * c.radius * cs, 0}};
          },
          [&](const CircularArc& a) {
            const double sweep = detail::arcSweep(a);
            const double p = std::clamp(param, a.startAngle, a.startAngle + std::abs(sweep));
            const double dir = sweep < 0 ? -1.0 : 1.0;
            const double ang = a.startAngle + dir * (p - a.startAngle);
            const double cs = std::cos(ang), sn = std::sin(ang);
            return Evaluated{a.centre + Vector3d{a.radius * cs, a.radius * sn, 0},
                             {-dir * a.radius * sn, dir * a.radius * cs, 0}};
          },
          [&](const EllipseArc& e) {
            const double t = std::clamp(param, e.startParam, detail::ellipseEnd(e));
            const Vector2d u = e.majorAxis.xy(), v = detail::ellipseMinor(e);
            const double cs = std::cos(t), sn = std::sin(t);
            const Vector2d off = u * cs + v * sn, d = v * cs - u * sn;
            return Evaluated{e.centre + Vector3d{off.x, off.y, 0}, {d.x, d.y, 0}};
          },
          [&](const Nurbs& n) {
            if (!isValid(n)) return Evaluated{};
            const ParamRange r = domain(n);
            NurbsDerivs d = derivatives(n, param);
            // A clamped end is its control point; the rational round trip would not be exact.
            const int p = n.degree;
            const auto& U = n.knots;
            if (param <= r.lo && U[0] == U[p]) d.point = n.controlPoints.front();
            if (param >= r.hi && U[U.size() - 1] == U[U.size() - 1 - p])
              d.point = n.controlPoints.back();
            return Evaluated{d.point, d.d1};
          },
          [&](const Polyline2d& p) { return evalPoly(p, param); },
          [&](const Polyline3d& p) { return evalPoly(p, param); },
      },
      curve);
}

}  // namespace

int segmentCount(const Polyline2d& p) {
  const int n = static_cast<int>(p.vertices.size());
  if (n < 2) return 0;
  return p.closed ? n : n - 1;
}

int segmentCount(const Polyline3d& p) {
  const int n = static_cast<int>(p.vertices.size());
  if (n < 2) return 0;
  return p.closed ? n : n - 1;
}

int segmentCount(const PolylineView2d& p) {
  const int n = static_cast<int>(p.points.size());
  if (n < 2) return 0;
  return p.closed ? n : n - 1;
}

ParamRange paramRange(const Curve& curve) {
  return std::visit(
      Overload{
          [](const LineSeg&) {
            return ParamRange{0, 1};
          },
          [](const BulgeArc&) {
            return ParamRange{0, 1};
          },
          [](const Circle&) {
            return ParamRange{0, kTwoPi};
          },
          [](const CircularArc& a) {
            return ParamRange{a.startAngle, a.startAngle + std::abs(detail::arcSweep(a))};
          },
          [](const EllipseArc& e) {
            return ParamRange{e.startParam, detail::ellipseEnd(e)};
          },
          [](const Nurbs& n) {
            return isValid(n) ? domain(n) : ParamRange{0, 0};
          },
          [](const Polyline2d& p) {
            return ParamRange{0, static_cast<double>(segmentCount(p))};
          },
          [](const Polyline3d& p) {
            return ParamRange{0, static_cast<double>(segmentCount(p))};
          },
      },
      curve);
}

bool isClosed(const Curve& curve) {
  return std::visit(
      Overload{
          [](const Circle&) { return true; },
          [](const EllipseArc& e) { return detail::ellipseEnd(e) - e.startParam >= kTwoPi; },
          [](const Nurbs& n) {
            return isValid(n) && evaluate(n, domain(n).lo) == evaluate(n, domain(n).hi);
          },
          [](const Polyline2d& p) { return p.closed && p.vertices.size() > 1; },
          [](const Polyline3d& p) { return p.closed && p.vertices.size() > 1; },
          [](const auto&) { return false; },
      },
      curve);
}

Point3d pointAt(const Curve& c, double param) { return eval(c, param).point; }
Point3d pointAt(const Polyline2d& p, double param) { return evalPoly(p, param).point; }
Point3d pointAt(const Polyline3d& p, double param) { return evalPoly(p, param).point; }
Point3d pointAt(const PolylineView2d& p, double param) { return evalPoly(p, param).point; }

Point3d startPoint(const Curve& c) { return pointAt(c, paramRange(c).lo); }

Point3d endPoint(const Curve& c) { return pointAt(c, paramRange(c).hi); }

Vector3d derivativeAt(const Curve& c, double param) { return eval(c, param).d1; }

}  // namespace geom
