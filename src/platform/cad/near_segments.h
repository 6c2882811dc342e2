#pragma once
// The curves of model space near the cuts a batch will make (the cross-sections along a
// centreline), taken apart into their segments once and filed in a grid: each cut then
// looks at the few segments within its reach, where the spatial index would hand it runs
// of many segments and whole small curves.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/geom/extents.h"
#include "platform/geom/intersect.h"

namespace cad {

class Database;

class NearSegments {
 public:
  // A curve a cut may meet, with the ranges of its segments to cut (empty for a curve that
  // is no polyline: it is cut whole).
  struct Curve {
    ObjectId id;
    std::span<const geom::SegmentRange> ranges;
  };

  // Gathers the curves whose index boxes touch any of `boxes` (one per cut to come). The
  // database must not change while this lives.
  NearSegments(const Database& db, std::span<const geom::Extents2d> boxes);

  // The curves a cut with `other` may meet, in ascending handle order, each with every
  // segment whose box touches Database::cutReach(other) and that `other` is not clear of,
  // as Database::intersectWith(e, other, ranges) asks. False (and nothing) when that reach
  // does not lie inside boxes[box]: the caller asks the index instead.
  bool near(std::size_t box, const geom::Cutter& other, std::vector<Curve>& out);

 private:
  struct Item {
    geom::Extents2d box;
    std::uint32_t curve;   // into ids_
    std::int32_t segment;  // -1: the whole curve
  };
  std::int64_t cellKey(std::int64_t ix, std::int64_t iy) const { return ix * ny_ + iy; }
  // The cell column and row of a coordinate, clamped to the grid.
  std::int64_t ix(double x) const { return clampCell((x - area_.min.x) * perCell_, nx_); }
  std::int64_t iy(double y) const { return clampCell((y - area_.min.y) * perCell_, ny_); }
  static std::int64_t clampCell(double f, std::int64_t n) {
    if (!(f > 0)) return 0;
    return f >= static_cast<double>(n - 1) ? n - 1 : static_cast<std::int64_t>(f);
  }

  std::vector<geom::Extents2d> boxes_;
  std::vector<ObjectId> ids_;  // ascending
  std::vector<Item> items_;
  // The grid: the items of cell c are filed_[first_[c]] up to filed_[first_[c + 1]]; an
  // item over many cells is in `wide_` instead (ascending).
  geom::Extents2d area_;
  double cell_ = 1.0, perCell_ = 1.0;
  std::int64_t nx_ = 1, ny_ = 1;
  std::vector<std::uint32_t> first_;
  std::vector<std::uint32_t> filed_;
  std::vector<std::uint32_t> wide_;
  // Per query: items seen (by query number), the hits, the ranges handed out.
  std::vector<std::uint32_t> seen_;
  std::uint32_t query_ = 0;
  std::vector<std::pair<std::uint32_t, std::int32_t>> hits_;
  std::vector<geom::SegmentRange> ranges_;
};

}  // namespace cad
