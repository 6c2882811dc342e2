#pragma once
// Axis-aligned extents (bounding boxes). A default-constructed box is empty and
// absorbs the first point added to it.

#include <algorithm>
#include <limits>

#include "platform/geom/vec.h"

namespace geom {

struct Extents2d {
  Point2d min{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
  Point2d max{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};

  static constexpr Extents2d of(Point2d a, Point2d b) {
    return {{std::min(a.x, b.x), std::min(a.y, b.y)}, {std::max(a.x, b.x), std::max(a.y, b.y)}};
  }
  constexpr bool empty() const { return min.x > max.x || min.y > max.y; }
  constexpr void add(Point2d p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y)};
  }
  constexpr void add(const Extents2d& o) {
    if (o.empty()) return;
    add(o.min);
    add(o.max);
  }
  constexpr bool intersects(const Extents2d& o) const {
    return !(o.min.x > max.x || o.max.x < min.x || o.min.y > max.y || o.max.y < min.y);
  }
  constexpr bool contains(Point2d p) const {
    return p.x >= min.x && p.x <= max.x && p.y >= min.y && p.y <= max.y;
  }
  constexpr bool contains(const Extents2d& o) const {
    return !o.empty() && contains(o.min) && contains(o.max);
  }
  constexpr double width() const { return max.x - min.x; }
  constexpr double height() const { return max.y - min.y; }
  constexpr Point2d centre() const { return midpoint(min, max); }
};

struct Extents3d {
  Point3d min{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
              std::numeric_limits<double>::infinity()};
  Point3d max{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
              -std::numeric_limits<double>::infinity()};

  constexpr bool empty() const { return min.x > max.x || min.y > max.y || min.z > max.z; }
  constexpr void add(Point3d p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
  }
  constexpr void add(const Extents3d& o) {
    if (o.empty()) return;
    add(o.min);
    add(o.max);
  }
  constexpr Extents2d xy() const {
    if (empty()) return {};
    return {min.xy(), max.xy()};
  }
};

}  // namespace geom
