// Extents, the spatial index of model space and selection by polygon.

#include <algorithm>
#include <cmath>

#include "platform/cad/crossing.h"
#include "platform/cad/database.h"
#include "platform/cad/plan_polyline.h"
#include "platform/cad/spatial_index.h"
#include "platform/geom/bounds.h"
#include "platform/geom/evaluate.h"

namespace cad {

namespace {

// Polylines longer than this many segments get one index box per run of segments.
constexpr int kRun = 32;
// Block nesting deeper than this is taken as a cycle in a damaged file.
constexpr int kMaxDepth = 32;

using detail::PlanPolyline;

int partCount(int segments) { return segments > kRun ? (segments + kRun - 1) / kRun : 1; }

geom::SegmentRange rangeOf(int part, int segments) {
  if (segments <= kRun) return {0, segments};
  return {part * kRun, std::min(part * kRun + kRun, segments)};
}

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

// ---- extents

geom::Extents3d Database::blockExtents(ObjectId block, int depth) const {
  geom::Extents3d box;
  const auto* rec = objectCast<BlockRecord>(find(block));
  if (rec == nullptr || depth > kMaxDepth) return box;
  // A block met again on the way down is a cycle (a damaged file): it adds nothing.
  if (std::find(extentsPath_.begin(), extentsPath_.end(), block) != extentsPath_.end()) {
    return box;
  }
  // The boxes are kept for the outermost measurement only, so no change of the drawing can
  // leave a stale one behind.
  if (blockMeasures_ == 0) blockBoxes_.clear();
  if (const auto known = blockBoxes_.find(block.handle()); known != blockBoxes_.end()) {
    return known->second;
  }
  extentsPath_.push_back(block);
  ++blockMeasures_;
  for (ObjectId id : rec->entities_) {
    const auto* e = objectCast<Entity>(find(id));
    if (e != nullptr && !e->isErased()) box.add(extentsOf(*e, depth + 1));
  }
  --blockMeasures_;
  extentsPath_.pop_back();
  blockBoxes_.emplace(block.handle(), box);
  return box;
}

geom::Extents3d Database::extentsOf(const Entity& e, int depth) const {
  const auto* ref = objectCast<BlockReference>(&e);
  if (ref == nullptr) return e.extents();
  const ObjectId block = blocks_.getIdAt(ref->blockName());
  const auto* rec = objectCast<BlockRecord>(find(block));
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

geom::Extents3d Database::extentsOf(ObjectId id) const {
  const auto* e = objectCast<Entity>(find(id));
  return e == nullptr ? geom::Extents3d{} : extentsOf(*e, 0);
}

// An entity's box as the measure of model space sees it (model space on the path).
geom::Extents3d Database::modelEntityBox(const Entity& e) const {
  extentsPath_.push_back(modelSpaceId());
  const geom::Extents3d box = extentsOf(e, 1);
  extentsPath_.pop_back();
  return box;
}

void Database::measureModelSpace() {
  modelBoxes_.clear();
  forEachEntity(modelSpaceId(), [&](const Entity& e) {
    modelBoxes_.emplace(e.id().handle(), modelEntityBox(e));
    return true;
  });
  modelExtentsCurrent_ = true;
  modelUnionStale_ = true;
}

const geom::Extents3d& Database::updateExtents() {
  if (writesOpen_ > 0) {  // an object may be half changed: measure, but do not keep
    extents_ = blockExtents(modelSpaceId(), 0);
    return extents_;
  }
  if (!modelExtentsCurrent_) measureModelSpace();
  if (modelUnionStale_) {
    modelExtents_ = {};
    for (const auto& [handle, box] : modelBoxes_) modelExtents_.add(box);
    modelUnionStale_ = false;
  }
  extents_ = modelExtents_;
  return extents_;
}

// ---- index

bool Database::isIndexed(const Object& o) const {
  return isEntityKind(o.kind()) && !o.owner().isNull() && o.owner() == modelSpaceId();
}

std::vector<geom::Extents2d> Database::indexBoxes(const Entity& e) const {
  if (const auto p = PlanPolyline::of(e)) {
    const int segments = p->segments();
    if (segments > kRun) {
      std::vector<geom::Extents2d> boxes;
      for (int part = 0; part < partCount(segments); ++part) {
        boxes.push_back(rangeBox(*p, rangeOf(part, segments)));
      }
      return boxes;
    }
  }
  return {extentsOf(e, 0).xy()};
}

void Database::indexEntity(const Entity& e) const {
  const std::vector<geom::Extents2d> boxes = indexBoxes(e);
  index_->insert(e.id(), boxes);
}

void Database::entityChanged(const Object& o) {
  if (!index_ || !isIndexed(o)) return;
  if (o.isErased()) {
    index_->remove(o.id());
  } else {
    indexEntity(static_cast<const Entity&>(o));
  }
}

void Database::buildIndex() const {
  std::vector<IndexEntry> entries;
  forEachEntity(modelSpaceId(), [&](const Entity& e) {
    const std::vector<geom::Extents2d> boxes = indexBoxes(e);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      entries.push_back({boxes[i], e.id(), static_cast<int>(i)});
    }
    return true;
  });
  index_ = std::make_unique<SpatialIndex>(std::move(entries));
}

void Database::queryBox(const geom::Extents2d& box,
                        const std::function<bool(ObjectId, int)>& visit) const {
  if (!index_) buildIndex();
  index_->query(box, visit);
}

void Database::queryBox(const geom::Extents2d& box, std::vector<IndexEntry>& out) const {
  if (!index_) buildIndex();
  index_->query(box, out);
}

// ---- intersection

// The box within which a segment can meet the prepared curve: its box grown by the
// tolerance, and by a margin for the rounding of boxes computed in other frames (index
// boxes in world coordinates, the prepared curve's in its own).
geom::Extents2d Database::cutReach(const geom::Cutter& c) {
  geom::Extents2d box = c.box();
  if (box.empty()) return box;
  const double size = std::max(
      {std::fabs(box.min.x), std::fabs(box.min.y), std::fabs(box.max.x), std::fabs(box.max.y)});
  const double margin = 2 * c.tolerance().distance + 1e-9 * (1.0 + size);
  return {box.min - geom::Vector2d{margin, margin}, box.max + geom::Vector2d{margin, margin}};
}

namespace {

// Parts in ascending order as runs of segments; neighbouring parts make one run.
std::vector<geom::SegmentRange> runsOf(const std::vector<int>& parts, int segments) {
  std::vector<geom::SegmentRange> runs;
  for (int part : parts) {
    const geom::SegmentRange r = rangeOf(part, segments);
    if (!runs.empty() && runs.back().last == r.first) {
      runs.back().last = r.last;
    } else {
      runs.push_back(r);
    }
  }
  return runs;
}

}  // namespace

geom::Intersections Database::intersectWith(const Entity& e, const geom::Cutter& other) const {
  const auto* curve = objectCast<CurveEntity>(&e);
  if (curve == nullptr) return {};
  const std::optional<PlanPolyline> polyline = PlanPolyline::of(e);
  if (!polyline) return other.cut(curve->curve());
  const int segments = polyline->segments();
  // The index knows the runs of an entity of model space as it was last closed; one of
  // another block, or one open for writing now, is cut whole.
  if (segments > kRun && isIndexed(e) && find(e.id()) == &e && e.openForWrite_ == 0) {
    if (!index_) buildIndex();
    if (index_->partCount(e.id()) == partCount(segments)) {
      std::vector<int> parts;
      // Runs near the box but clear of the curve itself (most of them, for a long straight
      // leg across contours) would be passed over segment by segment in the cut.
      index_->partsTouching(e.id(), cutReach(other), parts,
                            [&](const geom::Extents2d& run) { return other.clearOf(run); });
      const std::vector<geom::SegmentRange> runs = runsOf(parts, segments);
      return polyline->cut(other, runs);
    }
  }
  return polyline->cut(other, geom::SegmentRange{0, segments});
}

geom::Intersections Database::intersectWith(const Entity& e, const geom::Cutter& other,
                                            std::span<const geom::SegmentRange> ranges) const {
  const auto* curve = objectCast<CurveEntity>(&e);
  if (curve == nullptr) return {};
  const std::optional<PlanPolyline> polyline = PlanPolyline::of(e);
  if (!polyline) return other.cut(curve->curve());
  return polyline->cut(other, ranges);
}

geom::SegmentRange Database::indexRun(int part, int segments) { return rangeOf(part, segments); }

// ---- selection

// Whether one part of an entity is selected. A part that does not cross the polygon's
// boundary lies wholly inside or wholly outside, so one of its points decides.
bool Database::partSelected(const Entity& e, const PlanPolyline* polyline, int part,
                            const detail::SelectionPolygon& poly, bool window) const {
  if (polyline != nullptr) {
    const int segments = polyline->segments();
    const geom::SegmentRange r = rangeOf(part, segments);
    if (polyline->vertexCount() == 0) return false;
    const bool inside = poly.contains(polyline->vertex(r.first));
    if (segments == 0) return inside;
    if (inside != window) return inside;
    return window != poly.crosses(*polyline, r);
  }
  if (const auto* c = objectCast<CurveEntity>(&e)) {
    const geom::Curve curve = c->curve();
    const std::optional<geom::Point3d> start = c->startPoint();
    if (!start) return false;
    const bool inside = poly.contains(start->xy());
    if (inside != window) return inside;
    return window != poly.crosses(curve);
  }
  // Points, texts, references and opaque entities are taken by their box.
  const geom::Extents2d b = extentsOf(e, 0).xy();
  if (b.empty()) return false;
  const bool inside = poly.contains(b.min);
  if (b.min == b.max) return inside;
  if (inside != window) return inside;
  const geom::Polyline2d outline{
      {{b.min, 0}, {{b.max.x, b.min.y}, 0}, {b.max, 0}, {{b.min.x, b.max.y}, 0}}, true, 0.0};
  if (window) return !poly.crosses(outline);
  // A polygon wholly inside the box selects it: the box stands for a filled area.
  return b.contains(poly.box().min) || poly.crosses(outline);
}

bool Database::entitySelected(const Entity& e, const detail::SelectionPolygon& poly,
                              bool window) const {
  const std::optional<PlanPolyline> polyline = PlanPolyline::of(e);
  const int parts = polyline ? partCount(polyline->segments()) : 1;
  for (int p = 0; p < parts; ++p) {
    const bool hit = partSelected(e, polyline ? &*polyline : nullptr, p, poly, window);
    if (hit != window) return hit;  // crossing: any part; window: every part
  }
  return window;
}

bool Database::crossingSelects(const Entity& e, const detail::SelectionPolygon& poly,
                               int likely) const {
  if (!index_) buildIndex();
  thread_local std::vector<int> parts;
  parts.clear();
  index_->partsTouching(e.id(), poly.box(), parts);
  if (parts.empty()) return false;
  const std::optional<PlanPolyline> polyline = PlanPolyline::of(e);
  const PlanPolyline* p = polyline ? &*polyline : nullptr;
  // One selected part is enough, whichever it is.
  if (p != nullptr && likely >= 0 && likely < p->segments()) {
    const int first = p->segments() > kRun ? likely / kRun : 0;
    const auto at = std::find(parts.begin(), parts.end(), first);
    if (at != parts.end()) {
      if (partSelected(e, p, first, poly, false)) return true;
      parts.erase(at);
    }
  }
  for (int part : parts) {
    if (partSelected(e, p, part, poly, false)) return true;
  }
  return false;
}

bool Database::crossesPolygon(ObjectId id, std::span<const geom::Point2d> polygon) const {
  const auto* e = objectCast<Entity>(find(id));
  if (e == nullptr || e->isErased() || polygon.size() < 3) return false;
  return entitySelected(*e, detail::SelectionPolygon(polygon), false);
}

bool Database::insidePolygon(ObjectId id, std::span<const geom::Point2d> polygon) const {
  const auto* e = objectCast<Entity>(find(id));
  if (e == nullptr || e->isErased() || polygon.size() < 3) return false;
  const detail::SelectionPolygon poly(polygon);
  if (!poly.box().contains(extentsOf(*e, 0).xy())) return false;
  return entitySelected(*e, poly, true);
}

std::vector<ObjectId> Database::selectCrossing(std::span<const geom::Point2d> polygon) const {
  std::vector<ObjectId> hits;
  if (polygon.size() < 3) return hits;
  const detail::SelectionPolygon poly(polygon);
  std::vector<std::pair<ObjectId, int>> candidates;
  queryBox(poly.box(), [&](ObjectId id, int part) {
    candidates.emplace_back(id, part);
    return true;
  });
  std::sort(candidates.begin(), candidates.end());
  // The entity in hand and its polyline, found and made once for all its parts.
  const Entity* e = nullptr;
  std::optional<PlanPolyline> polyline;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const ObjectId id = candidates[i].first;
    if (!hits.empty() && hits.back() == id) continue;  // one part is enough
    if (i == 0 || candidates[i - 1].first != id) {
      e = objectCast<Entity>(find(id));
      if (e != nullptr) polyline = PlanPolyline::of(*e);
    }
    if (e == nullptr) continue;
    if (partSelected(*e, polyline ? &*polyline : nullptr, candidates[i].second, poly, false)) {
      hits.push_back(id);
    }
  }
  return hits;
}

std::vector<ObjectId> Database::selectWindow(std::span<const geom::Point2d> polygon) const {
  std::vector<ObjectId> hits;
  if (polygon.size() < 3) return hits;
  const detail::SelectionPolygon poly(polygon);
  std::vector<ObjectId> candidates;
  queryBox(poly.box(), [&](ObjectId id, int) {
    candidates.push_back(id);
    return true;
  });
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  for (ObjectId id : candidates) {
    const auto* e = objectCast<Entity>(find(id));
    if (e == nullptr || !poly.box().contains(extentsOf(*e, 0).xy())) continue;
    if (entitySelected(*e, poly, true)) hits.push_back(id);
  }
  return hits;
}

}  // namespace cad
