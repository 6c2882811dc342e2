#include "platform/cad/spatial_index.h"

// GCC 12 at -O3 reports array bounds inside the R-tree's fixed-size node arrays that the
// node capacity rules out; the warning is known to be spurious there.
#pragma GCC diagnostic ignored "-Warray-bounds"

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
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

}  // namespace

struct SpatialIndex::Impl {
  Tree tree;
  // The boxes each id holds, to remove them again without asking the entity (which has
  // changed by then).
  std::unordered_map<Handle, std::vector<BBox>> boxes;
};

SpatialIndex::SpatialIndex() : impl_(std::make_unique<Impl>()) {}

SpatialIndex::SpatialIndex(std::vector<IndexEntry> entries) : impl_(std::make_unique<Impl>()) {
  std::vector<Value> values;
  values.reserve(entries.size());
  for (const IndexEntry& e : entries) {
    const BBox b = toBox(e.box);
    auto& list = impl_->boxes[e.id.handle()];
    if (list.size() <= static_cast<std::size_t>(e.part)) {
      list.resize(e.part + 1, toBox(geom::Extents2d{}));
    }
    list[e.part] = b;
    if (!e.box.empty()) values.push_back({b, {e.id.handle(), e.part}});
  }
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
  if (!list.empty()) impl_->boxes[id.handle()] = std::move(list);
}

void SpatialIndex::remove(ObjectId id) {
  const auto it = impl_->boxes.find(id.handle());
  if (it == impl_->boxes.end()) return;
  for (std::size_t i = 0; i < it->second.size(); ++i) {
    impl_->tree.remove(Value{it->second[i], {id.handle(), static_cast<int>(i)}});
  }
  impl_->boxes.erase(it);
}

bool SpatialIndex::contains(ObjectId id) const { return impl_->boxes.contains(id.handle()); }

std::size_t SpatialIndex::size() const { return impl_->tree.size(); }

int SpatialIndex::partCount(ObjectId id) const {
  const auto it = impl_->boxes.find(id.handle());
  return it == impl_->boxes.end() ? 0 : static_cast<int>(it->second.size());
}

void SpatialIndex::partsTouching(ObjectId id, const geom::Extents2d& box,
                                 std::vector<int>& parts) const {
  const auto it = impl_->boxes.find(id.handle());
  if (it == impl_->boxes.end() || box.empty()) return;
  const BBox b = toBox(box);
  for (std::size_t i = 0; i < it->second.size(); ++i) {
    if (bg::intersects(it->second[i], b)) parts.push_back(static_cast<int>(i));
  }
}

void SpatialIndex::partsTouching(
    ObjectId id, const geom::Extents2d& box, std::vector<int>& parts,
    const std::function<bool(const geom::Extents2d&)>& passOver) const {
  const auto it = impl_->boxes.find(id.handle());
  if (it == impl_->boxes.end() || box.empty()) return;
  const BBox b = toBox(box);
  for (std::size_t i = 0; i < it->second.size(); ++i) {
    const BBox& part = it->second[i];
    if (!bg::intersects(part, b)) continue;
    const geom::Extents2d e{{bg::get<bg::min_corner, 0>(part), bg::get<bg::min_corner, 1>(part)},
                            {bg::get<bg::max_corner, 0>(part), bg::get<bg::max_corner, 1>(part)}};
    if (!passOver(e)) parts.push_back(static_cast<int>(i));
  }
}

void SpatialIndex::query(const geom::Extents2d& box,
                         const std::function<bool(ObjectId, int)>& visit) const {
  if (box.empty()) return;
  for (auto it = impl_->tree.qbegin(bgi::intersects(toBox(box))); it != impl_->tree.qend(); ++it) {
    if (!visit(ObjectId(it->second.handle), it->second.part)) return;
  }
}

}  // namespace cad
