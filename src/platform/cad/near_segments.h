#pragma once
// The curves of model space near the cuts a batch will make (the cross-sections along a
// centreline), found for all of them at once: each index part that some cut may meet is
// read once, and each of its segments tried only against those cuts. A cut then finds its
// few segments ready, where neighbouring cuts would each walk the same runs of segments
// and small curves the index hands them.

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/cad/object_id.h"
#include "platform/geom/extents.h"
#include "platform/geom/intersect.h"

namespace cad {

class Database;
class Entity;

class NearSegments {
 public:
  // A curve a cut may meet, with the ranges of its segments to cut (empty for a curve that
  // is no polyline: it is cut whole), and the entity itself as the gathering opened it for
  // reading (neither null nor erased), so that a cut need not look it up again.
  struct Curve {
    ObjectId id;
    std::span<const geom::SegmentRange> ranges;
    const Entity* entity = nullptr;
  };

  // The database must not change while this lives, nor the cuts move: the entities handed
  // out stay those of the database.
  NearSegments(const Database& db, std::span<const geom::Cutter> cuts);

  // The curves cuts[cut] may meet, in ascending handle order, each with every segment whose
  // box touches cutReach(cuts[cut]) and that the cut is not clear of, as
  // cad::intersectWith(e, cut, ranges, out) asks. The spans hold until the next call.
  void near(std::size_t cut, std::vector<Curve>& out);

 private:
  struct Hit {
    std::uint32_t cut;
    std::uint32_t curve;   // into ids_
    std::int32_t segment;  // -1: the whole curve
  };
  std::vector<ObjectId> ids_;            // ascending
  std::vector<const Entity*> entities_;  // by curve, as ids_
  std::vector<Hit> hits_;                // by cut, curve, segment
  std::vector<std::uint32_t> first_;  // the hits of cut i are hits_[first_[i]] up to first_[i + 1]
  std::vector<geom::SegmentRange> ranges_;
  std::vector<std::pair<std::uint32_t, std::size_t>> starts_;  // per call: curve, first range
};

}  // namespace cad
