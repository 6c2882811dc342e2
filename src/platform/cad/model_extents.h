#pragma once
// The extents of entities (block references through their blocks) and of a database's
// model space. The extents of each model-space entity and their union are kept once
// measured: the change notifications re-measure a changed model-space entity alone; any
// other change (of a block, a table) drops them. The union is refolded from the boxes only
// when an entity on its border shrank or went.

#include <unordered_map>
#include <vector>

#include "platform/cad/database_reactor.h"
#include "platform/geom/extents.h"

namespace cad {

class Entity;

class ModelExtents final : public DatabaseReactor {
 public:
  explicit ModelExtents(Database& db) : db_(db) {}
  ModelExtents(const ModelExtents&) = delete;
  ModelExtents& operator=(const ModelExtents&) = delete;

  // World extents of an entity, block references included (through their block).
  geom::Extents3d of(ObjectId id) const;
  geom::Extents3d of(const Entity& e) const { return of(e, 0); }
  // Computes the extents of model space and stores them as the database's drawing
  // extents. While an object is open for write they are measured afresh and not kept.
  const geom::Extents3d& update();

  void objectAppended(const Database&, ObjectId id) override { follow(id); }
  void objectModified(const Database&, ObjectId id) override { follow(id); }
  void objectErased(const Database&, ObjectId id, bool) override { follow(id); }
  void objectRemoved(const Database&, ObjectId) override { current_ = false; }

 private:
  geom::Extents3d of(const Entity& e, int depth) const;
  geom::Extents3d blockExtents(ObjectId block, int depth) const;
  geom::Extents3d modelEntityBox(const Entity& e) const;
  void measureModelSpace();
  void follow(ObjectId id);

  Database& db_;
  mutable std::vector<ObjectId> path_;  // blocks being measured, to stop at cycles
  // Each block's box, measured once per outermost measurement: a block inserted twice by
  // each of forty nested blocks would otherwise be measured 2^40 times.
  mutable std::unordered_map<Handle, geom::Extents3d> blockBoxes_;
  mutable int blockMeasures_ = 0;  // blocks being measured now
  std::unordered_map<Handle, geom::Extents3d> modelBoxes_;
  geom::Extents3d union_;
  bool current_ = false;     // modelBoxes_ holds every model-space entity
  bool unionStale_ = false;  // union_ must be refolded from modelBoxes_
};

}  // namespace cad
