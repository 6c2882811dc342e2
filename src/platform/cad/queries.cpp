// Queries on a database: the cut of an entity with a prepared curve and selection by polygon,
// narrowed by the spatial index.

#include "platform/cad/queries.h"

#include <algorithm>
#include <cmath>

#include "platform/cad/crossing.h"
#include "platform/cad/database.h"
#include "platform/cad/plan_polyline.h"
#include "platform/cad/spatial_index.h"
#include "platform/geom/bounds.h"
#include "platform/geom/evaluate.h"

namespace cad {

using detail::PlanPolyline;

// ---- intersection

// The box within which a segment can meet the prepared curve: its box grown by the
// tolerance, and by a margin for the rounding of boxes computed in other frames (index
// boxes in world coordinates, the prepared curve's in its own).
geom::Extents2d cutReach(const geom::Cutter& c) {
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
    const geom::SegmentRange r = ModelIndex::run(part, segments);
    if (!runs.empty() && runs.back().last == r.first) {
      runs.back().last = r.last;
    } else {
      runs.push_back(r);
    }
  }
  return runs;
}

}  // namespace

geom::Intersections intersectWith(const Database& db, const Entity& e, const geom::Cutter& other) {
  const auto* curve = objectCast<CurveEntity>(&e);
  if (curve == nullptr) return {};
  const std::optional<PlanPolyline> polyline = PlanPolyline::of(e);
  if (!polyline) return other.cut(curve->curve());
  const int segments = polyline->segments();
  // The index knows the runs of an entity of model space as it was last closed; one of
  // another block, or one open for writing now, is cut whole.
  const ModelIndex& index = db.modelIndex();
  if (ModelIndex::partsOf(segments) > 1 && index.holds(e) && db.peek(e.id()) == &e &&
      !e.isOpenForWrite()) {
    if (index.partCount(e.id()) == ModelIndex::partsOf(segments)) {
      std::vector<int> parts;
      // Runs near the box but clear of the curve itself (most of them, for a long straight
      // leg across contours) would be passed over segment by segment in the cut.
      index.partsTouching(e.id(), cutReach(other), parts,
                          [&](const geom::Extents2d& run) { return other.clearOf(run); });
      const std::vector<geom::SegmentRange> runs = runsOf(parts, segments);
      return polyline->cut(other, runs);
    }
  }
  return polyline->cut(other, geom::SegmentRange{0, segments});
}

void intersectWith(const Entity& e, const geom::Cutter& other,
                   std::span<const geom::SegmentRange> ranges, geom::Intersections& out) {
  const auto* curve = objectCast<CurveEntity>(&e);
  if (curve == nullptr) {
    out = {};
    return;
  }
  const std::optional<PlanPolyline> polyline = PlanPolyline::of(e);
  if (!polyline) {
    out = other.cut(curve->curve());
    return;
  }
  polyline->cut(other, ranges, out);
}

// ---- selection

namespace {

// Whether one part of an entity is selected. A part that does not cross the polygon's
// boundary lies wholly inside or wholly outside, so one of its points decides.
bool partSelected(const Database& db, const Entity& e, const PlanPolyline* polyline, int part,
                  const detail::SelectionPolygon& poly, bool window) {
  if (polyline != nullptr) {
    const int segments = polyline->segments();
    const geom::SegmentRange r = ModelIndex::run(part, segments);
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
  const geom::Extents2d b = db.modelExtents().of(e).xy();
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

bool entitySelected(const Database& db, const Entity& e, const detail::SelectionPolygon& poly,
                    bool window) {
  const std::optional<PlanPolyline> polyline = PlanPolyline::of(e);
  const int parts = polyline ? ModelIndex::partsOf(polyline->segments()) : 1;
  for (int p = 0; p < parts; ++p) {
    const bool hit = partSelected(db, e, polyline ? &*polyline : nullptr, p, poly, window);
    if (hit != window) return hit;  // crossing: any part; window: every part
  }
  return window;
}

}  // namespace

bool crossingSelects(const Database& db, const Entity& e, const detail::SelectionPolygon& poly,
                     int likely) {
  thread_local std::vector<int> parts;
  parts.clear();
  db.modelIndex().partsTouching(e.id(), poly.box(), parts);
  if (parts.empty()) return false;
  const std::optional<PlanPolyline> polyline = PlanPolyline::of(e);
  const PlanPolyline* p = polyline ? &*polyline : nullptr;
  // One selected part is enough, whichever it is.
  if (p != nullptr && likely >= 0 && likely < p->segments()) {
    const int first = ModelIndex::partOfSegment(likely, p->segments());
    const auto at = std::find(parts.begin(), parts.end(), first);
    if (at != parts.end()) {
      if (partSelected(db, e, p, first, poly, false)) return true;
      parts.erase(at);
    }
  }
  for (int part : parts) {
    if (partSelected(db, e, p, part, poly, false)) return true;
  }
  return false;
}

bool crossesPolygon(const Database& db, ObjectId id, std::span<const geom::Point2d> polygon) {
  const auto* e = objectCast<Entity>(db.peek(id));
  if (e == nullptr || e->isErased() || polygon.size() < 3) return false;
  return entitySelected(db, *e, detail::SelectionPolygon(polygon), false);
}

bool insidePolygon(const Database& db, ObjectId id, std::span<const geom::Point2d> polygon) {
  const auto* e = objectCast<Entity>(db.peek(id));
  if (e == nullptr || e->isErased() || polygon.size() < 3) return false;
  const detail::SelectionPolygon poly(polygon);
  if (!poly.box().contains(db.modelExtents().of(*e).xy())) return false;
  return entitySelected(db, *e, poly, true);
}

std::vector<ObjectId> selectCrossing(const Database& db, std::span<const geom::Point2d> polygon) {
  std::vector<ObjectId> hits;
  if (polygon.size() < 3) return hits;
  const detail::SelectionPolygon poly(polygon);
  std::vector<std::pair<ObjectId, int>> candidates;
  db.modelIndex().query(poly.box(), [&](ObjectId id, int part) {
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
      e = objectCast<Entity>(db.peek(id));
      if (e != nullptr) polyline = PlanPolyline::of(*e);
    }
    if (e == nullptr) continue;
    if (partSelected(db, *e, polyline ? &*polyline : nullptr, candidates[i].second, poly, false)) {
      hits.push_back(id);
    }
  }
  return hits;
}

std::vector<ObjectId> selectWindow(const Database& db, std::span<const geom::Point2d> polygon) {
  std::vector<ObjectId> hits;
  if (polygon.size() < 3) return hits;
  const detail::SelectionPolygon poly(polygon);
  std::vector<ObjectId> candidates;
  db.modelIndex().query(poly.box(), [&](ObjectId id, int) {
    candidates.push_back(id);
    return true;
  });
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  for (ObjectId id : candidates) {
    const auto* e = objectCast<Entity>(db.peek(id));
    if (e == nullptr || !poly.box().contains(db.modelExtents().of(*e).xy())) continue;
    if (entitySelected(db, *e, poly, true)) hits.push_back(id);
  }
  return hits;
}

}  // namespace cad
