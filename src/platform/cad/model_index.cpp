// The spatial index of model space and how it follows the drawing.

#include "platform/cad/model_index.h"

#include <algorithm>

#include "platform/cad/database.h"
#include "platform/cad/plan_polyline.h"
#include "platform/geom/bounds.h"

namespace cad {

namespace {

// Polylines longer than this many segments get one index box per run of segments.
constexpr int kRun = 32;

using detail::PlanPolyline;

geom::Extents2d rangeBox(const PlanPolyline& p, geom::SegmentRange r) {
  geom::Extents2d box;
  const std::size_t n = p.vertexCount();
  for (int i = r.first; i < r.last; ++i) {
    const geom::Point2d a = p.vertex(i), b = p.vertex((i + 1) % n);
    const double bulge = p.bulge(i);
    if (bulge == 0.0) {
      box.add(a), box.add(b);
    } else {
      box.add(geom::bulgeExtents(a, b, bulge));
    }
  }
  return box;
}

}  // namespace

ModelIndex::ModelIndex(const Database& db) : db_(db) {}

ModelIndex::~ModelIndex() = default;

int ModelIndex::partsOf(int segments) { return segments > kRun ? (segments + kRun - 1) / kRun : 1; }

geom::SegmentRange ModelIndex::run(int part, int segments) {
  if (segments <= kRun) return {0, segments};
  return {part * kRun, std::min(part * kRun + kRun, segments)};
}

int ModelIndex::partOfSegment(int segment, int segments) {
  return segments > kRun ? segment / kRun : 0;
}

bool ModelIndex::isModelEntity(const Object& o) const {
  return isEntityKind(o.kind()) && !o.owner().isNull() && o.owner() == db_.modelSpaceId();
}

bool ModelIndex::holds(const Object& o) const { return !o.isErased() && isModelEntity(o); }

std::vector<geom::Extents2d> ModelIndex::boxesOf(const Entity& e) const {
  if (const auto p = PlanPolyline::of(e)) {
    const int segments = p->segments();
    if (segments > kRun) {
      std::vector<geom::Extents2d> boxes;
      for (int part = 0; part < partsOf(segments); ++part) {
        boxes.push_back(rangeBox(*p, run(part, segments)));
      }
      return boxes;
    }
  }
  return {db_.modelExtents().of(e).xy()};
}

void ModelIndex::build() const {
  pending_.clear();
  refs_.clear();
  byName_.clear();
  blockOf_.clear();
  std::vector<IndexEntry> entries;
  db_.forEachEntity(db_.modelSpaceId(), [&](const Entity& e) {
    const std::vector<geom::Extents2d> boxes = boxesOf(e);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      entries.push_back({boxes[i], e.id(), static_cast<int>(i)});
    }
    if (const auto* ref = objectCast<BlockReference>(&e)) {
      std::string name = foldName(ref->blockName());
      byName_[name].insert(e.id().handle());
      refs_[e.id().handle()] = {std::move(name), e.owner()};
    }
    return true;
  });
  for (ObjectId block : db_.blocks().ids()) {
    if (block == db_.modelSpaceId()) continue;
    db_.forEachEntity(block, [&](const Entity& e) {
      blockOf_[e.id().handle()] = block;
      if (const auto* ref = objectCast<BlockReference>(&e)) {
        std::string name = foldName(ref->blockName());
        byName_[name].insert(e.id().handle());
        refs_[e.id().handle()] = {std::move(name), block};
      }
      return true;
    });
  }
  tree_ = std::make_unique<SpatialIndex>(std::move(entries));
}

void ModelIndex::query(const geom::Extents2d& box,
                       const std::function<bool(ObjectId, int)>& visit) const {
  settle();
  tree_->query(box, visit);
}

void ModelIndex::query(const geom::Extents2d& box, std::vector<IndexEntry>& out) const {
  settle();
  tree_->query(box, out);
}

int ModelIndex::partCount(ObjectId id) const {
  settle();
  return tree_->partCount(id);
}

void ModelIndex::partsTouching(ObjectId id, const geom::Extents2d& box,
                               std::vector<int>& parts) const {
  settle();
  tree_->partsTouching(id, box, parts);
}

void ModelIndex::partsTouching(ObjectId id, const geom::Extents2d& box, std::vector<int>& parts,
                               const std::function<bool(const geom::Extents2d&)>& passOver) const {
  settle();
  tree_->partsTouching(id, box, parts, passOver);
}

// ---- following the drawing

// The boxes of a model-space entity anew (none when it is no longer one).
void ModelIndex::followBox(ObjectId id) const {
  const Object* o = db_.peek(id);
  if (o == nullptr || !holds(*o)) {
    tree_->remove(id);
    return;
  }
  const std::vector<geom::Extents2d> boxes = boxesOf(static_cast<const Entity&>(*o));
  tree_->insert(id, boxes);
}

// A change of any object: a model-space entity is boxed anew; a change of a block's record
// or of an entity in a block moves the references to that block.
void ModelIndex::follow(ObjectId id) {
  if (!tree_) return;
  const Object* o = db_.peek(id);
  std::string touched;  // the block whose references move
  if (const auto* rec = o != nullptr ? objectCast<BlockRecord>(o) : nullptr) {
    if (id != db_.modelSpaceId()) touched = rec->name();
  } else if (o == nullptr || isEntityKind(o->kind())) {
    // an entity that went is found where it was kept
    const auto was = blockOf_.find(id.handle());
    if (was != blockOf_.end()) touched = blockNameOf(was->second);
    followReference(id, o);
    if (o != nullptr && !o->owner().isNull() && o->owner() != db_.modelSpaceId())
      touched = blockNameOf(o->owner());
  }
  followBox(id);
  if (!touched.empty()) pending_.insert(foldName(touched));
}

void ModelIndex::followReference(ObjectId id, const Object* o) {
  const Handle h = id.handle();
  forgetReference(h);
  blockOf_.erase(h);
  if (o == nullptr || o->owner().isNull()) return;
  if (o->owner() != db_.modelSpaceId()) blockOf_[h] = o->owner();
  const auto* ref = objectCast<BlockReference>(o);
  if (ref == nullptr || o->isErased()) return;
  std::string name = foldName(ref->blockName());
  byName_[name].insert(h);
  refs_[h] = {std::move(name), o->owner()};
}

void ModelIndex::forgetReference(Handle h) {
  const auto it = refs_.find(h);
  if (it == refs_.end()) return;
  const auto named = byName_.find(it->second.block);
  if (named != byName_.end()) {
    named->second.erase(h);
    if (named->second.empty()) byName_.erase(named);
  }
  refs_.erase(it);
}

std::string ModelIndex::blockNameOf(ObjectId block) const {
  const auto* rec = objectCast<BlockRecord>(db_.peek(block));
  return rec != nullptr && block != db_.modelSpaceId() ? rec->name() : std::string();
}

void ModelIndex::objectAppended(const Database&, ObjectId id) { follow(id); }

void ModelIndex::objectModified(const Database&, ObjectId id) { follow(id); }

void ModelIndex::objectErased(const Database&, ObjectId id, bool) { follow(id); }

void ModelIndex::objectRemoved(const Database&, ObjectId id) { follow(id); }

void ModelIndex::refreshReferences(std::string_view name) {
  if (tree_) pending_.insert(foldName(name));
}

// The references to the blocks changed since the last query, and to every block that holds
// a reference to one of them, outwards, take their boxes anew: once for all the changes
// (a block redefined with a thousand entities moves its references once). A cycle (a
// damaged file) ends where a block is met again.
void ModelIndex::settle() const {
  if (!tree_) {
    build();
    return;
  }
  if (pending_.empty()) return;
  std::vector<std::string> blocks(pending_.begin(), pending_.end());
  std::unordered_set<std::string> seen(std::move(pending_));
  pending_.clear();
  std::vector<ObjectId> moved;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const auto named = byName_.find(blocks[i]);
    if (named == byName_.end()) continue;
    for (Handle h : named->second) {
      const Reference& r = refs_.at(h);
      if (r.owner == db_.modelSpaceId()) {
        moved.push_back(ObjectId(h));
      } else if (std::string outer = foldName(blockNameOf(r.owner));
                 !outer.empty() && seen.insert(outer).second) {
        blocks.push_back(std::move(outer));
      }
    }
  }
  for (ObjectId ref : moved) followBox(ref);
}

}  // namespace cad
