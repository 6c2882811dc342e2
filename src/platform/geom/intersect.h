#pragma once
// Intersections of two bounded curves projected onto the XY plane.
//
// Lines, arcs and circles in every pairing, and a line with an ellipse, are solved in
// closed form. An ellipse with an arc or another ellipse, and any pair with a NURBS curve,
// are solved on the exact curves by subdivision (boxes culled against each other, tangent
// cones to separate single crossings) and Newton refinement to full double precision.
// Nothing is tessellated.
//
// Precision: both operands are moved so that the first operand's start point lies at the
// origin before anything is computed. Survey coordinates (X ~ 3.5e6) subtracted from
// nearby points are exact, so the local work keeps all digits; results are moved back by
// one addition. An intersection at an end point or polyline vertex (within the tolerance)
// is reported with that stored point bit for bit and the exact parameter (0, 1, i, ...).
//
// Results: each point carries its parameter on both curves (conventions of curves.h) and
// the Z of each curve there. Points are sorted by the parameter on the first curve. A hit
// at a vertex shared by two polyline segments is reported once. A tangent touch gives one
// point. Where the curves run together (collinear segments, coincident arcs) the kind is
// Overlap and the end points of each shared part are given as points and as a span.

#include <memory>
#include <span>
#include <vector>

#include "platform/geom/curves.h"
#include "platform/geom/extents.h"
#include "platform/geom/tolerance.h"

namespace geom {

enum class IntersectionKind { None, Points, Overlap };

struct IntersectionPoint {
  Point2d xy;
  double paramA = 0.0;
  double paramB = 0.0;
  double zA = 0.0;  // Z of the first curve at the point
  double zB = 0.0;
};

struct OverlapSpan {
  IntersectionPoint from;  // lower parameter on the first curve
  IntersectionPoint to;
};

struct Intersections {
  IntersectionKind kind = IntersectionKind::None;
  std::vector<IntersectionPoint> points;
  std::vector<OverlapSpan> overlaps;
};

// Half-open run of polyline segments [first, last).
struct SegmentRange {
  int first = 0;
  int last = 0;
};

namespace detail {
struct PreparedCurve;
}

// One curve prepared for many intersections: its pieces are computed once in the local
// frame. Cutting a polyline costs a box and a band test per segment (a few nanoseconds
// for a straight or arc leg) and allocates nothing unless there are hits.
//
//   const geom::Cutter leg(geom::Polyline2d{{{p0, bulge}, {p1, 0.0}}, false, h});
//   for (const geom::Curve& contour : candidates)
//     for (const geom::IntersectionPoint& q : leg.cut(contour).points) ...
//
// Any tolerance given applies to every cut; the section's own distance thinning is
// independent of it.
class Cutter {
 public:
  explicit Cutter(const Curve& a, const Tolerance& tol = {});
  ~Cutter();
  Cutter(Cutter&&) noexcept;
  Cutter& operator=(Cutter&&) noexcept;
  Cutter(const Cutter&) = delete;
  Cutter& operator=(const Cutter&) = delete;

  // The prepared curve is the first operand ("A") of every result.
  Intersections cut(const Curve& b) const;
  // Only the given segments of b (clamped to its segment count), for runs of segments a
  // spatial index hands out. A hit at the vertex that ends the range is left to the range
  // that starts there (for a closed polyline: vertex 0 to the run from segment 0), so
  // adjacent runs never report it twice; at an open polyline's own end it belongs to the
  // last segment. Within a range, shared vertices are reported once as everywhere.
  Intersections cut(const Polyline2d& b, SegmentRange range) const;
  Intersections cut(const Polyline3d& b, SegmentRange range) const;
  Intersections cut(const PolylineView2d& b, SegmentRange range) const;
  // Only the segments in `ranges` (ascending, not overlapping), assembled as one cut: the
  // result is the whole cut's, bit for bit, when the ranges hold every segment that comes
  // within the tolerance of box() (for runs a spatial index hands out).
  Intersections cut(const Polyline2d& b, std::span<const SegmentRange> ranges) const;
  Intersections cut(const Polyline3d& b, std::span<const SegmentRange> ranges) const;
  Intersections cut(const PolylineView2d& b, std::span<const SegmentRange> ranges) const;
  // The same written into `out` (replacing what it held), whose buffers are reused: for a
  // caller cutting thousands of contours in a row.
  void cut(const Polyline2d& b, std::span<const SegmentRange> ranges, Intersections& out) const;
  void cut(const Polyline3d& b, std::span<const SegmentRange> ranges, Intersections& out) const;
  void cut(const PolylineView2d& b, std::span<const SegmentRange> ranges, Intersections& out) const;

  // Plan box of the prepared curve in world coordinates.
  Extents2d box() const;
  // Whether nothing inside `box` (world coordinates) can come within the tolerance of the
  // prepared curve, so that a cut may pass over it. False when in doubt.
  bool clearOf(const Extents2d& box) const;
  const Tolerance& tolerance() const;

 private:
  std::unique_ptr<detail::PreparedCurve> prepared_;
};

// intersect(a, b) == Cutter(a).cut(b).
Intersections intersect(const Curve& a, const Curve& b, const Tolerance& tol = {});

}  // namespace geom
