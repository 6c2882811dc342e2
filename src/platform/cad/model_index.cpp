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
  std::vector<IndexEntry> entries;
  db_.forEachEntity(db_.modelSpaceId(), [&](const Entity& e) {
    const std::vector<geom::Extents2d> boxes = boxesOf(e);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      entries.push_back({boxes[i], e.id(), static_cast<int>(i)});
    }
    return true;
  });
  tree_ = std::make_unique<SpatialIndex>(std::move(entries));
}

void ModelIndex::query(const geom::Extents2d& box,
                       const std::function<bool(ObjectId, int)>& visit) const {
  if (!tree_) build();
  tree_->query(box, visit);
}

void ModelIndex::query(const geom::Extents2d& box, std::vector<IndexEntry>& out) const {
  if (!tree_) build();
  tree_->query(box, out);
}

int ModelIndex::partCount(ObjectId id) const {
  if (!tree_) build();
  return tree_->partCount(id);
}

void ModelIndex::partsTouching(ObjectId id, const geom::Extents2d& box,
                               std::vector<int>& parts) const {
  if (!tree_) build();
  tree_->partsTouching(id, box, parts);
}

void ModelIndex::partsTouching(ObjectId id, const geom::Extents2d& box, std::vector<int>& parts,
                               const std::function<bool(const geom::Extents2d&)>& passOver) const {
  if (!tree_) build();
  tree_->partsTouching(id, box, parts, passOver);
}

// ---- following the drawing

void ModelIndex::follow(ObjectId id) {
  if (!tree_) return;
  const Object* o = db_.peek(id);
  if (o == nullptr || !holds(*o)) {
    tree_->remove(id);
    return;
  }
  const std::vector<geom::Extents2d> boxes = boxesOf(static_cast<const Entity&>(*o));
  tree_->insert(id, boxes);
}

void ModelIndex::objectAppended(const Database&, ObjectId id) { follow(id); }

void ModelIndex::objectModified(const Database&, ObjectId id) { follow(id); }

void ModelIndex::objectErased(const Database&, ObjectId id, bool) { follow(id); }

void ModelIndex::objectRemoved(const Database&, ObjectId id) {
  if (tree_) tree_->remove(id);
}

void ModelIndex::refreshReferences(std::string_view name) {
  if (!tree_) return;
  const std::string folded = foldName(name);
  db_.forEachEntity(db_.modelSpaceId(), [&](const Entity& e) {
    const auto* ref = objectCast<BlockReference>(&e);
    if (ref != nullptr && foldName(ref->blockName()) == folded) follow(e.id());
    return true;
  });
}

}  // namespace cad
