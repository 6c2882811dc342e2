#pragma once
// The simple pieces that curves are cut into for intersection (not a public header).
// Pieces live in a local frame (world minus an origin) and run over a local parameter
// s in [0, 1] that maps linearly onto the owning curve's parameter.

#include <functional>
#include <variant>
#include <vector>

#include "platform/geom/arcmath.h"
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
