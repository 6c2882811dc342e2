#pragma once
// Questions asked of a database's model space, answered through its spatial index: which
// entities a polygon selects, and where an entity meets a prepared curve.

#include <span>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/geom/intersect.h"
#include "platform/geom/vec.h"

namespace cad {

class Database;
class Entity;

namespace detail {
class SelectionPolygon;
}  // namespace detail

// Entities that cross or lie inside the polygon (at least 3 points, closed implicitly),
// in ascending handle order.
std::vector<ObjectId> selectCrossing(const Database& db, std::span<const geom::Point2d> polygon);
// Entities that lie entirely inside the polygon.
std::vector<ObjectId> selectWindow(const Database& db, std::span<const geom::Point2d> polygon);
// Whether selectCrossing by the polygon takes the entity (of model space, open for
// reading), asked of it alone. The part holding segment `likely` (of a polyline), where the
// caller has seen the entity inside the polygon, is looked at first.
bool crossingSelects(const Database& db, const Entity& e, const detail::SelectionPolygon& poly,
                     int likely = -1);
// The exact tests alone, without the index (for a single entity, e.g. a pick).
bool crossesPolygon(const Database& db, ObjectId id, std::span<const geom::Point2d> polygon);
bool insidePolygon(const Database& db, ObjectId id, std::span<const geom::Point2d> polygon);

// The plan intersections of an entity of `db`, open for reading, with a prepared curve:
// other.cut(entity's curve), bit for bit (None for a non-curve). A long polyline of model
// space is cut only in the runs of segments whose index boxes come near the curve, on its
// own vertices, so the cost follows the crossings, not the length of the contours a
// section meets.
geom::Intersections intersectWith(const Database& db, const Entity& e, const geom::Cutter& other);
// The box within which intersectWith cuts the runs of a long polyline: every part whose
// index box touches it and that `other` is not clear of.
geom::Extents2d cutReach(const geom::Cutter& other);
// intersectWith cutting a polyline only in `ranges` (ascending, not overlapping), which the
// caller has found to hold every segment whose box touches cutReach(other) and that `other`
// is not clear of: the same result, written into `out` (replacing what it held, its buffers
// reused). Any other curve is cut whole.
void intersectWith(const Entity& e, const geom::Cutter& other,
                   std::span<const geom::SegmentRange> ranges, geom::Intersections& out);

}  // namespace cad
