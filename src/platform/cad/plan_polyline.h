#pragma once
// The plan geometry of a polyline entity, for the spatial index, the selection tests and
// cutting. A lightweight polyline in world XY (every contour of a topographic drawing) is
// read in place; contours hold many thousand vertices and are met by every query near
// them, so a copy per query would cost more than the query. Anything else is its world
// curve, copied once. Results are those of the world curve bit for bit.

#include <optional>
#include <span>
#include <variant>

#include "platform/cad/entity.h"
#include "platform/geom/intersect.h"

namespace cad::detail {

class PlanPolyline {
 public:
  // nullopt unless the entity is a polyline whose world curve is a kernel polyline. A view
  // must not outlive the entity or a change to it.
  static std::optional<PlanPolyline> of(const Entity& e);

  int segments() const;
  std::size_t vertexCount() const;
  // Inline: the selection and the cut read them once a segment.
  geom::Point2d vertex(std::size_t i) const {
    if (const auto* v = std::get_if<geom::PolylineView2d>(&geometry_)) return v->points[i];
    if (const auto* p = std::get_if<geom::Polyline2d>(&geometry_)) return p->vertices[i].point;
    return std::get<geom::Polyline3d>(geometry_).vertices[i].xy();
  }
  double bulge(std::size_t i) const {  // 0 for a 3-D polyline
    if (const auto* v = std::get_if<geom::PolylineView2d>(&geometry_)) return v->bulge(i);
    if (const auto* p = std::get_if<geom::Polyline2d>(&geometry_)) return p->vertices[i].bulge;
    return 0.0;
  }

  geom::Intersections cut(const geom::Cutter& other, geom::SegmentRange range) const;
  geom::Intersections cut(const geom::Cutter& other,
                          std::span<const geom::SegmentRange> ranges) const;
  void cut(const geom::Cutter& other, std::span<const geom::SegmentRange> ranges,
           geom::Intersections& out) const;

 private:
  using Geometry = std::variant<geom::PolylineView2d, geom::Polyline2d, geom::Polyline3d>;
  explicit PlanPolyline(Geometry g) : geometry_(std::move(g)) {}
  Geometry geometry_;
};

}  // namespace cad::detail
