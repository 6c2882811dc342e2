// Curve pairs without a closed form: subdivision of both pieces with box culling, tangent
// cones to recognise parts that can cross at most once (Newton from there), and a
// one-dimensional search along almost parallel flat parts for close crossings, tangent
// touches and coincident runs.

#include <algorithm>
#include <cmath>

#include "platform/geom/bulge.h"
#include "platform/geom/overload.h"
#include "platform/geom/solve.h"

namespace geom::detail {
namespace {

struct Part {
  double s0 = 0.0, s1 = 1.0;
  std::vector<HomPoint> cp;  // control points of the part (Bezier pieces only)
};

struct Cone {
  Vector2d dir;
  double half = kPi;  // kPi: no useful bound
};

Part wholePart(const Shape& s) {
  Part p;
  if (auto* z = std::get_if<BezPc>(&s)) p.cp = z->pts;
  return p;
}

Extents2d grow(Extents2d b, double d) { return {b.min - Vector2d{d, d}, b.max + Vector2d{d, d}}; }

Extents2d partBox(const Shape& s, const Part& p) {
  return std::visit(
      Overload{
          [&](const LinePc&) { return Extents2d::of(evalShape(s, p.s0).p, evalShape(s, p.s1).p); },
          [&](const ArcPc& a) { return arcPartBox(a, p.s0, p.s1); },
          [&](const EllPc& e) {
            const double half = std::min(kPi, std::abs(e.t1 - e.t0) * (p.s1 - p.s0) / 2);
            const double a = e.u.length();
            const double sag = a * (1 - std::cos(half)) * 1.0000001 + 1e-13 * a;
            return grow(Extents2d::of(evalShape(s, p.s0).p, evalShape(s, p.s1).p), sag);
          },
          [&](const BezPc&) {
            Extents2d box;
            for (const HomPoint& h : p.cp) box.add(h.point().xy());
            return box;
          },
      },
      s);
}

Cone partCone(const Shape& s, const Part& p) {
  return std::visit(
      Overload{
          [&](const LinePc& l) {
            return Cone{l.p1 - l.p0, 0.0};
          },
          [&](const ArcPc& a) {
            return Cone{evalShape(s, (p.s0 + p.s1) / 2).d,
                        std::abs(bulgeSweep(a.b)) * (p.s1 - p.s0) / 2};
          },
          [&](const EllPc& e) {
            if (std::abs(e.t1 - e.t0) * (p.s1 - p.s0) > kPi / 2) return Cone{};
            const Vector2d d0 = unit(evalShape(s, p.s0).d), d1 = unit(evalShape(s, p.s1).d);
            return Cone{d0 + d1, std::acos(std::clamp(dot(d0, d1), -1.0, 1.0)) / 2};
          },
          [&](const BezPc&) {
            Vector2d first;
            double lo = 0, hi = 0;
            for (size_t i = 1; i < p.cp.size(); ++i) {
              const Vector2d leg = p.cp[i].point().xy() - p.cp[i - 1].point().xy();
              if (leg.lengthSquared() == 0.0) continue;
              if (first.lengthSquared() == 0.0) {
                first = leg;
                continue;
              }
              const double a = std::atan2(cross(first, leg), dot(first, leg));
              lo = std::min(lo, a);
              hi = std::max(hi, a);
            }
            if (first.lengthSquared() == 0.0 || hi - lo >= kPi / 2) return Cone{};
            const double mid = (lo + hi) / 2;
            return Cone{rotated(first, std::cos(mid), std::sin(mid)), (hi - lo) / 2 + 1e-3};
          },
      },
      s);
}

bool conesDisjoint(const Cone& a, const Cone& b) {
  if (a.half >= kPi / 2 || b.half >= kPi / 2) return false;
  if (a.dir.lengthSquared() == 0.0 || b.dir.lengthSquared() == 0.0) return false;
  const double ang = std::atan2(std::abs(cross(a.dir, b.dir)), std::abs(dot(a.dir, b.dir)));
  return ang > a.half + b.half;
}

void split(const Shape& s, const Part& p, Part& l, Part& r) {
  const double m = (p.s0 + p.s1) / 2;
  l.s0 = p.s0;
  l.s1 = m;
  r.s0 = m;
  r.s1 = p.s1;
  if (!p.cp.empty()) splitBezier(p.cp, 0.5, l.cp, r.cp);
  (void)s;
}

class Solver {
 public:
  Solver(const Shape& a, const Shape& b, const Tolerance& tol, HitSink& out)
      : a_(a), b_(b), tol_(tol), out_(out) {}

  void run() {
    const size_t first = out_.hits.size(), firstSpan = out_.spans.size();
    endpointHits(a_, b_, tol_, out_);
    // A piece shrunk to a point meets the other only where its end points do.
    if (!(lengthOf(a_) > tol_.distance) || !(lengthOf(b_) > tol_.distance)) return;
    recurse(wholePart(a_), wholePart(b_), 0);
    mergeContacts(first);
    mergeRuns(first, firstSpan);
  }

 private:
  // Newton on A(s) - B(t) = 0; true with the root when it converges within the pieces.
  bool newton(double& s, double& t) const {
    for (int it = 0; it < 50; ++it) {
      ++work_;
      const Eval ea = evalShape(a_, s), eb = evalShape(b_, t);
      const Vector2d f = ea.p - eb.p;
      const double det = -cross(ea.d, eb.d);
      if (det == 0.0) return false;
      const double ds = cross(f, -eb.d) / det, dt = cross(ea.d, f) / det;
      const double ns = std::clamp(s - ds, 0.0, 1.0), nt = std::clamp(t - dt, 0.0, 1.0);
      const bool still = ns == s && nt == t;
      s = ns;
      t = nt;
      if (still || (std::abs(ds) < 1e-16 && std::abs(dt) < 1e-16)) break;
    }
    return distance(evalShape(a_, s).p, evalShape(b_, t).p) <= tol_.distance;
  }

  // Foot of p on B starting from t; returns the signed distance (left of B positive).
  double project(Point2d p, double& t, double& gap) const {
    for (int it = 0; it < 30; ++it) {
      ++work_;
      const Eval e = evalShape(b_, t);
      const double dd = e.d.lengthSquared();
      if (dd == 0.0) break;
      const double nt = std::clamp(t - dot(e.p - p, e.d) / dd, 0.0, 1.0);
      if (nt == t) break;
      t = nt;
    }
    const Eval e = evalShape(b_, t);
    gap = distance(p, e.p);
    const double c = cross(unit(e.d), p - e.p);
    return c == 0.0 && gap > 0 ? gap : c;
  }

  struct Candidate {
    double s, t;
  };

  // A crossing found by the one-dimensional search, polished by Newton.
  void accept(double s, double t, std::vector<Candidate>& roots) const {
    double ss = s, tt = t;
    if (newton(ss, tt)) {
      roots.push_back({ss, tt});
      return;
    }
    double gap;
    project(evalShape(a_, s).p, t, gap);
    if (gap <= tol_.distance) roots.push_back({s, t});
  }

  // Along an almost parallel pair: signed distance of A's points from B, sampled; sign
  // changes are crossings, minima of |distance| within the tolerance are touches.
  void flatPair(const Part& pa, const Part& pb) {
    constexpr int K = 16;
    double s[K + 1], f[K + 1], t[K + 1], gap[K + 1];
    double tb = (pb.s0 + pb.s1) / 2;
    bool allOn = true;
    for (int k = 0; k <= K; ++k) {
      s[k] = pa.s0 + (pa.s1 - pa.s0) * k / K;
      f[k] = project(evalShape(a_, s[k]).p, tb, gap[k]);
      t[k] = tb;
      allOn = allOn && gap[k] <= tol_.distance;
    }
    if (allOn) {
      RawHit from{s[0], t[0], evalShape(a_, s[0]).p, 0, 0};
      RawHit to{s[K], t[K], evalShape(a_, s[K]).p, 0, 0};
      out_.spans.push_back({from, to});
      return;
    }
    auto fAt = [&](double ss, double& tt) {
      double g;
      return project(evalShape(a_, ss).p, tt, g);
    };
    std::vector<Candidate> roots, touches;
    for (int k = 0; k < K; ++k) {
      if (f[k] == 0.0) accept(s[k], t[k], roots);
      if (f[k] * f[k + 1] < 0) {
        double lo = s[k], hi = s[k + 1], flo = f[k], tt = t[k];
        for (int it = 0; it < 80 && hi - lo > 1e-17; ++it) {
          const double mid = (lo + hi) / 2;
          const double fm = fAt(mid, tt);
          if ((fm < 0) == (flo < 0))
            lo = mid, flo = fm;
          else
            hi = mid;
        }
        accept((lo + hi) / 2, tt, roots);
      }
    }
    // Touches: where the tangents turn parallel (a simple root, unlike the double root of
    // the distance itself) and the curves are within the tolerance there.
    auto gAt = [&](double ss, double& tt) {
      double g;
      project(evalShape(a_, ss).p, tt, g);
      return cross(unit(evalShape(a_, ss).d), unit(evalShape(b_, tt).d));
    };
    double gPrev = 0.0;
    for (int k = 0; k <= K; ++k) {
      double tt = t[k];
      const double gk = gAt(s[k], tt);
      if (gk == 0.0) touch(s[k], tt, touches);
      if (k > 0 && gPrev * gk < 0) {
        double lo = s[k - 1], hi = s[k], glo = gPrev, tm = t[k - 1];
        for (int it = 0; it < 80 && hi - lo > 1e-17; ++it) {
          const double mid = (lo + hi) / 2;
          const double gm = gAt(mid, tm);
          if ((gm < 0) == (glo < 0))
            lo = mid, glo = gm;
          else
            hi = mid;
        }
        touch((lo + hi) / 2, tm, touches);
      }
      gPrev = gk;
    }
    // Near a touch the distance is zero to rounding over a short stretch, and its sign
    // flickers there: such "crossings" are the touch itself.
    for (const Candidate& r : roots) {
      bool same = false;
      for (const Candidate& c : touches) {
        double tt = c.t, gap;
        project(evalShape(a_, (r.s + c.s) / 2).p, tt, gap);
        same = same || gap <= tol_.distance;
      }
      if (!same) addHit(a_, b_, r.s, r.t, evalShape(a_, r.s).p, tol_, out_);
    }
    for (const Candidate& c : touches) addHit(a_, b_, c.s, c.t, evalShape(a_, c.s).p, tol_, out_);
  }

  void touch(double s, double t, std::vector<Candidate>& touches) const {
    double gap;
    project(evalShape(a_, s).p, t, gap);
    if (gap <= tol_.distance) touches.push_back({s, t});
  }

  void recurse(const Part& pa, const Part& pb, int depth) {
    // Bounds for curves that never settle (non-finite or absurd input).
    if (++nodes_ > 20000 || work_ > 2000000) return;
    const Extents2d ba = partBox(a_, pa), bb = partBox(b_, pb);
    if (!grow(ba, tol_.distance).intersects(bb)) return;
    if (ba.width() + ba.height() <= tol_.distance && bb.width() + bb.height() <= tol_.distance) {
      std::vector<Candidate> found;
      accept((pa.s0 + pa.s1) / 2, (pb.s0 + pb.s1) / 2, found);
      for (const Candidate& c : found) addHit(a_, b_, c.s, c.t, evalShape(a_, c.s).p, tol_, out_);
      return;
    }
    const Cone ca = partCone(a_, pa), cb = partCone(b_, pb);
    if (conesDisjoint(ca, cb)) {
      double s = (pa.s0 + pa.s1) / 2, t = (pb.s0 + pb.s1) / 2;
      // At most one crossing here; a root Newton finds outside these parts belongs to
      // the parts that hold it.
      const double ms = (pa.s1 - pa.s0) * 1e-9, mt = (pb.s1 - pb.s0) * 1e-9;
      if (newton(s, t) && s >= pa.s0 - ms && s <= pa.s1 + ms && t >= pb.s0 - mt &&
          t <= pb.s1 + mt) {
        addHit(a_, b_, s, t, evalShape(a_, s).p, tol_, out_);
        return;
      }
    } else if ((ca.half <= 0.15 && cb.half <= 0.15) || depth >= 40) {
      flatPair(pa, pb);
      return;
    }
    if (depth >= 60) return;
    const double sa = ba.width() + ba.height(), sb = bb.width() + bb.height();
    Part l, r;
    if (sa >= sb) {
      split(a_, pa, l, r);
      recurse(l, pb, depth + 1);
      recurse(r, pb, depth + 1);
    } else {
      split(b_, pb, l, r);
      recurse(pa, l, depth + 1);
      recurse(pa, r, depth + 1);
    }
  }

  // Whether A stays within the tolerance of B between two parameters (sampled).
  bool runsTogether(double s0, double s1, double t) const {
    for (int k = 1; k < 8; ++k) {
      double gap;
      project(evalShape(a_, s0 + (s1 - s0) * k / 8).p, t, gap);
      if (gap > tol_.distance) return false;
    }
    return true;
  }

  // Coincident stretches come out of the subdivision as many short spans: join them, run
  // them out to the end points found on the other curve, and drop the hits they cover.
  void mergeRuns(size_t first, size_t firstSpan) {
    if (out_.spans.size() == firstSpan) return;
    std::vector<RawSpan> spans(out_.spans.begin() + firstSpan, out_.spans.end());
    for (RawSpan& sp : spans)
      if (sp.from.sA > sp.to.sA) std::swap(sp.from, sp.to);
    std::sort(spans.begin(), spans.end(),
              [](const RawSpan& x, const RawSpan& y) { return x.from.sA < y.from.sA; });
    std::vector<RawSpan> joined;
    for (const RawSpan& sp : spans) {
      if (!joined.empty() && sp.from.sA <= joined.back().to.sA + 1e-12) {
        if (sp.to.sA > joined.back().to.sA) joined.back().to = sp.to;
      } else {
        joined.push_back(sp);
      }
    }
    std::vector<RawHit> hits(out_.hits.begin() + first, out_.hits.end());
    std::vector<bool> used(hits.size(), false);
    for (RawSpan& sp : joined) {
      for (size_t i = 0; i < hits.size(); ++i) {
        const RawHit& h = hits[i];
        if (h.sA >= sp.from.sA && h.sA <= sp.to.sA) {
          used[i] = true;
        } else if (h.sA < sp.from.sA && runsTogether(h.sA, sp.from.sA, h.sB)) {
          sp.from = h;
          used[i] = true;
        } else if (h.sA > sp.to.sA && runsTogether(sp.to.sA, h.sA, sp.to.sB)) {
          sp.to = h;
          used[i] = true;
        }
      }
    }
    out_.spans.resize(firstSpan);
    out_.spans.insert(out_.spans.end(), joined.begin(), joined.end());
    out_.hits.resize(first);
    for (size_t i = 0; i < hits.size(); ++i)
      if (!used[i]) out_.hits.push_back(hits[i]);
  }

  // Hits between which A stays within the tolerance of B are one contact (a touch is
  // found a little to either side where rounding flips the sign of the distance). The
  // one kept is an end point if there is one, else the one with the most parallel
  // tangents.
  void mergeContacts(size_t first) {
    std::vector<RawHit> kept;
    auto rank = [&](const RawHit& h) {
      if (h.endA || h.endB) return -1.0;
      return std::abs(cross(unit(evalShape(a_, h.sA).d), unit(evalShape(b_, h.sB).d)));
    };
    for (size_t i = first; i < out_.hits.size(); ++i) {
      const RawHit& h = out_.hits[i];
      bool merged = false;
      for (RawHit& k : kept) {
        double t = (k.sB + h.sB) / 2, gap;
        project(evalShape(a_, (k.sA + h.sA) / 2).p, t, gap);
        if (gap > tol_.distance || distance(k.p, h.p) > 1e-3 * (1 + lengthOf(a_))) continue;
        if (rank(h) < rank(k)) k = h;
        merged = true;
        break;
      }
      if (!merged) kept.push_back(h);
    }
    out_.hits.resize(first);
    out_.hits.insert(out_.hits.end(), kept.begin(), kept.end());
  }

  const Shape& a_;
  const Shape& b_;
  const Tolerance& tol_;
  HitSink& out_;
  int nodes_ = 0;
  mutable long work_ = 0;
};

}  // namespace

void solveGeneric(const Shape& a, const Shape& b, const Tolerance& tol, HitSink& out) {
  Solver(a, b, tol, out).run();
}

}  // namespace geom::detail
