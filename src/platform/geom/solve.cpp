#include "platform/geom/solve.h"

#include <algorithm>
#include <cmath>

#include "platform/geom/bulge.h"
#include "platform/geom/overload.h"

namespace geom::detail {
namespace {

double snapEps(const Shape& s, const Tolerance& tol) {
  const double len = lengthOf(s);
  return len > 0 ? tol.distance / len : 1.0;
}

// Local parameter of a point of the arc's circle. Along the middle of the arc it comes
// from the point's position along the chord, s = 1/2 + asin((x - L/2) / r) / |theta|,
// which an almost straight arc needs (its angles are tiny and swamped by rounding);
// towards the ends of a strongly curved arc, and off the arc's side of the chord, from
// the tangent-chord angle (points before the start come out above 1 there).
double arcParam(const ArcPc& a, Point2d p) {
  const Vector2d c = a.p1 - a.p0, v = p - a.p0;
  if (v.x == 0.0 && v.y == 0.0) return 0.0;
  const double L = c.length();
  const double theta = bulgeSweep(a.b);
  const Vector2d bulgeSide = perp(c) * (a.b > 0 ? -1.0 : 1.0);
  if (dot(v, bulgeSide) / L >= -1e-9 * (1 + L)) {
    const double r = bulgeRadius(L, a.b);
    const double arg = (dot(v, c) / L - L / 2) / r;
    if (std::abs(arg) <= 0.9 * std::abs(std::sin(theta / 2)) || std::abs(arg) <= 0.5)
      return 0.5 + std::asin(std::clamp(arg, -1.0, 1.0)) / std::abs(theta);
  }
  const Vector2d t0 = bulgeStartDirection(c, a.b);
  const double half = std::atan2(cross(t0, v), dot(t0, v));
  return 2 * half / theta;
}

double ellParam(const EllPc& e, Point2d p) {
  const Vector2d d = p - e.c;
  const double ang =
      std::atan2(dot(d, e.v) / e.v.lengthSquared(), dot(d, e.u) / e.u.lengthSquared());
  const double span = e.t1 - e.t0;
  const double off = normalizeAngle(ang - e.t0);
  return off / span;
}

struct Roots {
  int n = 0;
  double t[2] = {0, 0};
};

// Real roots of A t^2 + B t + C, where `touch` says the minimum is within tolerance of 0.
Roots quadratic(double A, double B, double C, bool touch) {
  Roots r;
  if (A == 0.0) {
    if (B != 0.0) r.t[r.n++] = -C / B;
    return r;
  }
  if (touch) {
    r.t[r.n++] = -B / (2 * A);
    return r;
  }
  const double disc = B * B - 4 * A * C;
  if (disc < 0) return r;
  const double q = -0.5 * (B + std::copysign(std::sqrt(disc), B));
  if (q != 0.0) r.t[r.n++] = C / q;
  r.t[r.n++] = q / A;
  return r;
}

// The line P + t D against the circle of an arc, in the chord form of the circle
// G(p) = b (|p - m|^2 - L^2/4) - (1 - b^2)/2 n.(p - m), which keeps flat arcs exact.
Roots lineVsArcCircle(const ArcPc& a, Point2d P, Vector2d D, const Tolerance& tol) {
  const Vector2d c = a.p1 - a.p0;
  const double L2 = c.lengthSquared();
  const Point2d m = midpoint(a.p0, a.p1);
  const Vector2d n = perp(c), w = P - m;
  const double b = a.b, e = (1 - b * b) / 2;
  const double A = b * D.lengthSquared();
  const double B = 2 * b * dot(w, D) - e * dot(n, D);
  const double C = b * (w.lengthSquared() - L2 / 4) - e * dot(n, w);
  const double K = std::sqrt(L2) * (1 + b * b) / 2;  // |grad G| on the circle
  bool touch = false;
  if (A != 0.0) {
    const double gmin = C - B * B / (4 * A);
    touch = std::abs(gmin) <= tol.distance * K;
  }
  return quadratic(A, B, C, touch);
}

// Which local parameter of the arc a point found on its circle has; nothing when off it.
bool onArc(const ArcPc& a, Point2d p, const Tolerance& tol, double& s) {
  const double eps = snapEps(a, tol);
  s = arcParam(a, p);
  if (s >= -eps && s <= 1 + eps) return true;
  if (distance(p, a.p0) <= tol.distance) return s = 0.0, true;
  if (distance(p, a.p1) <= tol.distance) return s = 1.0, true;
  return false;
}

bool onEll(const EllPc& e, Point2d p, const Tolerance& tol, double& s) {
  const double eps = snapEps(e, tol);
  s = ellParam(e, p);
  if (s >= -eps && s <= 1 + eps) return true;
  if (distance(p, evalShape(e, 0.0).p) <= tol.distance) return s = 0.0, true;
  if (distance(p, evalShape(e, 1.0).p) <= tol.distance) return s = 1.0, true;
  return false;
}

// Two pieces on one carrier (line or circle): the shared part from the end points of each
// that lie on the other; `midOnB` tells whether a point of a lies on b.
template <class MidOnB>
void overlapFromEnds(const Shape& a, const Shape& b, const Tolerance& tol, HitSink& out,
                     const MidOnB& midOnB) {
  HitSink ends;
  endpointHits(a, b, tol, ends);
  std::vector<RawHit> c;
  for (const RawHit& h : ends.hits) {
    bool dup = false;
    for (const RawHit& k : c) dup = dup || distance(k.p, h.p) <= tol.distance;
    if (!dup) c.push_back(h);
  }
  if (c.size() == 2) {
    if (c[0].sA > c[1].sA) std::swap(c[0], c[1]);
    if (midOnB((c[0].sA + c[1].sA) / 2)) {
      out.spans.push_back({c[0], c[1]});
      return;
    }
  }
  for (const RawHit& h : c) out.hits.push_back(h);
}

void lineLine(const LinePc& a, const LinePc& b, const Tolerance& tol, HitSink& out) {
  const Vector2d da = a.p1 - a.p0, db = b.p1 - b.p0;
  const double La = da.length(), Lb = db.length();
  if (La <= tol.distance || Lb <= tol.distance) {
    endpointHits(a, b, tol, out);
    return;
  }
  // Signed distances of b's ends from a's line: both beyond the tolerance on one side
  // rule out every kind of contact.
  const double d0 = cross(da, b.p0 - a.p0) / La, d1 = cross(da, b.p1 - a.p0) / La;
  if ((d0 > tol.distance && d1 > tol.distance) || (d0 < -tol.distance && d1 < -tol.distance))
    return;
  const double e0 = cross(db, a.p0 - b.p0) / Lb, e1 = cross(db, a.p1 - b.p0) / Lb;
  if ((e0 > tol.distance && e1 > tol.distance) || (e0 < -tol.distance && e1 < -tol.distance))
    return;
  const bool collinear = La >= Lb ? std::abs(d0) <= tol.distance && std::abs(d1) <= tol.distance
                                  : std::abs(e0) <= tol.distance && std::abs(e1) <= tol.distance;
  if (collinear) {
    overlapFromEnds(a, b, tol, out, [](double) { return true; });
    return;
  }
  const double den = cross(da, db);
  if (den != 0.0) {
    const Vector2d w = b.p0 - a.p0;
    const double t = cross(w, db) / den, u = cross(w, da) / den;
    const double ea = tol.distance / La, eb = tol.distance / Lb;
    if (t >= -ea && t <= 1 + ea && u >= -eb && u <= 1 + eb) {
      addHit(a, b, t, u, a.p0 + da * t, tol, out);
      return;
    }
  }
  endpointHits(a, b, tol, out);
}

void lineArc(const LinePc& a, const ArcPc& b, const Tolerance& tol, HitSink& out) {
  const Vector2d da = a.p1 - a.p0;
  const double La = da.length();
  if (La > tol.distance) {
    const Roots r = lineVsArcCircle(b, a.p0, da, tol);
    const double ea = tol.distance / La;
    for (int i = 0; i < r.n; ++i) {
      const double t = r.t[i];
      if (t < -ea || t > 1 + ea) continue;
      const Point2d p = a.p0 + da * t;
      double s;
      if (onArc(b, p, tol, s)) addHit(a, b, t, s, p, tol, out);
    }
  }
  endpointHits(a, b, tol, out);
}

void arcArc(const ArcPc& a, const ArcPc& b, const Tolerance& tol, HitSink& out) {
  // Same circle: b's ends and middle all on a's circle.
  auto onCircleA = [&](Point2d p) {
    const Vector2d c = a.p1 - a.p0;
    const Point2d m = midpoint(a.p0, a.p1);
    const double e = (1 - a.b * a.b) / 2;
    const double G =
        a.b * ((p - m).lengthSquared() - c.lengthSquared() / 4) - e * dot(perp(c), p - m);
    return std::abs(G) <= tol.distance * c.length() * (1 + a.b * a.b) / 2;
  };
  if (onCircleA(b.p0) && onCircleA(b.p1) && onCircleA(bulgeAt(b.p0, b.p1, b.b, 0.5).point)) {
    overlapFromEnds(a, b, tol, out, [&](double sA) {
      double s;
      const Point2d p = bulgeAt(a.p0, a.p1, a.b, sA).point;
      return onArc(b, p, tol, s) && s > 0 && s < 1;
    });
    return;
  }
  // Radical line b_b G_a - b_a G_b = g.q + h = 0, q relative to a's chord midpoint.
  const Point2d ma = midpoint(a.p0, a.p1), mb = midpoint(b.p0, b.p1);
  const Vector2d ca = a.p1 - a.p0, cb = b.p1 - b.p0;
  const Vector2d na = perp(ca), nb = perp(cb), delta = mb - ma;
  const double ea = (1 - a.b * a.b) / 2, eb = (1 - b.b * b.b) / 2;
  const Vector2d g = na * (-b.b * ea) + delta * (2 * a.b * b.b) + nb * (a.b * eb);
  const double h =
      -a.b * b.b * (ca.lengthSquared() / 4 + delta.lengthSquared() - cb.lengthSquared() / 4) -
      a.b * eb * dot(nb, delta);
  const double gg = g.lengthSquared();
  if (gg > 0.0) {
    const Point2d foot = ma + g * (-h / gg);
    const Vector2d dir = perp(g) / std::sqrt(gg);
    // The radical line meets both circles in the same points; the smaller circle crosses
    // it more steeply (an almost straight arc lies almost along it).
    auto radius = [](const ArcPc& x) {
      return distance(x.p0, x.p1) * (1 + x.b * x.b) / (4 * std::abs(x.b));
    };
    const Roots r = lineVsArcCircle(radius(a) <= radius(b) ? a : b, foot, dir, tol);
    for (int i = 0; i < r.n; ++i) {
      const Point2d p = foot + dir * r.t[i];
      double sa, sb;
      if (onArc(a, p, tol, sa) && onArc(b, p, tol, sb)) addHit(a, b, sa, sb, p, tol, out);
    }
  }
  endpointHits(a, b, tol, out);
}

void lineEll(const LinePc& a, const EllPc& e, const Tolerance& tol, HitSink& out) {
  const Vector2d da = a.p1 - a.p0;
  const double La = da.length();
  if (La > tol.distance) {
    const double uu = e.u.lengthSquared(), vv = e.v.lengthSquared();
    const Vector2d w = a.p0 - e.c;
    const Vector2d P{dot(w, e.u) / uu, dot(w, e.v) / vv}, D{dot(da, e.u) / uu, dot(da, e.v) / vv};
    const double A = D.lengthSquared(), B = 2 * dot(P, D), C = P.lengthSquared() - 1;
    bool touch = false;
    if (A != 0.0) {
      const Vector2d q = P + D * (-B / (2 * A));
      const double rho = q.length();
      const double phi = std::atan2(q.y, q.x);
      const double scale = (e.u * std::cos(phi) + e.v * std::sin(phi)).length();
      touch = std::abs(rho - 1) * scale <= tol.distance;
    }
    const Roots r = quadratic(A, B, C, touch);
    const double eps = tol.distance / La;
    for (int i = 0; i < r.n; ++i) {
      const double t = r.t[i];
      if (t < -eps || t > 1 + eps) continue;
      const Point2d p = a.p0 + da * t;
      double s;
      if (onEll(e, p, tol, s)) addHit(a, e, t, s, p, tol, out);
    }
  }
  endpointHits(a, e, tol, out);
}

void swapped(const Shape& a, const Shape& b, const Tolerance& tol, HitSink& out,
             void (*solve)(const Shape&, const Shape&, const Tolerance&, HitSink&)) {
  const size_t hits = out.hits.size(), spans = out.spans.size();
  solve(b, a, tol, out);
  auto flip = [](RawHit& h) {
    std::swap(h.sA, h.sB);
    std::swap(h.endA, h.endB);
  };
  for (size_t i = hits; i < out.hits.size(); ++i) flip(out.hits[i]);
  for (size_t i = spans; i < out.spans.size(); ++i) {
    flip(out.spans[i].from);
    flip(out.spans[i].to);
  }
}

void solveOrdered(const Shape& a, const Shape& b, const Tolerance& tol, HitSink& out) {
  if (auto* la = std::get_if<LinePc>(&a)) {
    if (auto* lb = std::get_if<LinePc>(&b)) return lineLine(*la, *lb, tol, out);
    if (auto* ab = std::get_if<ArcPc>(&b)) return lineArc(*la, *ab, tol, out);
    if (auto* eb = std::get_if<EllPc>(&b)) return lineEll(*la, *eb, tol, out);
  }
  if (auto* aa = std::get_if<ArcPc>(&a))
    if (auto* ab = std::get_if<ArcPc>(&b)) return arcArc(*aa, *ab, tol, out);
  solveGeneric(a, b, tol, out);
}

}  // namespace

Nearest nearestOn(const Shape& shape, Point2d p) {
  double s = 0.0;
  std::visit(Overload{
                 [&](const LinePc& l) {
                   const Vector2d d = l.p1 - l.p0;
                   const double dd = d.lengthSquared();
                   s = dd == 0.0 ? 0.0 : std::clamp(dot(p - l.p0, d) / dd, 0.0, 1.0);
                 },
                 [&](const ArcPc& a) {
                   s = arcParam(a, p);
                   if (s < 0 || s > 1) s = distance(p, a.p0) <= distance(p, a.p1) ? 0.0 : 1.0;
                 },
                 [&](const EllPc& e) {
                   s = ellParam(e, p);
                   if (s > 1)
                     s = distance(p, evalShape(e, 0).p) <= distance(p, evalShape(e, 1).p) ? 0.0
                                                                                          : 1.0;
                 },
                 [&](const BezPc&) {
                   double best = INFINITY;
                   for (int k = 0; k <= 16; ++k) {
                     const double d = distance(evalShape(shape, k / 16.0).p, p);
                     if (d < best) best = d, s = k / 16.0;
                   }
                 },
             },
             shape);
  if (!std::holds_alternative<LinePc>(shape)) {
    for (int it = 0; it < 20; ++it) {
      const Eval e = evalShape(shape, s);
      const double dd = e.d.lengthSquared();
      if (dd == 0.0) break;
      const double next = std::clamp(s - dot(e.p - p, e.d) / dd, 0.0, 1.0);
      if (next == s) break;
      s = next;
    }
  }
  return {s, distance(evalShape(shape, s).p, p)};
}

void addHit(const Shape& a, const Shape& b, double sA, double sB, Point2d p, const Tolerance& tol,
            HitSink& out) {
  RawHit h{std::clamp(sA, 0.0, 1.0), std::clamp(sB, 0.0, 1.0), p, 0, 0};
  const double ea = snapEps(a, tol), eb = snapEps(b, tol);
  if (sA <= ea && distance(p, startOf(a)) <= tol.distance)
    h.sA = 0, h.endA = 1;
  else if (sA >= 1 - ea && distance(p, endOf(a)) <= tol.distance)
    h.sA = 1, h.endA = 2;
  if (sB <= eb && distance(p, startOf(b)) <= tol.distance)
    h.sB = 0, h.endB = 1;
  else if (sB >= 1 - eb && distance(p, endOf(b)) <= tol.distance)
    h.sB = 1, h.endB = 2;
  if (h.endA)
    h.p = h.endA == 1 ? startOf(a) : endOf(a);
  else if (h.endB)
    h.p = h.endB == 1 ? startOf(b) : endOf(b);
  out.hits.push_back(h);
}

namespace {

// Cheap lower bounds of the distance from p to a piece's carrier, to spare the nearest
// point search for end points that are plainly off the other piece.
bool maybeNear(const Shape& shape, Point2d p, double tol) {
  return std::visit(Overload{
                        [&](const LinePc&) { return true; },
                        [&](const ArcPc& a) {
                          const Vector2d c = a.p1 - a.p0;
                          const Point2d m = midpoint(a.p0, a.p1);
                          const double e = (1 - a.b * a.b) / 2;
                          const double G = a.b * ((p - m).lengthSquared() - c.lengthSquared() / 4) -
                                           e * dot(perp(c), p - m);
                          // G = b (d^2 - r^2) = b (d - r)(d + r) and |b| (d + r) >= |b| r = K / 2.
                          return std::abs(G) <=
                                     2.0 * tol * c.length() * (1 + a.b * a.b) / 2 * 1.01 ||
                                 std::abs(G) <= tol * 1e-3;
                        },
                        [&](const EllPc& e) {
                          const Vector2d d = p - e.c;
                          const double x = dot(d, e.u) / e.u.lengthSquared(),
                                       y = dot(d, e.v) / e.v.lengthSquared();
                          const double minor = std::min(e.u.length(), e.v.length());
                          return std::abs(std::hypot(x, y) - 1) * minor <= tol * 1.01;
                        },
                        [&](const BezPc& z) {
                          Extents2d box;
                          for (const HomPoint& h : z.pts) box.add(h.point().xy());
                          return box.min.x - tol <= p.x && p.x <= box.max.x + tol &&
                                 box.min.y - tol <= p.y && p.y <= box.max.y + tol;
                        },
                    },
                    shape);
}

}  // namespace

void endpointHits(const Shape& a, const Shape& b, const Tolerance& tol, HitSink& out) {
  for (int end = 0; end < 2; ++end) {
    const Point2d p = end == 0 ? startOf(a) : endOf(a);
    if (!maybeNear(b, p, tol.distance)) continue;
    const Nearest n = nearestOn(b, p);
    if (n.dist <= tol.distance) addHit(a, b, end, n.s, p, tol, out);
  }
  for (int end = 0; end < 2; ++end) {
    const Point2d p = end == 0 ? startOf(b) : endOf(b);
    if (!maybeNear(a, p, tol.distance)) continue;
    const Nearest n = nearestOn(a, p);
    if (n.dist <= tol.distance) addHit(a, b, n.s, end, p, tol, out);
  }
}

void solvePieces(const Shape& a, const Shape& b, const Tolerance& tol, HitSink& out) {
  // Closed forms are written for (line, arc, ellipse) in that order; other orders flip.
  if (a.index() > b.index() && b.index() < 2 && a.index() < 3)
    return swapped(a, b, tol, out, solveOrdered);
  solveOrdered(a, b, tol, out);
}

}  // namespace geom::detail
