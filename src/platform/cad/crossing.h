#pragma once
// The selection polygon: point-in-polygon and boundary crossings of entity curves, the
// exact test after the spatial index has named candidates. Crossings are the kernel's
// intersections of the polygon boundary with the curve (or a run of its segments).

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
  // Whether the curve (projected on XY) touches or crosses the polygon's boundary.
  bool crosses(const geom::Curve& c) const;
  // The same for a run of a polyline's segments.
  bool crosses(const PlanPolyline& p, geom::SegmentRange range) const;

 private:
  std::vector<geom::Point2d> pts_;
  geom::Extents2d box_;
  geom::Cutter boundary_;
};

}  // namespace cad::detail
