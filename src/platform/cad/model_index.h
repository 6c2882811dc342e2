#pragma once
// The spatial index of a database's model space: one box per small entity, one per run of
// segments of a long polyline (so that a query near one end of a long contour does not hand
// over the whole contour). Built in bulk by build() or by the first query, and from then on
// kept in step with the drawing by the database's change notifications, which it hears
// before any reactor.

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/cad/database_reactor.h"
#include "platform/cad/spatial_index.h"
#include "platform/geom/intersect.h"

namespace cad {

class Entity;

class ModelIndex final : public DatabaseReactor {
 public:
  explicit ModelIndex(const Database& db);
  ~ModelIndex() override;
  ModelIndex(const ModelIndex&) = delete;
  ModelIndex& operator=(const ModelIndex&) = delete;

  // Builds the index in bulk now; otherwise the first query does (the only time a query
  // changes anything, which is why the first one must not race with another thread).
  void build() const;
  bool isBuilt() const { return tree_ != nullptr; }

  // Calls `visit` for every (entity, part) whose box touches `box` until it returns false.
  void query(const geom::Extents2d& box,
             const std::function<bool(ObjectId id, int part)>& visit) const;
  // The index boxes (id, part, box) that touch `box`, appended to `out`.
  void query(const geom::Extents2d& box, std::vector<IndexEntry>& out) const;
  // The number of parts `id` has in the index (0 when it is not in it), and those of its
  // parts whose boxes touch `box` (ascending, appended), optionally without the ones
  // `passOver` rules out.
  int partCount(ObjectId id) const;
  void partsTouching(ObjectId id, const geom::Extents2d& box, std::vector<int>& parts) const;
  void partsTouching(ObjectId id, const geom::Extents2d& box, std::vector<int>& parts,
                     const std::function<bool(const geom::Extents2d&)>& passOver) const;
  // Whether an entity is one the index holds: of model space, not erased.
  bool holds(const Object& o) const;

  // How a polyline of `segments` segments is split into parts, and which segments a part
  // stands for.
  static int partsOf(int segments);
  static geom::SegmentRange run(int part, int segments);
  static int partOfSegment(int segment, int segments);

  // The references of model space to the block `name` take their boxes anew (after the
  // block was redefined).
  void refreshReferences(std::string_view name);

  void objectAppended(const Database&, ObjectId id) override;
  void objectModified(const Database&, ObjectId id) override;
  void objectErased(const Database&, ObjectId id, bool erased) override;
  void objectRemoved(const Database&, ObjectId id) override;

 private:
  bool isModelEntity(const Object& o) const;
  std::vector<geom::Extents2d> boxesOf(const Entity& e) const;
  void follow(ObjectId id);

  const Database& db_;
  mutable std::unique_ptr<SpatialIndex> tree_;
};

}  // namespace cad
