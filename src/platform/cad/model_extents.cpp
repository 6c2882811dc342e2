// Extents of entities and of model space, kept in step with the drawing.

#include "platform/cad/model_extents.h"

#include <algorithm>

#include "platform/cad/database.h"

namespace cad {

namespace {

// Block nesting deeper than this is taken as a cycle in a damaged file.
constexpr int kMaxDepth = 32;

// Whether the union `outer` may shrink when the box `old` of one of its members becomes
// `now`: only where `old` reached a side of the union and `now` falls short of it.
bool mayShrink(const geom::Extents3d& old, const geom::Extents3d& now,
               const geom::Extents3d& outer) {
  if (old.empty()) return false;
  const auto fallsShort = [](double was, double is, double side, bool low) {
    return low ? was <= side && is > was : was >= side && is < was;
  };
  if (now.empty()) {
    return old.min.x <= outer.min.x || old.min.y <= outer.min.y || old.min.z <= outer.min.z ||
           old.max.x >= outer.max.x || old.max.y >= outer.max.y || old.max.z >= outer.max.z;
  }
  return fallsShort(old.min.x, now.min.x, outer.min.x, true) ||
         fallsShort(old.min.y, now.min.y, outer.min.y, true) ||
         fallsShort(old.min.z, now.min.z, outer.min.z, true) ||
         fallsShort(old.max.x, now.max.x, outer.max.x, false) ||
         fallsShort(old.max.y, now.max.y, outer.max.y, false) ||
         fallsShort(old.max.z, now.max.z, outer.max.z, false);
}

}  // namespace

geom::Extents3d ModelExtents::blockExtents(ObjectId block, int depth) const {
  geom::Extents3d box;
  const auto* rec = objectCast<BlockRecord>(db_.peek(block));
  if (rec == nullptr || depth > kMaxDepth) return box;
  // A block met again on the way down is a cycle (a damaged file): it adds nothing.
  if (std::find(path_.begin(), path_.end(), block) != path_.end()) return box;
  // The boxes are kept for the outermost measurement only, so no change of the drawing can
  // leave a stale one behind.
  if (blockMeasures_ == 0) blockBoxes_.clear();
  if (const auto known = blockBoxes_.find(block.handle()); known != blockBoxes_.end()) {
    return known->second;
  }
  path_.push_back(block);
  ++blockMeasures_;
  for (ObjectId id : rec->entityIds()) {
    const auto* e = objectCast<Entity>(db_.peek(id));
    if (e != nullptr && !e->isErased()) box.add(of(*e, depth + 1));
  }
  --blockMeasures_;
  path_.pop_back();
  blockBoxes_.emplace(block.handle(), box);
  return box;
}

geom::Extents3d ModelExtents::of(const Entity& e, int depth) const {
  const auto* ref = objectCast<BlockReference>(&e);
  if (ref == nullptr) return e.extents();
  const ObjectId block = db_.blocks().getIdAt(ref->blockName());
  const auto* rec = objectCast<BlockRecord>(db_.peek(block));
  if (rec == nullptr) return {};
  const geom::Extents3d inner = blockExtents(block, depth);
  geom::Extents3d box;
  if (inner.empty()) {
    box.add(ref->toWorld(rec->basePoint(), rec->basePoint()));
    return box;
  }
  // The eight corners of the block's box, mapped: exact for an unrotated reference and a
  // safe cover otherwise.
  for (double x : {inner.min.x, inner.max.x}) {
    for (double y : {inner.min.y, inner.max.y}) {
      for (double z : {inner.min.z, inner.max.z})
        box.add(ref->toWorld({x, y, z}, rec->basePoint()));
    }
  }
  return box;
}

geom::Extents3d ModelExtents::of(ObjectId id) const {
  const auto* e = objectCast<Entity>(db_.peek(id));
  return e == nullptr ? geom::Extents3d{} : of(*e, 0);
}

// An entity's box as the measure of model space sees it (model space on the path).
geom::Extents3d ModelExtents::modelEntityBox(const Entity& e) const {
  path_.push_back(db_.modelSpaceId());
  const geom::Extents3d box = of(e, 1);
  path_.pop_back();
  return box;
}

void ModelExtents::measureModelSpace() {
  modelBoxes_.clear();
  db_.forEachEntity(db_.modelSpaceId(), [&](const Entity& e) {
    modelBoxes_.emplace(e.id().handle(), modelEntityBox(e));
    return true;
  });
  current_ = true;
  unionStale_ = true;
}

const geom::Extents3d& ModelExtents::update() {
  if (db_.writesOpen() > 0) {  // an object may be half changed: measure, but do not keep
    db_.setDrawingExtents(blockExtents(db_.modelSpaceId(), 0));
    return db_.drawingExtents();
  }
  if (!current_) measureModelSpace();
  if (unionStale_) {
    union_ = {};
    for (const auto& [handle, box] : modelBoxes_) union_.add(box);
    unionStale_ = false;
  }
  db_.setDrawingExtents(union_);
  return db_.drawingExtents();
}

// Brings the kept boxes in step with a change of the object `id`: a model-space entity is
// measured anew, any other change may move references, so everything is measured again.
void ModelExtents::follow(ObjectId id) {
  if (!current_) return;
  const auto* e = objectCast<Entity>(db_.peek(id));
  if (e == nullptr || e->owner() != db_.modelSpaceId()) {
    current_ = false;
    return;
  }
  const geom::Extents3d box = e->isErased() ? geom::Extents3d{} : modelEntityBox(*e);
  const auto old = modelBoxes_.find(id.handle());
  if (old != modelBoxes_.end()) {
    if (!unionStale_ && mayShrink(old->second, box, union_)) unionStale_ = true;
    modelBoxes_.erase(old);
  }
  if (e->isErased()) return;
  modelBoxes_.emplace(id.handle(), box);
  union_.add(box);
}

}  // namespace cad
