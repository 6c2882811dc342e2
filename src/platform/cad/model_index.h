#pragma once
// The spatial index of a database's model space: one box per small entity, one per run of
// segments of a long polyline (so that a query near one end of a long contour does not hand
// over the whole contour). Built in bulk by build() or by the first query, and from then on
// kept in step with the drawing by the database's change notifications, which it hears
// before any reactor.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
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

  // The references of model space to the block `name`, and to every block that refers to
  // it, take their boxes anew by the next query. A change of a block's entities or of its
  // record does this by itself; this is for a caller that changed a block behind the
  // notifications.
  void refreshReferences(std::string_view name);

  void objectAppended(const Database&, ObjectId id) override;
  void objectModified(const Database&, ObjectId id) override;
  void objectErased(const Database&, ObjectId id, bool erased) override;
  void objectRemoved(const Database&, ObjectId id) override;

 private:
  bool isModelEntity(const Object& o) const;
  std::vector<geom::Extents2d> boxesOf(const Entity& e) const;
  void follow(ObjectId id);
  void followBox(ObjectId id) const;
  // Builds the index if nobody did, or brings the references of changed blocks in step.
  void settle() const;
  // Keeps refs_ and blockOf_ for an entity outside model space or a reference; `o` null
  // when the object went.
  void followReference(ObjectId id, const Object* o);
  void forgetReference(Handle h);
  std::string blockNameOf(ObjectId block) const;

  const Database& db_;
  mutable std::unique_ptr<SpatialIndex> tree_;
  // What a change inside a block reaches, kept while the index is built: every block
  // reference of the drawing (its block's folded name and its owner), the references by
  // the name they refer to, and the block of each entity outside model space.
  struct Reference {
    std::string block;  // folded
    ObjectId owner;
  };
  mutable std::unordered_map<Handle, Reference> refs_;
  mutable std::unordered_map<std::string, std::unordered_set<Handle>> byName_;
  mutable std::unordered_map<Handle, ObjectId> blockOf_;
  mutable std::unordered_set<std::string> pending_;  // folded names of changed blocks
};

}  // namespace cad
