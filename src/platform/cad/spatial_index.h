#pragma once
// A spatial index of plan boxes keyed by (entity id, part): one box for a small entity,
// one box per run of segments for a polyline with many vertices, so that a query near one
// end of a long contour does not hand over the whole contour. An R-tree underneath.

#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/geom/extents.h"

namespace cad {

struct IndexEntry {
  geom::Extents2d box;
  ObjectId id;
  int part = 0;
};

class SpatialIndex {
 public:
  SpatialIndex();
  // Bulk build (packed tree): much faster than inserting one by one after a load.
  explicit SpatialIndex(std::vector<IndexEntry> entries);
  ~SpatialIndex();
  SpatialIndex(SpatialIndex&&) noexcept;
  SpatialIndex& operator=(SpatialIndex&&) noexcept;

  // The parts of `id` are the boxes in order (part = position); replaces earlier ones.
  void insert(ObjectId id, std::span<const geom::Extents2d> parts);
  void remove(ObjectId id);
  bool contains(ObjectId id) const;
  std::size_t size() const;  // number of boxes

  // The number of parts `id` was given (0 when it is not in the index), and those of its
  // parts whose boxes touch `box`, ascending (appended to `parts`): a long polyline's runs
  // near something, without a tree query.
  int partCount(ObjectId id) const;
  void partsTouching(ObjectId id, const geom::Extents2d& box, std::vector<int>& parts) const;
  // The same without the parts whose box `passOver` rules out.
  void partsTouching(ObjectId id, const geom::Extents2d& box, std::vector<int>& parts,
                     const std::function<bool(const geom::Extents2d&)>& passOver) const;

  // Calls `visit` for every box that touches `box` until it returns false.
  void query(const geom::Extents2d& box,
             const std::function<bool(ObjectId id, int part)>& visit) const;
  // Every box that touches `box`, with its id and part, appended to `out` in the order the
  // visiting query gives them.
  void query(const geom::Extents2d& box, std::vector<IndexEntry>& out) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace cad
