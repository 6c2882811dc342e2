// Extents, the spatial index of model space and selection by polygon.

#include <algorithm>
#include <cmath>

#include "platform/cad/crossing.h"
#include "platform/cad/database.h"
#include "platform/cad/spatial_index.h"
#include "platform/geom/bounds.h"
#include "platform/geom/evaluate.h"

namespace cad {

namespace {

// Polylines longer than this many segments get one index box per run of segments.
constexpr int kRun = 32;
// Block nesting deeper than this is taken as a cycle in a damaged file.
constexpr int kMaxDepth = 32;

// The world curve of a polyline entity when it is a kernel polyline (plane parallel to
// XY, or 3-D); nullopt for everything else.
std::optional<geom::Curve> worldPolyline(const Entity& e) {
  if (objectCast<LwPolyline>(&e) == nullptr && objectCast<OldPolyline>(&e) == nullptr) {
    return std::nullopt;
  }
  geom::Curve c = static_cast<const CurveEntity&>(e).curve();
  if (std::holds_alternative<geom::Polyline2d>(c) || std::holds_alternative<geom::Polyline3d>(c)) {
    return c;
  }
  return std::nullopt;
}

int segmentsOf(const geom::Curve& c) {
  if (const auto* p = std::get_if<geom::Polyline2d>(&c)) return geom::segmentCount(*p);
  return geom::segmentCount(std::get<geom::Polyline3d>(c));
}

std::size_t verticesOf(const geom::Curve& c) {
  if (const auto* p = std::get_if<geom::Polyline2d>(&c)) return p->vertices.size();
  return std::get<geom::Polyline3d>(c).vertices.size();
}

geom::Point2d vertexOf(const geom::Curve& c, std::size_t i) {
  if (const auto* p = std::get_if<geom::Polyline2d>(&c)) return p->vertices[i].point;
  return std::get<geom::Polyline3d>(c).vertices[i].xy();
}

int partCount(int segments) { return segments > kRun ? (segments + kRun - 1) / kRun : 1; }

geom::SegmentRange rangeOf(int part, int segments) {
  if (segments <= kRun) return {0, segments};
  return {part * kRun, std::min(part * kRun + kRun, segments)};
}

geom::Extents2d rangeBox(const geom::Curve& c, geom::SegmentRange r) {
  geom::Extents2d box;
  const std::size_t n = verticesOf(c);
  const auto* p2 = std::get_if<geom::Polyline2d>(&c);
  for (int i = r.first; i < r.last; ++i) {
    const geom::Point2d a = vertexOf(c, i), b = vertexOf(c, (i + 1) % n);
    const double bulge = p2 != nullptr ? p2->vertices[i].bulge : 0.0;
    if (bulge == 0.0) {
      box.add(a), box.add(b);
    } else {
      box.add(geom::bulgeExtents(a, b, bulge));
    }
  }
  return box;
}

bool crossesRange(const detail::SelectionPolygon& poly, const geom::Curve& c,
                  geom::SegmentRange r) {
  if (const auto* p = std::get_if<geom::Polyline2d>(&c)) return poly.crosses(*p, r.first, r.last);
  return poly.crosses(std::get<geom::Polyline3d>(c), r.first, r.last);
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
  extentsPath_.push_back(block);
  for (ObjectId id : rec->entities_) {
    const auto* e = objectCast<Entity>(find(id));
    if (e != nullptr && !e->isErased()) box.add(extentsOf(*e, depth + 1));
  }
  extentsPath_.pop_back();
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
  if (const auto c = worldPolyline(e)) {
    const int segments = segmentsOf(*c);
    if (segments > kRun) {
      std::vector<geom::Extents2d> boxes;
      for (int part = 0; part < partCount(segments); ++part) {
        boxes.push_back(rangeBox(*c, rangeOf(part, segments)));
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

// ---- selection

// Whether one part of an entity is selected. A part that does not cross the polygon's
// boundary lies wholly inside or wholly outside, so one of its points decides.
bool Database::partSelected(const Entity& e, const geom::Curve* polyline, int part,
                            const detail::SelectionPolygon& poly, bool window) const {
  if (polyline != nullptr) {
    const int segments = segmentsOf(*polyline);
    const geom::SegmentRange r = rangeOf(part, segments);
    if (verticesOf(*polyline) == 0) return false;
    const bool inside = poly.contains(vertexOf(*polyline, r.first));
    if (segments == 0) return inside;
    if (inside != window) return inside;
    return window != crossesRange(poly, *polyline, r);
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
  const std::optional<geom::Curve> polyline = worldPolyline(e);
  const int parts = polyline ? partCount(segmentsOf(*polyline)) : 1;
  for (int p = 0; p < parts; ++p) {
    const bool hit = partSelected(e, polyline ? &*polyline : nullptr, p, poly, window);
    if (hit != window) return hit;  // crossing: any part; window: every part
  }
  return window;
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
  std::optional<geom::Curve> polyline;  // of the entity in hand, made once for its parts
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const ObjectId id = candidates[i].first;
    if (!hits.empty() && hits.back() == id) continue;  // one part is enough
    const auto* e = objectCast<Entity>(find(id));
    if (e == nullptr) continue;
    if (i == 0 || candidates[i - 1].first != id) polyline = worldPolyline(*e);
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
