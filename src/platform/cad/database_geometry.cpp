// Extents, the spatial index of model space and selection by polygon.

#include <algorithm>
#include <cmath>

#include "platform/cad/crossing.h"
#include "platform/cad/curve_util.h"
#include "platform/cad/database.h"
#include "platform/cad/spatial_index.h"

namespace cad {

namespace {

// Polylines longer than this many segments get one index box per run of segments.
constexpr std::size_t kRun = 32;
// Block nesting deeper than this is taken as a cycle in a damaged file.
constexpr int kMaxDepth = 32;

// The plan geometry of a polyline as the index and the selection see it.
struct PlanPolyline {
  std::vector<geom::Point2d> points;
  std::vector<double> bulges;  // empty: all straight
  bool closed = false;

  std::size_t segments() const {
    const std::size_t n = points.size();
    return n < 2 ? 0 : (closed ? n : n - 1);
  }
  geom::BulgeArc segment(std::size_t i) const {
    return {points[i], points[(i + 1) % points.size()], bulges.empty() ? 0.0 : bulges[i], 0.0};
  }
};

// Plan polylines for the entities that may be long; nullopt for everything else.
std::optional<PlanPolyline> planPolyline(const Entity& e) {
  if (const auto* lw = objectCast<LwPolyline>(&e)) {
    const double s = Ocs(lw->extrusion().normal).planeSign();
    if (s == 0) return std::nullopt;
    PlanPolyline p;
    p.closed = lw->isClosed();
    p.points.assign(lw->points().begin(), lw->points().end());
    if (s < 0) {
      for (auto& q : p.points) q.x = -q.x;
    }
    if (lw->hasBulges()) {
      for (std::size_t i = 0; i < lw->vertexCount(); ++i) p.bulges.push_back(lw->bulgeAt(i) * s);
    }
    return p;
  }
  if (objectCast<OldPolyline>(&e) != nullptr) {
    const geom::Curve c = static_cast<const CurveEntity&>(e).curve();
    PlanPolyline p;
    if (const auto* p2 = std::get_if<geom::Polyline2d>(&c)) {
      p.closed = p2->closed;
      for (const auto& v : p2->vertices) p.points.push_back(v.point), p.bulges.push_back(v.bulge);
      return p;
    }
    if (const auto* p3 = std::get_if<geom::Polyline3d>(&c)) {
      p.closed = p3->closed;
      for (const auto& v : p3->vertices) p.points.push_back(v.xy());
      return p;
    }
  }
  return std::nullopt;
}

geom::Extents2d runBox(const PlanPolyline& p, std::size_t first, std::size_t last) {
  geom::Extents2d box;
  for (std::size_t i = first; i < last; ++i) {
    const geom::BulgeArc s = p.segment(i);
    if (s.bulge == 0.0) {
      box.add(s.start), box.add(s.end);
    } else {
      box.add(detail::bulgeExtents(s.start, s.end, s.bulge));
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
  for (ObjectId id : rec->entities_) {
    const auto* e = objectCast<Entity>(find(id));
    if (e != nullptr && !e->isErased()) box.add(extentsOf(*e, depth + 1));
  }
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

const geom::Extents3d& Database::updateExtents() {
  extents_ = blockExtents(modelSpaceId(), 0);
  return extents_;
}

// ---- index

bool Database::isIndexed(const Object& o) const {
  return isEntityKind(o.kind()) && !o.owner().isNull() && o.owner() == modelSpaceId();
}

std::vector<geom::Extents2d> Database::indexBoxes(const Entity& e) const {
  if (const auto plan = planPolyline(e); plan && plan->segments() > kRun) {
    std::vector<geom::Extents2d> boxes;
    for (std::size_t first = 0; first < plan->segments(); first += kRun) {
      boxes.push_back(runBox(*plan, first, std::min(first + kRun, plan->segments())));
    }
    return boxes;
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

// ---- selection

bool Database::selectedBy(const Entity& e, int part, std::span<const geom::Point2d> polygon,
                          bool window) const {
  const detail::SelectionPolygon poly(polygon);
  std::vector<geom::Curve> pieces;
  if (const auto plan = planPolyline(e)) {
    const std::size_t segments = plan->segments();
    const std::size_t first = segments > kRun ? part * kRun : 0;
    const std::size_t last = segments > kRun ? std::min(first + kRun, segments) : segments;
    for (std::size_t i = first; i < last; ++i) pieces.emplace_back(plan->segment(i));
    if (segments == 0 && !plan->points.empty()) {
      pieces.emplace_back(geom::BulgeArc{plan->points[0], plan->points[0], 0.0, 0.0});
    }
  } else if (const auto* c = objectCast<CurveEntity>(&e)) {
    pieces.push_back(c->curve());
  } else {
    const geom::Extents2d b = extentsOf(e, 0).xy();
    if (b.empty()) return false;
    if (!window && poly.contains(b.min)) return true;
    // Points, texts, references and opaque entities are taken by their box.
    const geom::Point2d q[4] = {b.min, {b.max.x, b.min.y}, b.max, {b.min.x, b.max.y}};
    geom::Polyline3d outline;
    outline.closed = true;
    for (const auto& p : q) outline.vertices.push_back(geom::withZ(p, 0.0));
    if (!window && b.contains(polygon.front())) return true;
    pieces.emplace_back(std::move(outline));
  }
  for (const geom::Curve& piece : pieces) {
    const bool inside = poly.contains(detail::anyPointOf(piece));
    if (!window && inside) return true;
    if (window && !inside) return false;
    if (poly.crosses(piece)) return !window;
  }
  return window && !pieces.empty();
}

namespace {

std::vector<ObjectId> sortedUnique(std::vector<ObjectId> ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

}  // namespace

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
  for (const auto& [id, part] : candidates) {
    if (!hits.empty() && hits.back() == id) continue;  // one hit part is enough
    const auto* e = objectCast<Entity>(find(id));
    if (e != nullptr && selectedBy(*e, part, polygon, false)) hits.push_back(id);
  }
  return sortedUnique(std::move(hits));
}

bool Database::crossesPolygon(ObjectId id, std::span<const geom::Point2d> polygon) const {
  const auto* e = objectCast<Entity>(find(id));
  if (e == nullptr || e->isErased() || polygon.size() < 3) return false;
  const std::size_t parts = indexBoxes(*e).size();
  for (std::size_t p = 0; p < parts; ++p) {
    if (selectedBy(*e, static_cast<int>(p), polygon, false)) return true;
  }
  return false;
}

bool Database::insidePolygon(ObjectId id, std::span<const geom::Point2d> polygon) const {
  const auto* e = objectCast<Entity>(find(id));
  if (e == nullptr || e->isErased() || polygon.size() < 3) return false;
  if (!detail::SelectionPolygon(polygon).box().contains(extentsOf(*e, 0).xy())) return false;
  const std::size_t parts = indexBoxes(*e).size();
  for (std::size_t p = 0; p < parts; ++p) {
    if (!selectedBy(*e, static_cast<int>(p), polygon, true)) return false;
  }
  return true;
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
  for (ObjectId id : sortedUnique(std::move(candidates))) {
    if (insidePolygon(id, polygon)) hits.push_back(id);
  }
  return hits;
}

}  // namespace cad
