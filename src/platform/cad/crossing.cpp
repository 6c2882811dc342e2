#include "platform/cad/crossing.h"

#include "platform/geom/bounds.h"

namespace cad::detail {
namespace {

geom::Polyline2d closedOutline(std::span<const geom::Point2d> points) {
  geom::Polyline2d p;
  p.closed = true;
  for (const auto& q : points) p.vertices.push_back({q, 0.0});
  return p;
}

double orient(geom::Point2d a, geom::Point2d b, geom::Point2d c) {
  return geom::cross(b - a, c - a);
}

}  // namespace

SelectionPolygon::SelectionPolygon(std::span<const geom::Point2d> points)
    : pts_(points.begin(), points.end()), boundary_(closedOutline(points)) {
  for (const auto& p : pts_) box_.add(p);
}

bool SelectionPolygon::contains(geom::Point2d p) const {
  if (!box_.contains(p) || pts_.empty()) return false;
  bool inside = false;
  const std::size_t n = pts_.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const geom::Point2d a = pts_[j], b = pts_[i];
    if (orient(a, b, p) == 0 && std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) &&
        std::min(a.y, b.y) <= p.y && p.y <= std::max(a.y, b.y)) {
      return true;
    }
    if ((b.y > p.y) != (a.y > p.y) && p.x < (a.x - b.x) * (p.y - b.y) / (a.y - b.y) + b.x) {
      inside = !inside;
    }
  }
  return inside;
}

bool SelectionPolygon::crosses(const geom::Curve& c) const {
  return boundary_.cut(c).kind != geom::IntersectionKind::None;
}

bool SelectionPolygon::crosses(const PlanPolyline& p, geom::SegmentRange range) const {
  return p.cut(boundary_, range).kind != geom::IntersectionKind::None;
}

}  // namespace cad::detail
