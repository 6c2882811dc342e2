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

// The parts met so far, by handle and part: open addressing, grown at half full.
class PartTable {
 public:
  PartTable() : slots_(1024, kEmpty) {}
  // The slot of (handle, part): its number, or `fresh` stored for a pair not met before.
  std::uint32_t& find(Handle handle, int part, std::size_t fresh) {
    if (2 * (used_ + 1) > slots_.size()) grow();
    std::uint32_t& slot = probe(handle, part);
    if (slot == kEmpty) {
      slot = static_cast<std::uint32_t>(fresh);
      keys_.push_back({handle, part});
      ++used_;
    }
    return slot;
  }

 private:
  static constexpr std::uint32_t kEmpty = ~std::uint32_t{0};
  struct Key {
    Handle handle;
    int part;
  };
  std::uint32_t& probe(Handle handle, int part) {
    const std::size_t mask = slots_.size() - 1;
    std::uint64_t h = (handle * 0x9E3779B97F4A7C15ull) ^
                      (static_cast<std::uint64_t>(part) * 0xC2B2AE3D27D4EB4Full);
    h ^= h >> 29;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      if (slots_[i] == kEmpty) return slots_[i];
      const Key& k = keys_[slots_[i]];
      if (k.handle == handle && k.part == part) return slots_[i];
    }
  }
  void grow() {
    std::vector<std::uint32_t> old(slots_.size() * 2, kEmpty);
    old.swap(slots_);
    for (std::uint32_t v : old) {
      if (v == kEmpty) continue;
      probe(keys_[v].handle, keys_[v].part) = v;
    }
  }
  std::vector<std::uint32_t> slots_;
  std::vector<Key> keys_;  // by slot value: the values are 0, 1, 2, ... in order met
  std::size_t used_ = 0;
};

}  // namespace

NearSegments::NearSegments(const Database& db, std::span<const geom::Cutter> cuts)
    : first_(cuts.size() + 1, 0) {
  // The index parts each cut may meet (within its reach and not clear of it), gathered by
  // part: each part is read once, for all the cuts that may meet it. A part is near about
  // as many cuts as there are cuts along its length, so the parts are far fewer than
  // the pairs.
  struct Part {
    Handle handle;
    int part;
    std::uint32_t firstCut;  // into cutOf / nextCut: a list of the part's cuts
  };
  std::vector<Part> parts;
  std::vector<std::uint32_t> cutOf, nextCut;
  constexpr std::uint32_t kNone = ~std::uint32_t{0};
  PartTable table;
  std::vector<IndexEntry> found;
  std::vector<geom::Extents2d> reach;
  reach.reserve(cuts.size());
  for (std::uint32_t c = 0; c < cuts.size(); ++c) {
    reach.push_back(cutReach(cuts[c]));
    found.clear();
    db.modelIndex().query(reach.back(), found);
    for (const IndexEntry& e : found) {
      if (cuts[c].clearOf(e.box)) continue;
      std::uint32_t& slot = table.find(e.id.handle(), e.part, parts.size());
      if (slot == parts.size()) parts.push_back({e.id.handle(), e.part, kNone});
      Part& p = parts[slot];
      cutOf.push_back(c);
      nextCut.push_back(p.firstCut);
      p.firstCut = static_cast<std::uint32_t>(cutOf.size() - 1);
    }
  }
  std::sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
    return a.handle != b.handle ? a.handle < b.handle : a.part < b.part;
  });

  // Each part read once: its segments tried against the cuts that may meet it, a few
  // segments together first (a long run meets a cut in a few places only). Entities come
  // in ascending handle order and segments ascending, so the hits of each cut are in the
  // order near() hands them out.
  auto meets = [&](std::uint32_t c, const geom::Extents2d& b) {
    return b.intersects(reach[c]) && !cuts[c].clearOf(b);
  };
  std::vector<geom::Extents2d> boxes;
  std::vector<std::uint32_t> partCuts;
  std::vector<Hit> hits;
  for (std::size_t i = 0; i < parts.size();) {
    const ObjectId id(parts[i].handle);
    std::size_t j = i;
    while (j < parts.size() && parts[j].handle == parts[i].handle) ++j;
    auto entity = db.openForRead<Entity>(id);
    if (!entity || objectCast<CurveEntity>(entity.get()) == nullptr) {
      i = j;
      continue;
    }
    const auto curve = static_cast<std::uint32_t>(ids_.size());
    ids_.push_back(id);
    entities_.push_back(entity.get());
    const std::optional<detail::PlanPolyline> p = detail::PlanPolyline::of(*entity);
    const int segments = p ? p->segments() : 0;
    for (std::size_t k = i; k < j; ++k) {
      partCuts.clear();
      for (std::uint32_t q = parts[k].firstCut; q != kNone; q = nextCut[q])
        partCuts.push_back(cutOf[q]);
      if (segments == 0) {
        for (std::uint32_t c : partCuts) hits.push_back({c, curve, -1});
        continue;
      }
      const geom::SegmentRange r = ModelIndex::run(parts[k].part, segments);
      const std::size_t n = p->vertexCount();
      boxes.clear();
      geom::Point2d a = p->vertex(static_cast<std::size_t>(r.first));
      for (int s = r.first; s < r.last; ++s) {
        const auto next = static_cast<std::size_t>(s + 1);
        const geom::Point2d b = p->vertex(next < n ? next : 0);
        const double bulge = p->bulge(static_cast<std::size_t>(s));
        boxes.push_back(bulge == 0.0 ? geom::Extents2d::of(a, b) : geom::bulgeExtents(a, b, bulge));
        a = b;
      }
      for (std::size_t from = 0; from < boxes.size(); from += kFew) {
        const std::size_t to = std::min(boxes.size(), from + kFew);
        geom::Extents2d joint;
        bool finite = true;
        for (std::size_t t = from; t < to; ++t) {
          joint.add(boxes[t]);
          finite = finite && finiteBox(boxes[t]);
        }
        for (std::uint32_t c : partCuts) {
          if (finite && !meets(c, joint)) continue;
          for (std::size_t t = from; t < to; ++t) {
            if (meets(c, boxes[t])) hits.push_back({c, curve, r.first + static_cast<int>(t)});
          }
        }
      }
    }
    i = j;
  }
  // By cut, keeping the order of curve and segment within each (a counting sort).
  for (const Hit& h : hits) ++first_[h.cut + 1];
  for (std::size_t c = 1; c < first_.size(); ++c) first_[c] += first_[c - 1];
  hits_.resize(hits.size());
  std::vector<std::uint32_t> fill(first_.begin(), first_.end() - 1);
  for (const Hit& h : hits) hits_[fill[h.cut]++] = h;
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
    out.push_back({ids_[starts[i].first], all.subspan(starts[i].second, end - starts[i].second),
                   entities_[starts[i].first]});
  }
}

}  // namespace cad
