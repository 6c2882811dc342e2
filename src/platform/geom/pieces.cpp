#include "platform/geom/pieces.h"

#include <algorithm>
#include <cmath>

#include "platform/geom/bulge.h"
#include "platform/geom/evaluate.h"
#include "platform/geom/overload.h"

namespace geom::detail {
namespace {

Eval bezEval(const BezPc& z, double t) {
  const auto& P = z.pts;
  const size_t n = P.size();
  if (n < 2) return {P.empty() ? Point2d{} : P[0].point().xy(), {}};
  std::array<HomPoint, 16> small;
  std::vector<HomPoint> big;
  HomPoint* d = small.data();
  if (n > small.size()) {
    big.resize(n);
    d = big.data();
  }
  std::copy(P.begin(), P.end(), d);
  for (size_t r = 1; r + 1 < n; ++r)
    for (size_t j = 0; j + r < n; ++j) d[j] = d[j].lerp(d[j + 1], t);
  const HomPoint q0 = d[0], q1 = d[1];
  const HomPoint a = q0.lerp(q1, t);
  const double deg = static_cast<double>(n - 1);
  const double dx = deg * (q1.x - q0.x), dy = deg * (q1.y - q0.y), dw = deg * (q1.w - q0.w);
  const Point2d p{a.x / a.w, a.y / a.w};
  Point2d pp = p;
  if (t == 0.0) pp = P.front().point().xy();
  if (t == 1.0) pp = P.back().point().xy();
  return {pp, {(dx - dw * p.x) / a.w, (dy - dw * p.y) / a.w}};
}

Point2d local(Point2d p, Point2d o) { return {p.x - o.x, p.y - o.y}; }
Point2d local(Point3d p, Point2d o) { return {p.x - o.x, p.y - o.y}; }

}  // namespace

Eval evalShape(const Shape& s, double t) {
  return std::visit(
      Overload{
          [&](const LinePc& l) {
            const Point2d p = t == 0.0 ? l.p0 : t == 1.0 ? l.p1 : l.p0 + (l.p1 - l.p0) * t;
            return Eval{p, l.p1 - l.p0};
          },
          [&](const ArcPc& a) {
            const auto r = bulgeAt(a.p0, a.p1, a.b, t);
            return Eval{r.point, r.d1};
          },
          [&](const EllPc& e) {
            const double span = e.t1 - e.t0;
            const double ang = e.t0 + t * span;
            const double c = std::cos(ang), s = std::sin(ang);
            return Eval{e.c + e.u * c + e.v * s, (e.v * c - e.u * s) * span};
          },
          [&](const BezPc& z) { return bezEval(z, t); },
      },
      s);
}

Point2d startOf(const Shape& s) {
  return std::visit(
      Overload{[](const LinePc& l) { return l.p0; }, [](const ArcPc& a) { return a.p0; },
               [&](const EllPc&) { return evalShape(s, 0.0).p; },
               [](const BezPc& z) { return z.pts.front().point().xy(); }},
      s);
}

Point2d endOf(const Shape& s) {
  return std::visit(
      Overload{[](const LinePc& l) { return l.p1; }, [](const ArcPc& a) { return a.p1; },
               [&](const EllPc&) { return evalShape(s, 1.0).p; },
               [](const BezPc& z) { return z.pts.back().point().xy(); }},
      s);
}

double lengthOf(const Shape& s) {
  return std::visit(
      Overload{[](const LinePc& l) { return distance(l.p0, l.p1); },
               [](const ArcPc& a) { return bulgeArcLength(distance(a.p0, a.p1), a.b); },
               [](const EllPc& e) { return e.u.length() * std::abs(e.t1 - e.t0); },
               [](const BezPc& z) {
                 double len = 0.0;
                 for (size_t i = 1; i < z.pts.size(); ++i)
                   len += distance(z.pts[i - 1].point().xy(), z.pts[i].point().xy());
                 return len;
               }},
      s);
}

Extents2d arcPartBox(const ArcPc& a, double s0, double s1) {
  const Point2d q0 = bulgeAt(a.p0, a.p1, a.b, s0).point;
  const Point2d q1 = bulgeAt(a.p0, a.p1, a.b, s1).point;
  Extents2d box = Extents2d::of(q0, q1);
  const double r = bulgeRadius(distance(a.p0, a.p1), a.b);
  const double half = std::abs(bulgeSweep(a.b)) * (s1 - s0) / 2;
  const double sag = 2 * r * std::sin(half / 2) * std::sin(half / 2) * 1.0000001;
  return {box.min - Vector2d{sag, sag}, box.max + Vector2d{sag, sag}};
}

Extents2d boxOf(const Shape& s) {
  return std::visit(
      Overload{[](const LinePc& l) { return Extents2d::of(l.p0, l.p1); },
               [](const ArcPc& a) { return arcPartBox(a, 0.0, 1.0); },
               [](const EllPc& e) {
                 const double a = e.u.length();
                 const double half = std::min(kPi, std::abs(e.t1 - e.t0) / 2);
                 Extents2d box = Extents2d::of(evalShape(e, 0.0).p, evalShape(e, 1.0).p);
                 const double sag = a * (1 - std::cos(half)) * 1.0000001 + 1e-12 * a;
                 Extents2d full{e.c - Vector2d{a, a}, e.c + Vector2d{a, a}};
                 Extents2d grown{box.min - Vector2d{sag, sag}, box.max + Vector2d{sag, sag}};
                 // Both bound the piece; keep the tighter side of each.
                 return Extents2d{
                     {std::max(full.min.x, grown.min.x), std::max(full.min.y, grown.min.y)},
                     {std::min(full.max.x, grown.max.x), std::min(full.max.y, grown.max.y)}};
               },
               [](const BezPc& z) {
                 Extents2d box;
                 for (const HomPoint& h : z.pts) box.add(h.point().xy());
                 return box;
               }},
      s);
}

void forEachPiece(const Curve& curve, Point2d o, int firstSeg, int lastSeg,
                  const std::function<void(const Piece&)>& f) {
  std::visit(
      Overload{
          [&](const LineSeg& s) {
            const Point2d a = local(s.start, o), b = local(s.end, o);
            f(Piece{LinePc{a, b}, 0, 1, Extents2d::of(a, b)});
          },
          [&](const BulgeArc& a) {
            bulgePieces(local(a.start, o), local(a.end, o), a.bulge, 0, 1, f);
          },
          [&](const Circle& c) {
            const double nz = c.normalZ < 0 ? -1.0 : 1.0;
            const Point2d cc = local(c.centre, o);
            const double r = std::abs(c.radius);
            const Point2d s{cc.x + r, cc.y}, m{cc.x - r, cc.y};
            bulgePieces(s, m, nz, 0, kPi, f);
            bulgePieces(m, s, nz, kPi, kTwoPi, f);
          },
          [&](const CircularArc& a) {
            const Curve whole = a;
            const ParamRange r = paramRange(whole);
            const double sweep = arcSweep(a);
            const Point2d cc = local(a.centre, o);
            auto at = [&](double ang) {
              return Point2d{cc.x + a.radius * std::cos(ang), cc.y + a.radius * std::sin(ang)};
            };
            const int n = std::abs(sweep) > kPi ? 2 : 1;
            for (int i = 0; i < n; ++i) {
              const double a0 = a.startAngle + sweep * i / n,
                           a1 = a.startAngle + sweep * (i + 1) / n;
              const double k0 = r.lo + (r.hi - r.lo) * i / n;
              const double k1 = i + 1 == n ? r.hi : r.lo + (r.hi - r.lo) * (i + 1) / n;
              bulgePieces(at(a0), at(a1), std::tan(sweep / n / 4), k0, k1, f);
            }
          },
          [&](const EllipseArc& e) {
            const Curve whole = e;
            const ParamRange r = paramRange(whole);
            // The angle works modulo a full turn; huge start parameters would cost both
            // digits and time in every sine.
            const double t0 = normalizeAngle(r.lo);
            EllPc p{local(e.centre, o), e.majorAxis.xy(), ellipseMinor(e), t0, t0 + (r.hi - r.lo)};
            f(Piece{p, r.lo, r.hi, boxOf(p)});
          },
          [&](const Nurbs& n) {
            if (!isValid(n)) return;
            for (auto& seg : bezierSegments(n)) {
              BezPc z{std::move(seg.points)};
              for (HomPoint& h : z.pts) {
                h.x -= o.x * h.w;
                h.y -= o.y * h.w;
              }
              Extents2d box = boxOf(z);
              f(Piece{std::move(z), seg.u0, seg.u1, box});
            }
          },
          [&](const Polyline2d& p) {
            const int segs = segmentCount(p);
            const size_t n = p.vertices.size();
            for (int i = std::max(0, firstSeg); i < std::min(segs, lastSeg); ++i) {
              const auto& v0 = p.vertices[i];
              const auto& v1 = p.vertices[(i + 1) % n];
              bulgePieces(local(v0.point, o), local(v1.point, o), v0.bulge, i, i + 1, f);
            }
            if (segs == 0 && n == 1) {
              const Point2d a = local(p.vertices[0].point, o);
              f(Piece{LinePc{a, a}, 0, 0, Extents2d::of(a, a)});
            }
          },
          [&](const Polyline3d& p) {
            const int segs = segmentCount(p);
            const size_t n = p.vertices.size();
            for (int i = std::max(0, firstSeg); i < std::min(segs, lastSeg); ++i) {
              const Point2d a = local(p.vertices[i], o), b = local(p.vertices[(i + 1) % n], o);
              f(Piece{LinePc{a, b}, static_cast<double>(i), i + 1.0, Extents2d::of(a, b)});
            }
            if (segs == 0 && n == 1) {
              const Point2d a = local(p.vertices[0], o);
              f(Piece{LinePc{a, a}, 0, 0, Extents2d::of(a, a)});
            }
          },
      },
      curve);
}

}  // namespace geom::detail
