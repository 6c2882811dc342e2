#include "platform/cad/near_segments.h"

#include <algorithm>
#include <cmath>

#include "platform/cad/database.h"
#include "platform/cad/plan_polyline.h"
#include "platform/geom/bounds.h"

namespace cad {
namespace {

// Neighbouring boxes share one index query while their union stays within this many
// times the area they cover themselves.
constexpr double kChunkSlack = 2.0;
constexpr std::size_t kChunkBoxes = 32;
// An item over more cells than this is looked at by every query instead.
constexpr std::int64_t kWideCells = 64;

double areaOf(const geom::Extents2d& b) {
  const double w = b.width(), h = b.height();
  // a thin box (a section along an axis) counts as a tenth of its length wide
  const double side = 0.1 * std::max(w, h);
  return std::max(w, side) * std::max(h, side);
}

bool finiteBox(const geom::Extents2d& b) {
  return std::isfinite(b.min.x) && std::isfinite(b.min.y) && std::isfinite(b.max.x) &&
         std::isfinite(b.max.y);
}

}  // namespace

NearSegments::NearSegments(const Database& db, std::span<const geom::Extents2d> boxes)
    : boxes_(boxes.begin(), boxes.end()) {
  // The grid: cells of half the usual cut's size over the boxes; a cell is marked when a
  // box covers it, and only marked cells are ever looked into.
  std::vector<double> sizes;
  for (const geom::Extents2d& b : boxes_) {
    if (b.empty() || !finiteBox(b)) continue;
    sizes.push_back(std::max(b.width(), b.height()));
    area_.add(b);
  }
  if (area_.empty()) return;
  std::nth_element(sizes.begin(), sizes.begin() + sizes.size() / 2, sizes.end());
  cell_ = sizes[sizes.size() / 2] / 2;
  if (!(cell_ > 0)) cell_ = std::max({area_.width(), area_.height(), 1.0});
  // at most about 4 M cells, however small the cuts
  const double cells = (area_.width() / cell_ + 1) * (area_.height() / cell_ + 1);
  if (cells > 4e6) cell_ *= std::sqrt(cells / 4e6);
  perCell_ = 1 / cell_;
  nx_ = static_cast<std::int64_t>(area_.width() / cell_) + 1;
  ny_ = static_cast<std::int64_t>(area_.height() / cell_) + 1;
  std::vector<char> marked(static_cast<std::size_t>(nx_ * ny_), 0);
  for (const geom::Extents2d& b : boxes_) {
    if (b.empty() || !finiteBox(b)) continue;
    for (std::int64_t x = ix(b.min.x); x <= ix(b.max.x); ++x) {
      for (std::int64_t y = iy(b.min.y); y <= iy(b.max.y); ++y) marked[cellKey(x, y)] = 1;
    }
  }
  // Marked cells counted over every rectangle of cells at once (a summed-area table).
  std::vector<std::uint32_t> sums(static_cast<std::size_t>((nx_ + 1) * (ny_ + 1)), 0);
  auto sum = [&](std::int64_t x, std::int64_t y) -> std::uint32_t& {
    return sums[static_cast<std::size_t>(x * (ny_ + 1) + y)];
  };
  for (std::int64_t x = 0; x < nx_; ++x) {
    for (std::int64_t y = 0; y < ny_; ++y)
      sum(x + 1, y + 1) = marked[cellKey(x, y)] + sum(x, y + 1) + sum(x + 1, y) - sum(x, y);
  }
  auto markedIn = [&](const geom::Extents2d& b) {
    const std::int64_t x0 = ix(b.min.x), x1 = ix(b.max.x) + 1;
    const std::int64_t y0 = iy(b.min.y), y1 = iy(b.max.y) + 1;
    return sum(x1, y1) + sum(x0, y0) - sum(x0, y1) - sum(x1, y0);
  };

  // The index parts near the boxes, found chunk by chunk along them.
  std::vector<IndexEntry> found;
  geom::Extents2d chunk;
  double covered = 0;
  std::size_t inChunk = 0;
  auto flush = [&] {
    if (!chunk.empty()) db.queryBox(chunk, found);
    chunk = {};
    covered = 0;
    inChunk = 0;
  };
  for (const geom::Extents2d& b : boxes_) {
    if (b.empty() || !finiteBox(b)) continue;
    geom::Extents2d joined = chunk;
    joined.add(b);
    if (inChunk > 0 &&
        (inChunk >= kChunkBoxes || areaOf(joined) > kChunkSlack * (covered + areaOf(b)))) {
      flush();
      joined = b;
    }
    chunk = joined;
    covered += areaOf(b);
    ++inChunk;
  }
  flush();
  std::sort(found.begin(), found.end(), [](const IndexEntry& a, const IndexEntry& b) {
    return a.id != b.id ? a.id < b.id : a.part < b.part;
  });
  found.erase(std::unique(found.begin(), found.end(),
                          [](const IndexEntry& a, const IndexEntry& b) {
                            return a.id == b.id && a.part == b.part;
                          }),
              found.end());

  // Every found part as its segments (a polyline's) or whole (any other curve), kept when
  // it lies in a marked cell, wide or counted per cell.
  std::vector<std::uint32_t> count(marked.size() + 1, 0);
  auto place = [&](const geom::Extents2d& box, std::uint32_t curve, std::int32_t segment) {
    if (box.empty() || !finiteBox(box)) {
      // no comparison settles it: every query looks at it
      wide_.push_back(static_cast<std::uint32_t>(items_.size()));
      items_.push_back({box, curve, segment});
      return;
    }
    const std::uint32_t hit = markedIn(box);
    if (hit == 0) return;
    const std::int64_t x0 = ix(box.min.x), x1 = ix(box.max.x);
    const std::int64_t y0 = iy(box.min.y), y1 = iy(box.max.y);
    if (hit > kWideCells) {
      wide_.push_back(static_cast<std::uint32_t>(items_.size()));
    } else {
      for (std::int64_t x = x0; x <= x1; ++x) {
        for (std::int64_t y = y0; y <= y1; ++y) count[cellKey(x, y) + 1] += marked[cellKey(x, y)];
      }
    }
    items_.push_back({box, curve, segment});
  };
  for (std::size_t i = 0; i < found.size();) {
    const ObjectId id = found[i].id;
    std::size_t j = i;
    while (j < found.size() && found[j].id == id) ++j;
    auto entity = db.openForRead<Entity>(id);
    if (entity && objectCast<CurveEntity>(entity.get()) != nullptr) {
      const auto curve = static_cast<std::uint32_t>(ids_.size());
      ids_.push_back(id);
      const std::optional<detail::PlanPolyline> p = detail::PlanPolyline::of(*entity);
      const int segments = p ? p->segments() : 0;
      for (std::size_t k = i; k < j; ++k) {
        // a part clear of every cut is passed over whole
        if (finiteBox(found[k].box) && markedIn(found[k].box) == 0) continue;
        if (segments == 0) {
          place(found[k].box, curve, -1);
          continue;
        }
        const geom::SegmentRange r = Database::indexRun(found[k].part, segments);
        const std::size_t n = p->vertexCount();
        for (int s = r.first; s < r.last; ++s) {
          const geom::Point2d a = p->vertex(static_cast<std::size_t>(s));
          const geom::Point2d b = p->vertex(static_cast<std::size_t>(s + 1) % n);
          const double bulge = p->bulge(static_cast<std::size_t>(s));
          place(bulge == 0.0 ? geom::Extents2d::of(a, b) : geom::bulgeExtents(a, b, bulge), curve,
                s);
        }
      }
    }
    i = j;
  }

  // The items of each cell, one after the other.
  for (std::size_t c = 1; c < count.size(); ++c) count[c] += count[c - 1];
  first_ = count;
  filed_.resize(count.back());
  std::size_t w = 0;
  for (std::uint32_t k = 0; k < items_.size(); ++k) {
    if (w < wide_.size() && wide_[w] == k) {
      ++w;
      continue;
    }
    const geom::Extents2d& box = items_[k].box;
    for (std::int64_t x = ix(box.min.x); x <= ix(box.max.x); ++x) {
      for (std::int64_t y = iy(box.min.y); y <= iy(box.max.y); ++y) {
        if (marked[cellKey(x, y)]) filed_[count[cellKey(x, y)]++] = k;
      }
    }
  }
  seen_.assign(items_.size(), 0);
}

bool NearSegments::near(std::size_t box, const geom::Cutter& other, std::vector<Curve>& out) {
  out.clear();
  const geom::Extents2d reach = Database::cutReach(other);
  if (box >= boxes_.size() || reach.empty() || !finiteBox(reach) || !boxes_[box].contains(reach))
    return false;
  if (++query_ == 0) {  // the counter wrapped: every item unseen again
    std::fill(seen_.begin(), seen_.end(), 0);
    query_ = 1;
  }
  hits_.clear();
  auto visit = [&](std::uint32_t k) {
    if (seen_[k] == query_) return;
    seen_[k] = query_;
    const Item& item = items_[k];
    if (item.box.intersects(reach) && !other.clearOf(item.box))
      hits_.emplace_back(item.curve, item.segment);
  };
  if (!first_.empty()) {
    const std::int64_t x0 = ix(reach.min.x), x1 = ix(reach.max.x);
    const std::int64_t y0 = iy(reach.min.y), y1 = iy(reach.max.y);
    for (std::int64_t x = x0; x <= x1; ++x) {
      for (std::int64_t y = y0; y <= y1; ++y) {
        const std::int64_t c = cellKey(x, y);
        for (std::uint32_t i = first_[c]; i < first_[c + 1]; ++i) visit(filed_[i]);
      }
    }
  }
  for (std::uint32_t k : wide_) visit(k);
  std::sort(hits_.begin(), hits_.end());

  // Each curve's segments as ranges; neighbouring segments make one range.
  ranges_.clear();
  std::vector<std::pair<std::uint32_t, std::size_t>> starts;  // curve, first range
  for (const auto& [curve, segment] : hits_) {
    if (starts.empty() || starts.back().first != curve) starts.emplace_back(curve, ranges_.size());
    if (segment < 0) continue;
    if (ranges_.size() > starts.back().second && ranges_.back().last == segment) {
      ranges_.back().last = segment + 1;
    } else {
      ranges_.push_back({segment, segment + 1});
    }
  }
  const std::span<const geom::SegmentRange> all = ranges_;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t end = i + 1 < starts.size() ? starts[i + 1].second : ranges_.size();
    out.push_back({ids_[starts[i].first], all.subspan(starts[i].second, end - starts[i].second)});
  }
  return true;
}

}  // namespace cad
