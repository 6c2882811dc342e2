#pragma once
// The selection polygon: point-in-polygon and boundary crossings of entity curves, the
// exact test after the spatial index has named candidates. Crossings are the kernel's
// intersections of the polygon boundary with the curve (or a run of its segments).

#include <optional>
#include <span>
#include <vector>

#include "platform/cad/plan_polyline.h"
#include "platform/geom/curves.h"
#include "platform/geom/extents.h"
#include "platform/geom/intersect.h"

namespace cad::detail {

class SelectionPolygon {
 public:
  explicit SelectionPolygon(std::span<const geom::Point2d> points);

  const geom::Extents2d& box() const { return box_; }
  // Even-odd rule; points on the boundary count as inside.
  bool contains(geom::Point2d p) const;
  // Whether `p` lies inside a rectangular polygon beyond any doubt (farther from its
  // boundary than the kernel's tolerance and the rounding of its frame): a curve through
  // such a point is selected by crossing, whatever the rest of it does.
  bool surelyInside(geom::Point2d p) const { return rectangle_ && sideOf(p) == Side::Inside; }
  // Whether the curve (projected on XY) touches or crosses the polygon's boundary.
  bool crosses(const geom::Curve& c) const;
  // The same for a run of a polyline's segments.
  bool crosses(const PlanPolyline& p, geom::SegmentRange range) const;

 private:
  enum class Side { Outside, Inside, Unsure };
  // Where a point lies against the rectangle, beyond doubt (the tolerance and the rounding
  // of the kernel's frame included), for a rectangular polygon only.
  Side sideOf(geom::Point2d p) const;
  const geom::Cutter& boundary() const;

  std::vector<geom::Point2d> pts_;
  geom::Extents2d box_;
  // A selection box (every crossing selection of a cut is one) settles most segments by
  // comparisons; the kernel is prepared only when one comes within reach of the boundary.
  bool rectangle_ = false;
  geom::Extents2d inner_, outer_;
  mutable std::optional<geom::Cutter> boundary_;
};

}  // namespace cad::detail
