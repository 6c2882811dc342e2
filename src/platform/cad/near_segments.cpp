#include "platform/cad/near_segments.h"

#include <algorithm>
#include <cmath>

#include "platform/cad/database.h"
#include "platform/cad/plan_polyline.h"
#include "platform/cad/queries.h"
#include "platform/geom/bounds.h"

namespace cad {
namespace {

// Segments tried together against a cut before one by one.
constexpr std::size_t kFew = 8;

bool finiteBox(const geom::Extents2d& b) {
  return std::isfinite(b.min.x) && std::isfinite(b.min.y) && std::isfinite(b.max.x) &&
         std::isfinite(b.max.y);
}

}  // namespace

NearSegments::NearSegments(const Database& db, std::span<const geom::Cutter> cuts)
    : first_(cuts.size() + 1, 0) {
  // The index parts each cut may meet: within its reach and not clear of it.
  struct Pair {
    Handle handle;
    std::uint64_t partCut;  // the part above, the cut below
    ObjectId id() const { return ObjectId(handle); }
    int part() const { return static_cast<int>(partCut >> 32); }
    std::uint32_t cut() const { return static_cast<std::uint32_t>(partCut); }
  };
  std::vector<Pair> pairs;
  std::vector<IndexEntry> found;
  std::vector<geom::Extents2d> reach;
  reach.reserve(cuts.size());
  for (std::uint32_t c = 0; c < cuts.size(); ++c) {
    reach.push_back(cutReach(cuts[c]));
    found.clear();
    db.modelIndex().query(reach.back(), found);
    for (const IndexEntry& e : found) {
      if (!cuts[c].clearOf(e.box))
        pairs.push_back({e.id.handle(), (static_cast<std::uint64_t>(e.part) << 32) | c});
    }
  }
  std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
    return a.handle != b.handle ? a.handle < b.handle : a.partCut < b.partCut;
  });

  // Each part read once: its segments tried against the cuts that may meet it, a few
  // segments together first (a long run meets a cut in a few places only).
  auto meets = [&](std::uint32_t c, const geom::Extents2d& b) {
    return b.intersects(reach[c]) && !cuts[c].clearOf(b);
  };
  std::vector<geom::Extents2d> boxes;
  for (std::size_t i = 0; i < pairs.size();) {
    const ObjectId id = pairs[i].id();
    std::size_t j = i;
    while (j < pairs.size() && pairs[j].handle == pairs[i].handle) ++j;
    auto entity = db.openForRead<Entity>(id);
    if (!entity || objectCast<CurveEntity>(entity.get()) == nullptr) {
      i = j;
      continue;
    }
    const auto curve = static_cast<std::uint32_t>(ids_.size());
    ids_.push_back(id);
    const std::optional<detail::PlanPolyline> p = detail::PlanPolyline::of(*entity);
    const int segments = p ? p->segments() : 0;
    for (std::size_t k = i; k < j;) {
      std::size_t m = k;
      while (m < j && pairs[m].part() == pairs[k].part()) ++m;
      if (segments == 0) {
        for (std::size_t q = k; q < m; ++q) hits_.push_back({pairs[q].cut(), curve, -1});
        k = m;
        continue;
      }
      const geom::SegmentRange r = ModelIndex::run(pairs[k].part(), segments);
      const std::size_t n = p->vertexCount();
      boxes.clear();
      for (int s = r.first; s < r.last; ++s) {
        const geom::Point2d a = p->vertex(static_cast<std::size_t>(s));
        const auto next = static_cast<std::size_t>(s + 1);
        const geom::Point2d b = p->vertex(next < n ? next : 0);
        const double bulge = p->bulge(static_cast<std::size_t>(s));
        boxes.push_back(bulge == 0.0 ? geom::Extents2d::of(a, b) : geom::bulgeExtents(a, b, bulge));
      }
      for (std::size_t from = 0; from < boxes.size(); from += kFew) {
        const std::size_t to = std::min(boxes.size(), from + kFew);
        geom::Extents2d joint;
        bool finite = true;
        for (std::size_t t = from; t < to; ++t) {
          joint.add(boxes[t]);
          finite = finite && finiteBox(boxes[t]);
        }
        for (std::size_t q = k; q < m; ++q) {
          const std::uint32_t c = pairs[q].cut();
          if (finite && !meets(c, joint)) continue;
          for (std::size_t t = from; t < to; ++t) {
            if (meets(c, boxes[t])) hits_.push_back({c, curve, r.first + static_cast<int>(t)});
          }
        }
      }
      k = m;
    }
    i = j;
  }
  std::sort(hits_.begin(), hits_.end(), [](const Hit& a, const Hit& b) {
    if (a.cut != b.cut) return a.cut < b.cut;
    return a.curve != b.curve ? a.curve < b.curve : a.segment < b.segment;
  });
  for (const Hit& h : hits_) ++first_[h.cut + 1];
  for (std::size_t c = 1; c < first_.size(); ++c) first_[c] += first_[c - 1];
}

void NearSegments::near(std::size_t cut, std::vector<Curve>& out) {
  out.clear();
  ranges_.clear();
  if (cut + 1 >= first_.size()) return;
  // Each curve's segments as ranges; neighbouring segments make one range.
  std::vector<std::pair<std::uint32_t, std::size_t>>& starts = starts_;
  starts.clear();
  for (std::uint32_t k = first_[cut]; k < first_[cut + 1]; ++k) {
    const Hit& h = hits_[k];
    if (starts.empty() || starts.back().first != h.curve)
      starts.emplace_back(h.curve, ranges_.size());
    if (h.segment < 0) continue;
    if (ranges_.size() > starts.back().second && ranges_.back().last == h.segment) {
      ranges_.back().last = h.segment + 1;
    } else {
      ranges_.push_back({h.segment, h.segment + 1});
    }
  }
  const std::span<const geom::SegmentRange> all = ranges_;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t end = i + 1 < starts.size() ? starts[i + 1].second : ranges_.size();
    out.push_back({ids_[starts[i].first], all.subspan(starts[i].second, end - starts[i].second)});
  }
}

}  // namespace cad
