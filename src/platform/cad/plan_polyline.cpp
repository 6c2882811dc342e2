#include "platform/cad/plan_polyline.h"

#include "platform/cad/ocs.h"
#include "platform/cad/polylines.h"
#include "platform/geom/evaluate.h"

namespace cad::detail {

std::optional<PlanPolyline> PlanPolyline::of(const Entity& e) {
  if (const auto* p = objectCast<LwPolyline>(&e)) {
    // In world XY the stored points are the world points (the OCS maps them exactly).
    if (Ocs(p->extrusion().normal).planeSign() > 0) {
      return PlanPolyline(
          geom::PolylineView2d{p->points(), p->bulges(), p->isClosed(), p->elevation()});
    }
  } else if (objectCast<OldPolyline>(&e) == nullptr) {
    return std::nullopt;
  }
  geom::Curve c = static_cast<const CurveEntity&>(e).curve();
  if (auto* p = std::get_if<geom::Polyline2d>(&c)) return PlanPolyline(std::move(*p));
  if (auto* p = std::get_if<geom::Polyline3d>(&c)) return PlanPolyline(std::move(*p));
  return std::nullopt;
}

int PlanPolyline::segments() const {
  return std::visit([](const auto& p) { return geom::segmentCount(p); }, geometry_);
}

std::size_t PlanPolyline::vertexCount() const {
  if (const auto* v = std::get_if<geom::PolylineView2d>(&geometry_)) return v->points.size();
  if (const auto* p = std::get_if<geom::Polyline2d>(&geometry_)) return p->vertices.size();
  return std::get<geom::Polyline3d>(geometry_).vertices.size();
}

geom::Intersections PlanPolyline::cut(const geom::Cutter& other, geom::SegmentRange range) const {
  return std::visit([&](const auto& p) { return other.cut(p, range); }, geometry_);
}

geom::Intersections PlanPolyline::cut(const geom::Cutter& other,
                                      std::span<const geom::SegmentRange> ranges) const {
  return std::visit([&](const auto& p) { return other.cut(p, ranges); }, geometry_);
}

void PlanPolyline::cut(const geom::Cutter& other, std::span<const geom::SegmentRange> ranges,
                       geom::Intersections& out) const {
  std::visit([&](const auto& p) { other.cut(p, ranges, out); }, geometry_);
}

}  // namespace cad::detail
