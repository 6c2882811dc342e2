#pragma once
// Crossing selections for a caller that cuts many section lines in a row (implemented with
// the other shared host parts in host_core.cpp).

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/cad/near_segments.h"
#include "platform/cad/object_id.h"
#include "platform/cad/queries.h"
#include "platform/cad/spatial_index.h"
#include "platform/geom/curves.h"
#include "platform/geom/intersect.h"
#include "platform/geom/vec.h"
#include "platform/host/status.h"

namespace host {

// The crossing selections of many section lines in a row, asked the other way round: the
// caller cuts first and selects after. For each selection polygon and the curve cut along
// it, it names the entities near them that the cut may meet (candidates, in ascending
// handle order as a selection lists them, each with the segments to cut), and says of a
// candidate the cut did meet whether selectInPolygon by that polygon takes it, with the
// same answer. A layer's visibility is looked up once for the whole batch: the caller
// holds the document and changes nothing in it while the batch lives.
class CrossingBatch {
 public:
  struct Candidate {
    cad::ObjectId id;
    // for cad::intersectWith(entity, cut, ranges, out)
    std::span<const geom::SegmentRange> ranges;
    // The entity, open for reading, when the batch has it at hand (a prepared curve's
    // candidates); null: the caller opens it by id.
    const cad::Entity* entity = nullptr;
  };

  explicit CrossingBatch(const cad::Database& db);
  ~CrossingBatch();
  CrossingBatch(const CrossingBatch&) = delete;
  CrossingBatch& operator=(const CrossingBatch&) = delete;

  // The curves to be cut (straight or arc segments), in order: the entities near them are
  // gathered once for all of them, segment by segment.
  void prepare(std::span<const geom::BulgeArc> curves);
  std::size_t prepared() const { return cuts_.size(); }
  // The next polygon, cut along curves[curve] of prepare: cut() is that curve prepared.
  // InvalidInput as selectInPolygon, None when no entity is near both, else Normal.
  Status reset(std::span<const geom::Point2d> polygon, std::size_t curve);
  // The same for a curve that was not prepared for: the index is asked.
  Status reset(std::span<const geom::Point2d> polygon, const geom::Cutter& cut);
  const geom::Cutter& cut(std::size_t curve) const { return cuts_[curve]; }
  std::span<const Candidate> candidates() const { return candidates_; }
  // Visible and crossing the polygon of the last reset. `e` is the candidate's entity,
  // open for reading; `hitSegment` a segment of it (a polyline's) the cut met, or -1;
  // `metAt` a point where the cut met it, if known (one well inside a selection box
  // settles the crossing without the entity's parts being tried).
  bool takes(const Candidate& c, const cad::Entity& e, int hitSegment = -1,
             std::optional<geom::Point2d> metAt = std::nullopt);

 private:
  Status setPolygon(std::span<const geom::Point2d> polygon);

  const cad::Database& db_;
  std::vector<geom::Cutter> cuts_;
  std::unique_ptr<cad::NearSegments> near_;
  std::unique_ptr<cad::detail::SelectionPolygon> polygon_;
  std::vector<cad::NearSegments::Curve> curves_;
  std::vector<cad::IndexEntry> parts_;
  std::vector<Candidate> candidates_;
  std::vector<std::pair<std::string, bool>> layers_;  // visibility by layer name
};

}  // namespace host
