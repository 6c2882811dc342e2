#include "platform/cad/spatial_index.h"

// GCC 12 at -O3 reports array bounds inside the R-tree's fixed-size node arrays that the
// node capacity rules out; the warning is known to be spurious there.
#pragma GCC diagnostic ignored "-Warray-bounds"

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <boost/iterator/function_output_iterator.hpp>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace cad {

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace {

using BPoint = bg::model::point<double, 2, bg::cs::cartesian>;
using BBox = bg::model::box<BPoint>;
struct Key {
  Handle handle;
  int part;
};
using Value = std::pair<BBox, Key>;

BBox toBox(const geom::Extents2d& e) {
  return BBox(BPoint(e.min.x, e.min.y), BPoint(e.max.x, e.max.y));
}

struct ValueEqual {
  bool operator()(const Value& a, const Value& b) const {
    return a.second.handle == b.second.handle && a.second.part == b.second.part &&
           bg::equals(a.first, b.first);
  }
};

struct ValueIndexable {
  using result_type = const BBox&;
  result_type operator()(const Value& v) const { return v.first; }
};

using Tree = bgi::rtree<Value, bgi::rstar<16>, ValueIndexable, ValueEqual>;

// The parts of one id, and the box of every block of kBlock parts: a query near a few runs
// of a contour with thousands of them looks at the blocks, and only then at their parts.
constexpr std::size_t kBlock = 16;
struct Parts {
  std::vector<BBox> boxes;
  std::vector<geom::Extents2d> blocks;
};

Parts partsOf(std::vector<BBox> boxes) {
  Parts p;
  p.boxes = std::move(boxes);
  p.blocks.resize((p.boxes.size() + kBlock - 1) / kBlock);
  for (std::size_t i = 0; i < p.boxes.size(); ++i) {
    const BBox& b = p.boxes[i];
    const double x0 = bg::get<bg::min_corner, 0>(b), y0 = bg::get<bg::min_corner, 1>(b);
    const double x1 = bg::get<bg::max_corner, 0>(b), y1 = bg::get<bg::max_corner, 1>(b);
    geom::Extents2d& block = p.blocks[i / kBlock];
    if (std::isnan(x0) || std::isnan(y0) || std::isnan(x1) || std::isnan(y1)) {
      // a box no comparison settles: its block is looked into whatever the query
      constexpr double inf = std::numeric_limits<double>::infinity();
      block.add(geom::Point2d{-inf, -inf});
      block.add(geom::Point2d{inf, inf});
    } else if (x0 <= x1 && y0 <= y1) {
      block.add(geom::Point2d{x0, y0});
      block.add(geom::Point2d{x1, y1});
    }
  }
  return p;
}

}  // namespace

struct SpatialIndex::Impl {
  Tree tree;
  // The boxes each id holds, to remove them again without asking the entity (which has
  // changed by then).
  std::unordered_map<Handle, Parts> boxes;
};

SpatialIndex::SpatialIndex() : impl_(std::make_unique<Impl>()) {}

SpatialIndex::SpatialIndex(std::vector<IndexEntry> entries) : impl_(std::make_unique<Impl>()) {
  std::vector<Value> values;
  values.reserve(entries.size());
  std::unordered_map<Handle, std::vector<BBox>> lists;
  for (const IndexEntry& e : entries) {
    const BBox b = toBox(e.box);
    auto& list = lists[e.id.handle()];
    if (list.size() <= static_cast<std::size_t>(e.part)) {
      list.resize(e.part + 1, toBox(geom::Extents2d{}));
    }
    list[e.part] = b;
    if (!e.box.empty()) values.push_back({b, {e.id.handle(), e.part}});
  }
  for (auto& [handle, list] : lists) impl_->boxes.emplace(handle, partsOf(std::move(list)));
  impl_->tree = Tree(values.begin(), values.end());  // packing construction
}

SpatialIndex::~SpatialIndex() = default;
SpatialIndex::SpatialIndex(SpatialIndex&&) noexcept = default;
SpatialIndex& SpatialIndex::operator=(SpatialIndex&&) noexcept = default;

void SpatialIndex::insert(ObjectId id, std::span<const geom::Extents2d> parts) {
  remove(id);
  std::vector<BBox> list;
  list.reserve(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    list.push_back(toBox(parts[i]));
    if (!parts[i].empty()) impl_->tree.insert({list.back(), {id.handle(), static_cast<int>(i)}});
  }
  if (!list.empty()) impl_->boxes[id.handle()] = partsOf(std::move(list));
}

void SpatialIndex::remove(ObjectId id) {
  const auto it = impl_->boxes.find(id.handle());
  if (it == impl_->boxes.end()) return;
  const std::vector<BBox>& list = it->second.boxes;
  for (std::size_t i = 0; i < list.size(); ++i) {
    impl_->tree.remove(Value{list[i], {id.handle(), static_cast<int>(i)}});
  }
  impl_->boxes.erase(it);
}

bool SpatialIndex::contains(ObjectId id) const { return impl_->boxes.contains(id.handle()); }

std::size_t SpatialIndex::size() const { return impl_->tree.size(); }

int SpatialIndex::partCount(ObjectId id) const {
  const auto it = impl_->boxes.find(id.handle());
  return it == impl_->boxes.end() ? 0 : static_cast<int>(it->second.boxes.size());
}

namespace {

// The parts of `p` whose boxes touch `box` and that `skip` does not rule out, ascending.
template <class Skip>
void partsNear(const Parts& p, const geom::Extents2d& box, std::vector<int>& parts,
               const Skip& skip) {
  const BBox b = toBox(box);
  for (std::size_t k = 0; k < p.blocks.size(); ++k) {
    if (!p.blocks[k].intersects(box)) continue;
    for (std::size_t i = k * kBlock; i < std::min(p.boxes.size(), k * kBlock + kBlock); ++i) {
      if (bg::intersects(p.boxes[i], b) && !skip(p.boxes[i])) parts.push_back(static_cast<int>(i));
    }
  }
}

}  // namespace

void SpatialIndex::partsTouching(ObjectId id, const geom::Extents2d& box,
                                 std::vector<int>& parts) const {
  const auto it = impl_->boxes.find(id.handle());
  if (it == impl_->boxes.end() || box.empty()) return;
  partsNear(it->second, box, parts, [](const BBox&) { return false; });
}

void SpatialIndex::partsTouching(
    ObjectId id, const geom::Extents2d& box, std::vector<int>& parts,
    const std::function<bool(const geom::Extents2d&)>& passOver) const {
  const auto it = impl_->boxes.find(id.handle());
  if (it == impl_->boxes.end() || box.empty()) return;
  partsNear(it->second, box, parts, [&](const BBox& part) {
    return passOver({{bg::get<bg::min_corner, 0>(part), bg::get<bg::min_corner, 1>(part)},
                     {bg::get<bg::max_corner, 0>(part), bg::get<bg::max_corner, 1>(part)}});
  });
}

void SpatialIndex::query(const geom::Extents2d& box,
                         const std::function<bool(ObjectId, int)>& visit) const {
  if (box.empty()) return;
  for (auto it = impl_->tree.qbegin(bgi::intersects(toBox(box))); it != impl_->tree.qend(); ++it) {
    if (!visit(ObjectId(it->second.handle), it->second.part)) return;
  }
}

void SpatialIndex::query(const geom::Extents2d& box, std::vector<IndexEntry>& out) const {
  if (box.empty()) return;
  // The tree's own walk with an output (the same depth-first order as the visiting query's
  // iterator, at a fraction of its cost per box).
  impl_->tree.query(
      bgi::intersects(toBox(box)), boost::make_function_output_iterator([&out](const Value& v) {
        const BBox& b = v.first;
        out.push_back({{{bg::get<bg::min_corner, 0>(b), bg::get<bg::min_corner, 1>(b)},
                        {bg::get<bg::max_corner, 0>(b), bg::get<bg::max_corner, 1>(b)}},
                       ObjectId(v.second.handle),
                       v.second.part});
      }));
}

}  // namespace cad
