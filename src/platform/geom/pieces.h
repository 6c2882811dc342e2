#pragma once
// The simple pieces that curves are cut into for intersection (not a public header).
// Pieces live in a local frame (world minus an origin) and run over a local parameter
// s in [0, 1] that maps linearly onto the owning curve's parameter.

#include <cmath>
#include <functional>
#include <variant>
#include <vector>

#include "platform/geom/arcmath.h"
#include "platform/geom/bulge.h"
#include "platform/geom/extents.h"
#include "platform/geom/nurbs.h"
#include "platform/geom/tolerance.h"

namespace geom::detail {

struct LinePc {
  Point2d p0, p1;
};

// Arc from p0 to p1 with bulge b, 0 < |b| <= 1 (at most a half turn).
struct ArcPc {
  Point2d p0, p1;
  double b = 1.0;
};

// c + u cos t + v sin t, u perpendicular to v, t = t0 + s (t1 - t0).
struct EllPc {
  Point2d c;
  Vector2d u, v;
  double t0 = 0.0, t1 = kTwoPi;
};

// Rational Bezier piece (homogeneous points, local frame).
struct BezPc {
  std::vector<HomPoint> pts;
};

using Shape = std::variant<LinePc, ArcPc, EllPc, BezPc>;

struct Piece {
  Shape shape;
  double param0 = 0.0;  // curve parameter at s = 0
  double param1 = 1.0;  // at s = 1
  Extents2d box;
};

inline double curveParam(const Piece& p, double s) {
  if (s <= 0.0) return p.param0;
  if (s >= 1.0) return p.param1;
  return p.param0 + s * (p.param1 - p.param0);
}

struct Eval {
  Point2d p;
  Vector2d d;
};

Eval evalShape(const Shape& s, double t);
Point2d startOf(const Shape& s);
Point2d endOf(const Shape& s);
// Length of the piece (estimate for Bezier pieces; only used to scale tolerances).
double lengthOf(const Shape& s);
Extents2d boxOf(const Shape& s);
// Conservative box of the part of an arc between local parameters s0 and s1.
Extents2d arcPartBox(const ArcPc& a, double s0, double s1);

// Pieces of the arc from p0 to p1 with bulge b over curve parameters [k0, k1]: a line
// when straight, one arc when it turns at most half a circle, else two halves.
template <class F>
void bulgePieces(Point2d p0, Point2d p1, double b, double k0, double k1, const F& f) {
  if (b == 0.0 || p0 == p1) {
    f(Piece{LinePc{p0, p1}, k0, k1, Extents2d::of(p0, p1)});
    return;
  }
  if (std::abs(b) <= 1.0) {
    const ArcPc arc{p0, p1, b};
    f(Piece{arc, k0, k1, boxOf(arc)});
    return;
  }
  const Point2d mid = bulgeAt(p0, p1, b, 0.5).point;
  const double half = b / (1.0 + std::sqrt(1.0 + b * b));
  const double km = (k0 + k1) / 2;
  const ArcPc a1{p0, mid, half}, a2{mid, p1, half};
  f(Piece{a1, k0, km, boxOf(a1)});
  f(Piece{a2, km, k1, boxOf(a2)});
}

// A band lo <= n.(p - o) <= hi that holds a line or arc piece (n a unit vector); the
// cheapest test that rules out most segments of a long contour against a section leg.
struct Strip {
  Point2d o;
  Vector2d n;
  double lo = -INFINITY, hi = INFINITY;
};

inline Strip stripOf(const Shape& s) {
  if (const auto* l = std::get_if<LinePc>(&s)) {
    const Vector2d d = l->p1 - l->p0;
    if (d.lengthSquared() == 0.0) return {};
    return {l->p0, unit(perp(d)), 0.0, 0.0};
  }
  if (const auto* a = std::get_if<ArcPc>(&s)) {
    // The arc (at most a half turn) lies between its chord and the parallel through its
    // middle, on the side it bulges to (the right of the chord for b > 0).
    const Vector2d c = a->p1 - a->p0;
    const double sag = std::abs(a->b) * c.length() / 2;
    const Vector2d n = unit(perp(c)) * (a->b > 0 ? -1.0 : 1.0);
    return {a->p0, n, 0.0, sag * (1 + 1e-12)};
  }
  return {};
}

// Whether a bulge segment p0 -> p1 (local frame) stays clear of the strip.
inline bool clearOf(const Strip& s, Point2d p0, Point2d p1, double bulge, double tol) {
  if (!(s.hi < INFINITY)) return false;
  const double d0 = dot(s.n, p0 - s.o), d1 = dot(s.n, p1 - s.o);
  double reach = 0.0;
  if (bulge != 0.0) {
    const double L = std::sqrt((p1 - p0).lengthSquared());
    reach = bulgeReach(L, bulge);
  }
  return std::max(d0, d1) + reach < s.lo - tol || std::min(d0, d1) - reach > s.hi + tol;
}

// Whether a box stays clear of the strip.
inline bool clearOf(const Strip& s, const Extents2d& box, double tol) {
  if (!(s.hi < INFINITY) || box.empty()) return false;
  const double mid = dot(s.n, box.centre() - s.o);
  const double half = (std::abs(s.n.x) * box.width() + std::abs(s.n.y) * box.height()) / 2;
  return mid + half < s.lo - tol || mid - half > s.hi + tol;
}

// Cuts a curve into pieces in the frame with the given origin and calls f(piece) for
// each. Polylines can be limited to a segment range.
void forEachPiece(const Curve& c, Point2d origin, int firstSeg, int lastSeg,
                  const std::function<void(const Piece&)>& f);

// A hit of two pieces: local parameters, local point, and which end (if any) it was
// snapped to: 0 none, 1 start, 2 end, per operand.
struct RawHit {
  double sA = 0.0, sB = 0.0;
  Point2d p;
  int endA = 0, endB = 0;
};

struct RawSpan {
  RawHit from, to;
};

struct HitSink {
  std::vector<RawHit> hits;
  std::vector<RawSpan> spans;
  void clear() {
    hits.clear();
    spans.clear();
  }
};

// Intersection of two pieces (appends to the sink, which may hold earlier hits).
void solvePieces(const Shape& a, const Shape& b, const Tolerance& tol, HitSink& out);

}  // namespace geom::detail
