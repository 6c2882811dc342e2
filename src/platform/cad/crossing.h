#pragma once
// Exact tests of curves against a selection polygon: does a curve cross the polygon's
// boundary, does a point lie inside. Used after the spatial index has named candidates.

#include <span>
#include <vector>

#include "platform/geom/curves.h"
#include "platform/geom/extents.h"

namespace cad::detail {

class SelectionPolygon {
 public:
  explicit SelectionPolygon(std::span<const geom::Point2d> points);

  const geom::Extents2d& box() const { return box_; }
  // Even-odd rule; points on the boundary count as inside.
  bool contains(geom::Point2d p) const;
  // Whether the curve (projected on XY) touches or crosses any edge of the polygon.
  bool crosses(const geom::Curve& c) const;
  bool crossesSegment(geom::Point2d a, geom::Point2d b) const;

 private:
  std::vector<geom::Point2d> pts_;
  geom::Extents2d box_;
};

// A point of the curve (its start), used to tell "inside" from "outside" once it is
// known that the curve does not cross the boundary.
geom::Point2d anyPointOf(const geom::Curve& c);

}  // namespace cad::detail
