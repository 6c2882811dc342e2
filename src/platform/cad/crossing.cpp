#include "platform/cad/crossing.h"

#include <algorithm>
#include <cmath>

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

// Whether the segment ab meets the box (Liang and Barsky's clipping). Rounding moves the
// answer by far less than the margins the callers leave.
bool segmentMeets(geom::Point2d a, geom::Point2d b, const geom::Extents2d& box) {
  double t0 = 0.0, t1 = 1.0;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {a.x - box.min.x, box.max.x - a.x, a.y - box.min.y, box.max.y - a.y};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0.0) {
      if (q[k] < 0.0) return false;
      continue;
    }
    const double r = q[k] / p[k];
    if (p[k] < 0.0) {
      t0 = std::max(t0, r);
    } else {
      t1 = std::min(t1, r);
    }
  }
  return t0 <= t1;
}

// Four corners each on the box's corners, in order around it.
bool isRectangle(std::span<const geom::Point2d> p, const geom::Extents2d& box) {
  if (p.size() != 4 || !(box.width() > 0) || !(box.height() > 0)) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    const geom::Point2d a = p[i], b = p[(i + 1) % 4];
    const bool onX = a.x == box.min.x || a.x == box.max.x;
    const bool onY = a.y == box.min.y || a.y == box.max.y;
    if (!onX || !onY || (a.x != b.x && a.y != b.y)) return false;
  }
  return true;
}

}  // namespace

SelectionPolygon::SelectionPolygon(std::span<const geom::Point2d> points)
    : pts_(points.begin(), points.end()) {
  for (const auto& p : pts_) box_.add(p);
  rectangle_ = isRectangle(pts_, box_);
  if (rectangle_) {
    // The kernel's tolerance, and the rounding of its frame (the boundary's first corner at
    // the origin), many times over: a point beyond this margin is clear of the boundary.
    const double size = std::max({std::fabs(box_.min.x), std::fabs(box_.min.y),
                                  std::fabs(box_.max.x), std::fabs(box_.max.y)});
    const double margin = 16 * geom::Tolerance{}.distance + 1e-9 * (1.0 + size);
    const geom::Vector2d m{margin, margin};
    outer_ = {box_.min - m, box_.max + m};
    inner_ = {box_.min + m, box_.max - m};
    if (inner_.empty()) rectangle_ = false;
  }
}

const geom::Cutter& SelectionPolygon::boundary() const {
  if (!boundary_) boundary_.emplace(closedOutline(pts_));
  return *boundary_;
}

SelectionPolygon::Side SelectionPolygon::sideOf(geom::Point2d p) const {
  if (!outer_.contains(p)) return Side::Outside;
  if (inner_.min.x < p.x && p.x < inner_.max.x && inner_.min.y < p.y && p.y < inner_.max.y) {
    return Side::Inside;
  }
  return Side::Unsure;
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
  return boundary().cut(c).kind != geom::IntersectionKind::None;
}

// Straight segments against a rectangle: one that runs from clearly inside to clearly
// outside crosses, one wholly clear of the boundary band does not, and only the others
// are left to the kernel, one segment each (a hit on the vertex two segments share is
// found by the one that starts there, as in a whole run).
bool SelectionPolygon::crosses(const PlanPolyline& p, geom::SegmentRange range) const {
  if (!rectangle_) return p.cut(boundary(), range).kind != geom::IntersectionKind::None;
  const int segments = p.segments();
  const int last = std::min(range.last, segments);
  const std::size_t n = p.vertexCount();
  // Which sides of the outer box a point lies beyond: a straight segment with both ends
  // beyond the same side is clear of the boundary band, settled without a division.
  auto beyond = [&](geom::Point2d q) {
    return (q.x < outer_.min.x ? 1 : 0) | (q.x > outer_.max.x ? 2 : 0) |
           (q.y < outer_.min.y ? 4 : 0) | (q.y > outer_.max.y ? 8 : 0);
  };
  const int first = std::max(0, range.first);
  geom::Point2d b = first < last ? p.vertex(static_cast<std::size_t>(first)) : geom::Point2d{};
  int beyondB = beyond(b);
  for (int i = first; i < last; ++i) {
    const geom::Point2d a = b;
    const int beyondA = beyondB;
    b = p.vertex(static_cast<std::size_t>(i + 1) < n ? i + 1 : 0);
    beyondB = beyond(b);
    if (p.bulge(static_cast<std::size_t>(i)) == 0.0) {
      if ((beyondA & beyondB) != 0) continue;
      const Side sa = sideOf(a), sb = sideOf(b);
      if (sa == Side::Inside && sb == Side::Inside) continue;
      if ((sa == Side::Inside && sb == Side::Outside) ||
          (sa == Side::Outside && sb == Side::Inside)) {
        return true;
      }
      if (!segmentMeets(a, b, outer_)) continue;
      // From outside the box through its inside and out again.
      if (sa == Side::Outside && sb == Side::Outside && segmentMeets(a, b, inner_)) return true;
    }
    if (p.cut(boundary(), geom::SegmentRange{i, i + 1}).kind != geom::IntersectionKind::None) {
      return true;
    }
  }
  // A lone vertex, or whatever the loop above does not reach: as the kernel says.
  if (segments == 0) return p.cut(boundary(), range).kind != geom::IntersectionKind::None;
  return false;
}

}  // namespace cad::detail
