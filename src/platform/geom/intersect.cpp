#include "platform/geom/intersect.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

#include "platform/geom/bulge.h"
#include "platform/geom/evaluate.h"
#include "platform/geom/pieces.h"

namespace geom {
namespace detail {

struct PreparedCurve {
  Curve curve;
  Tolerance tol;
  Point2d origin;
  std::vector<Piece> pieces;
  std::vector<Strip> strips;  // one per piece
  Extents2d box;              // local frame
};

namespace {

struct Hit {
  IntersectionPoint ip;
  int endA = 0, endB = 0;
};

struct Collected {
  std::vector<Hit> hits;
  std::vector<std::pair<Hit, Hit>> spans;
  std::vector<Hit> kept;  // the assembly's, kept here for its capacity
};

// The buffers of a cut, kept from one cut to the next on this thread: a section cut makes
// thousands of cuts of a few hits each, and their allocations cost more than the cuts.
// A cut made while another is being assembled (none is today) gets buffers of its own.
class Scratch {
 public:
  Scratch() : s_(own().busy ? local_ : own()) {
    if (&s_ != &local_) s_.busy = true;
    s_.c.hits.clear();
    s_.c.spans.clear();
    s_.sink.clear();
  }
  ~Scratch() {
    if (&s_ != &local_) s_.busy = false;
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  Collected& collected() { return s_.c; }
  HitSink& sink() { return s_.sink; }

 private:
  struct Buffers {
    Collected c;
    HitSink sink;
    bool busy = false;
  };
  static Buffers& own() {
    thread_local Buffers b;
    return b;
  }
  Buffers local_;
  Buffers& s_;
};

bool finite(const Extents2d& b) {
  return std::isfinite(b.min.x) && std::isfinite(b.min.y) && std::isfinite(b.max.x) &&
         std::isfinite(b.max.y);
}

Extents2d grown(const Extents2d& b, double d) {
  return {b.min - Vector2d{d, d}, b.max + Vector2d{d, d}};
}

// Solves one piece of B against every piece of A whose box it meets.
void solveAgainst(const PreparedCurve& a, const Piece& pb, HitSink& sink, Collected& out) {
  // Non-finite input has no intersections (and NaN boxes would meet everything).
  if (!finite(pb.box)) return;
  for (size_t i = 0; i < a.pieces.size(); ++i) {
    const Piece& pa = a.pieces[i];
    if (!grown(pa.box, a.tol.distance).intersects(pb.box)) continue;
    if (clearOf(a.strips[i], pb.box, a.tol.distance)) continue;
    sink.clear();
    solvePieces(pa.shape, pb.shape, a.tol, sink);
    auto map = [&](const RawHit& h) {
      Hit r;
      r.ip.xy = h.p;
      r.ip.paramA = curveParam(pa, h.sA);
      r.ip.paramB = curveParam(pb, h.sB);
      r.endA = h.endA;
      r.endB = h.endB;
      return r;
    };
    for (const RawHit& h : sink.hits) out.hits.push_back(map(h));
    for (const RawSpan& s : sink.spans) out.spans.emplace_back(map(s.from), map(s.to));
  }
}

// Conservative plan box of a bulge segment, cheap enough to reject most segments.
Extents2d quickBox(Point2d p0, Point2d p1, double b) {
  Extents2d box = Extents2d::of(p0, p1);
  if (b == 0.0) return box;
  const double L = std::sqrt((p1 - p0).lengthSquared());  // hypot is slow in this loop
  const double reach = bulgeReach(L, b);
  return grown(box, reach * 1.000001);
}

double paramEps(const ParamRange& r) { return 1e-6 * std::max(1.0, r.hi - r.lo); }

bool sameSpot(const Hit& x, const Hit& y, double tol, double epsA, double epsB, double periodA,
              double periodB) {
  auto close = [](double p, double q, double eps, double period) {
    const double d = std::abs(p - q);
    return d <= eps || (period > 0 && std::abs(d - period) <= eps);
  };
  return distance(x.ip.xy, y.ip.xy) <= tol && close(x.ip.paramA, y.ip.paramA, epsA, periodA) &&
         close(x.ip.paramB, y.ip.paramB, epsB, periodB);
}

// What the assembly needs of the second curve, without copying a long polyline.
struct CurveB {
  ParamRange range;
  bool closed = false;
  std::function<Point3d(double)> pointAt;
};

CurveB viewOf(const Curve& b) {
  return {paramRange(b), isClosed(b), [&b](double u) { return geom::pointAt(b, u); }};
}

template <class Poly>
CurveB viewOf(const Poly& b) {
  const int segs = segmentCount(b);
  return {{0.0, static_cast<double>(segs)}, b.closed && segs > 1, [&b](double u) {
            return geom::pointAt(b, u);
          }};
}

// Into `res`, whose buffers are reused: the cut of many contours a few hits each need not
// allocate for each.
void assemble(const PreparedCurve& a, const CurveB& b, Collected& c, bool dropAtParamB,
              double dropParamB, Intersections& res) {
  res.kind = IntersectionKind::None;
  res.points.clear();
  res.overlaps.clear();
  if (c.hits.empty() && c.spans.empty()) return;
  const ParamRange ra = paramRange(a.curve), rb = b.range;
  const bool closedA = isClosed(a.curve), closedB = b.closed;
  const double periodA = closedA ? ra.hi - ra.lo : 0, periodB = closedB ? rb.hi - rb.lo : 0;
  const double epsA = paramEps(ra), epsB = paramEps(rb);
  const double tol = a.tol.distance;
  auto finish = [&](Hit& h) {
    const Point3d pa = pointAt(a.curve, h.ip.paramA), pb = b.pointAt(h.ip.paramB);
    if (h.endA)
      h.ip.xy = pa.xy();
    else if (h.endB)
      h.ip.xy = pb.xy();
    else
      h.ip.xy = {h.ip.xy.x + a.origin.x, h.ip.xy.y + a.origin.y};
    h.ip.zA = pa.z;
    h.ip.zB = pb.z;
    if (closedA && h.ip.paramA >= ra.hi) h.ip.paramA = ra.lo;
    if (closedB && h.ip.paramB >= rb.hi) h.ip.paramB = rb.lo;
  };
  for (Hit& h : c.hits) finish(h);
  for (auto& [f, t] : c.spans) {
    finish(f);
    finish(t);
    // A span that runs to the end of a closed curve keeps its end parameter.
    if (closedA && t.ip.paramA == ra.lo && f.ip.paramA > ra.lo) t.ip.paramA = ra.hi;
    if (f.ip.paramA > t.ip.paramA) std::swap(f, t);
  }
  if (dropAtParamB) {
    std::erase_if(c.hits, [&](const Hit& h) { return h.ip.paramB == dropParamB; });
  }
  // Spans that overlap or continue one another (consecutive pieces) become one.
  std::sort(c.spans.begin(), c.spans.end(),
            [](const auto& x, const auto& y) { return x.first.ip.paramA < y.first.ip.paramA; });
  std::vector<std::pair<Hit, Hit>> spans;
  for (const auto& s : c.spans) {
    if (!spans.empty() && (s.first.ip.paramA <= spans.back().second.ip.paramA + epsA ||
                           distance(spans.back().second.ip.xy, s.first.ip.xy) <= tol)) {
      if (s.second.ip.paramA > spans.back().second.ip.paramA) spans.back().second = s.second;
    } else {
      spans.push_back(s);
    }
  }
  std::sort(c.hits.begin(), c.hits.end(), [](const Hit& x, const Hit& y) {
    return x.ip.paramA < y.ip.paramA || (x.ip.paramA == y.ip.paramA && x.ip.paramB < y.ip.paramB);
  });
  std::vector<Hit>& kept = c.kept;
  kept.clear();
  for (const Hit& h : c.hits) {
    bool onSpan = false;
    for (const auto& s : spans)
      onSpan = onSpan || distance(s.first.ip.xy, h.ip.xy) <= tol ||
               distance(s.second.ip.xy, h.ip.xy) <= tol ||
               (h.ip.paramA >= s.first.ip.paramA && h.ip.paramA <= s.second.ip.paramA);
    if (onSpan) continue;
    // Only hits within epsA of h along the first curve can be the same spot: those at the
    // back of `kept` (in order of paramA up to epsA, since a merge moves an entry by less),
    // and for a closed first curve those one period away at its front. Looking at all of
    // them made a contour crossing the section line N times cost N squared.
    const auto merge = [&](Hit& k) {
      if (!sameSpot(k, h, tol, epsA, epsB, periodA, periodB)) return false;
      // Keep the one that sits on a stored end point.
      if (!(k.endA || k.endB) && (h.endA || h.endB)) k = h;
      return true;
    };
    bool merged = false;
    for (std::size_t j = kept.size(); j-- > 0 && !merged;) {
      if (kept[j].ip.paramA < h.ip.paramA - 2 * epsA) break;
      merged = merge(kept[j]);
    }
    for (std::size_t j = 0; periodA > 0 && !merged && j < kept.size(); ++j) {
      if (kept[j].ip.paramA > h.ip.paramA - periodA + 2 * epsA) break;
      merged = merge(kept[j]);
    }
    if (!merged) kept.push_back(h);
  }
  res.points.reserve(kept.size() + 2 * spans.size());
  for (const Hit& h : kept) res.points.push_back(h.ip);
  for (const auto& s : spans) {
    res.overlaps.push_back({s.first.ip, s.second.ip});
    res.points.push_back(s.first.ip);
    res.points.push_back(s.second.ip);
  }
  // (A stable sort takes a buffer even for a list already in order, as most are.)
  const auto byParamA = [](const IntersectionPoint& x, const IntersectionPoint& y) {
    return x.paramA < y.paramA;
  };
  if (!std::is_sorted(res.points.begin(), res.points.end(), byParamA))
    std::stable_sort(res.points.begin(), res.points.end(), byParamA);
  res.kind = !res.overlaps.empty() ? IntersectionKind::Overlap
             : res.points.empty()  ? IntersectionKind::None
                                   : IntersectionKind::Points;
}

Intersections assemble(const PreparedCurve& a, const CurveB& b, Collected& c, bool dropAtParamB,
                       double dropParamB) {
  Intersections res;
  assemble(a, b, c, dropAtParamB, dropParamB, res);
  return res;
}

Point2d local(Point2d p, Point2d o) { return {p.x - o.x, p.y - o.y}; }

// A run of segments leaves the hit at its end vertex to the run that starts there, unless
// it ends the polyline (open) or is the whole polyline.
bool leavesEnd(SegmentRange range, int segs, bool closed) {
  const bool whole = range.first <= 0 && range.last >= segs;
  return !whole && (range.last < segs || closed);
}

// The parameter of that vertex as results carry it (a closed polyline's end is its start).
double endParam(int last, int segs, bool closed) {
  return closed && last == segs ? 0.0 : static_cast<double>(last);
}

// Vertex access for the polylines a cut walks segment by segment; a 3-D polyline's
// segments are straight.
struct Poly2dVertices {
  const Polyline2d& p;
  std::size_t size() const { return p.vertices.size(); }
  Point2d point(std::size_t i) const { return p.vertices[i].point; }
  double bulge(std::size_t i) const { return p.vertices[i].bulge; }
};

struct Poly3dVertices {
  const Polyline3d& p;
  std::size_t size() const { return p.vertices.size(); }
  Point2d point(std::size_t i) const { return p.vertices[i].xy(); }
  double bulge(std::size_t) const { return 0.0; }
};

struct ViewVertices {
  const PolylineView2d& p;
  std::size_t size() const { return p.points.size(); }
  Point2d point(std::size_t i) const { return p.points[i]; }
  double bulge(std::size_t i) const { return p.bulge(i); }
};

// The hits of segments [first, last) of b: a box and a band test reject most segments.
template <class V>
void collectSegments(const PreparedCurve& a, const V& b, int first, int last, HitSink& sink,
                     Collected& c) {
  const Extents2d abox = grown(a.box, a.tol.distance);
  const int n = static_cast<int>(b.size());
  const bool single = a.pieces.size() == 1;
  auto solve = [&](const Piece& pb) { solveAgainst(a, pb, sink, c); };
  for (int i = first; i < last; ++i) {
    const double bulge = b.bulge(i);
    const Point2d p0 = local(b.point(i), a.origin);
    const Point2d p1 = local(b.point(i + 1 < n ? i + 1 : 0), a.origin);
    if (!abox.intersects(quickBox(p0, p1, bulge))) continue;
    if (single && clearOf(a.strips[0], p0, p1, bulge, a.tol.distance)) continue;
    bulgePieces(p0, p1, bulge, i, i + 1.0, solve);
  }
}

// A polyline of one vertex is that point.
template <class V>
void collectLoneVertex(const PreparedCurve& a, const V& b, int segs, HitSink& sink, Collected& c) {
  if (segs != 0 || b.size() != 1) return;
  const Point2d p = local(b.point(0), a.origin);
  solveAgainst(a, Piece{LinePc{p, p}, 0, 0, Extents2d::of(p, p)}, sink, c);
}

template <class Poly, class V>
Intersections cutRange(const PreparedCurve& a, const Poly& b, const V& v, SegmentRange range) {
  const int segs = segmentCount(b);
  const int last = std::min(segs, range.last);
  Scratch scratch;
  Collected& c = scratch.collected();
  HitSink& sink = scratch.sink();
  collectSegments(a, v, std::max(0, range.first), last, sink, c);
  collectLoneVertex(a, v, segs, sink, c);
  return assemble(a, viewOf(b), c, leavesEnd(range, segs, b.closed),
                  endParam(last, segs, b.closed));
}

// Hits at the ends of the ranges are kept: where two runs meet, both are there (the
// segments on either side of a vertex near the prepared curve are), and the assembly
// merges the two hits as in a whole cut.
template <class Poly, class V>
void cutRanges(const PreparedCurve& a, const Poly& b, const V& v,
               std::span<const SegmentRange> ranges, Intersections& out) {
  const int segs = segmentCount(b);
  Scratch scratch;
  Collected& c = scratch.collected();
  HitSink& sink = scratch.sink();
  for (const SegmentRange& r : ranges) {
    collectSegments(a, v, std::max(0, r.first), std::min(segs, r.last), sink, c);
  }
  collectLoneVertex(a, v, segs, sink, c);
  assemble(a, viewOf(b), c, false, 0.0, out);
}

template <class Poly, class V>
Intersections cutRanges(const PreparedCurve& a, const Poly& b, const V& v,
                        std::span<const SegmentRange> ranges) {
  Intersections res;
  cutRanges(a, b, v, ranges, res);
  return res;
}

}  // namespace
}  // namespace detail

using detail::Collected;
using detail::HitSink;
using detail::Piece;

Cutter::Cutter(const Curve& a, const Tolerance& tol) : prepared_(new detail::PreparedCurve) {
  prepared_->curve = a;
  prepared_->tol = tol;
  prepared_->origin = startPoint(a).xy();
  detail::forEachPiece(a, prepared_->origin, 0, INT_MAX, [&](const Piece& p) {
    if (!detail::finite(p.box)) return;
    prepared_->pieces.push_back(p);
    prepared_->strips.push_back(detail::stripOf(p.shape));
    prepared_->box.add(p.box);
  });
}

Cutter::~Cutter() = default;
Cutter::Cutter(Cutter&&) noexcept = default;
Cutter& Cutter::operator=(Cutter&&) noexcept = default;

const Tolerance& Cutter::tolerance() const { return prepared_->tol; }

bool Cutter::clearOf(const Extents2d& box) const {
  const detail::PreparedCurve& a = *prepared_;
  if (box.empty() || a.pieces.size() != 1 || !detail::finite(box)) return false;
  // The box in the local frame, grown by far more than the rounding of that move.
  const double size = std::max(
      {std::fabs(box.min.x), std::fabs(box.min.y), std::fabs(box.max.x), std::fabs(box.max.y)});
  const double margin = 1e-9 * (1.0 + size);
  const Vector2d o{a.origin.x, a.origin.y};
  const Extents2d local = detail::grown({box.min - o, box.max - o}, margin);
  return !detail::grown(a.box, a.tol.distance).intersects(local) ||
         detail::clearOf(a.strips[0], local, a.tol.distance);
}

Extents2d Cutter::box() const {
  const Extents2d& b = prepared_->box;
  if (b.empty()) return b;
  const Vector2d o{prepared_->origin.x, prepared_->origin.y};
  return {b.min + o, b.max + o};
}

Intersections Cutter::cut(const Curve& b) const {
  if (const auto* p = std::get_if<Polyline2d>(&b)) return cut(*p, {0, INT_MAX});
  if (const auto* p = std::get_if<Polyline3d>(&b)) return cut(*p, {0, INT_MAX});
  const detail::PreparedCurve& a = *prepared_;
  const Extents2d abox = detail::grown(a.box, a.tol.distance);
  Collected c;
  HitSink sink;
  detail::forEachPiece(b, a.origin, 0, INT_MAX, [&](const Piece& pb) {
    if (abox.intersects(pb.box)) detail::solveAgainst(a, pb, sink, c);
  });
  return detail::assemble(a, detail::viewOf(b), c, false, 0.0);
}

Intersections Cutter::cut(const Polyline2d& b, SegmentRange range) const {
  return detail::cutRange(*prepared_, b, detail::Poly2dVertices{b}, range);
}

Intersections Cutter::cut(const Polyline3d& b, SegmentRange range) const {
  return detail::cutRange(*prepared_, b, detail::Poly3dVertices{b}, range);
}

Intersections Cutter::cut(const PolylineView2d& b, SegmentRange range) const {
  return detail::cutRange(*prepared_, b, detail::ViewVertices{b}, range);
}

Intersections Cutter::cut(const Polyline2d& b, std::span<const SegmentRange> ranges) const {
  return detail::cutRanges(*prepared_, b, detail::Poly2dVertices{b}, ranges);
}

Intersections Cutter::cut(const Polyline3d& b, std::span<const SegmentRange> ranges) const {
  return detail::cutRanges(*prepared_, b, detail::Poly3dVertices{b}, ranges);
}

Intersections Cutter::cut(const PolylineView2d& b, std::span<const SegmentRange> ranges) const {
  return detail::cutRanges(*prepared_, b, detail::ViewVertices{b}, ranges);
}

void Cutter::cut(const Polyline2d& b, std::span<const SegmentRange> ranges,
                 Intersections& out) const {
  detail::cutRanges(*prepared_, b, detail::Poly2dVertices{b}, ranges, out);
}

void Cutter::cut(const Polyline3d& b, std::span<const SegmentRange> ranges,
                 Intersections& out) const {
  detail::cutRanges(*prepared_, b, detail::Poly3dVertices{b}, ranges, out);
}

void Cutter::cut(const PolylineView2d& b, std::span<const SegmentRange> ranges,
                 Intersections& out) const {
  detail::cutRanges(*prepared_, b, detail::ViewVertices{b}, ranges, out);
}

Intersections intersect(const Curve& a, const Curve& b, const Tolerance& tol) {
  return Cutter(a, tol).cut(b);
}

}  // namespace geom
