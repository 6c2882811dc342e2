// Elevation repair after an acquisition: abnormal elevations are flagged, the start and end
// elevations are extrapolated and flagged points are interpolated by distance.
//
// Every line through two sources divides by their distance difference; two sources at the
// same distance give no line, and the elevation is then left as it is.

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "ruvo/section/point_list.h"

namespace ruvo {
namespace {

constexpr std::size_t kNeighboursEachSide = 2;
constexpr std::size_t kMinCandidates = 5;
constexpr double kDeviationFloor = 5.0;
constexpr double kDeviationFactor = 3.0;

// The elevation at `dist` on the line through the two points, if there is such a line.
std::optional<double> OnLine(const CDataStruct& a, const CDataStruct& b, double dist) {
  if (b.dDist == a.dDist) return std::nullopt;
  return a.dHigh + (b.dHigh - a.dHigh) / (b.dDist - a.dDist) * (dist - a.dDist);
}

struct Candidate {
  std::size_t index;
  double high;
};

}  // namespace

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

void MarkAbnormalHeights(CDocData& doc) {
  std::vector<CDataStruct>& points = doc.pointList;
  std::vector<Candidate> candidates;
  candidates.reserve(points.size());
  for (std::size_t i = 1; i + 1 < points.size(); ++i) {
    if (points[i].bDelete != 0) continue;
    if (points[i].dHigh <= 0) {
      points[i].bRevised = 1;
      continue;
    }
    candidates.push_back({i, points[i].dHigh});
  }
  const std::size_t count = candidates.size();
  if (count < kMinCandidates) return;
  // Judge all before flagging any: a flagged candidate still counts in its neighbours'
  // windows, and judging changes no elevation.
  std::vector<std::size_t> abnormal;
  // The windows are small: their values sorted in place, without a vector each.
  constexpr std::size_t kWindow = 2 * kNeighboursEachSide;
  // (Sorted by insertion as the library sorts so few values, a smaller one than the first
  // moved straight to the front: the same order even where values do not compare.)
  const auto median = [](std::array<double, kWindow>& v, std::size_t n) {
    for (std::size_t i = 1; i < n; ++i) {
      const double x = v[i];
      std::size_t j = i;
      if (x < v[0]) {
        for (; j > 0; --j) v[j] = v[j - 1];
      } else {
        for (; x < v[j - 1]; --j) v[j] = v[j - 1];
      }
      v[j] = x;
    }
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
  };
  for (std::size_t k = 1; k + 1 < count; ++k) {
    std::array<double, kWindow> window{}, deviations{};
    std::size_t size = 0;
    const std::size_t first = k >= kNeighboursEachSide ? k - kNeighboursEachSide : 0;
    const std::size_t last = std::min(count, k + kNeighboursEachSide + 1);
    for (std::size_t j = first; j < last; ++j) {
      if (j != k) window[size++] = candidates[j].high;
    }
    // (never empty: the first and the last candidate are not judged)
    std::array<double, kWindow> sorted = window;
    const double centre = median(sorted, size);
    for (std::size_t j = 0; j < size; ++j) deviations[j] = std::fabs(window[j] - centre);
    const double spread = median(deviations, size);
    if (std::fabs(candidates[k].high - centre) >
        kDeviationFactor * std::max(kDeviationFloor, spread)) {
      abnormal.push_back(candidates[k].index);
    }
  }
  for (std::size_t i : abnormal) points[i].bRevised = 1;
}

void ExtendEndHeights(CDocData& doc) {
  std::vector<CDataStruct>& points = doc.pointList;
  const std::size_t n = points.size();
  if (n < 3) return;
  auto usable = [&](std::size_t i) { return !IsHeightUnusable(points, i, doc.KneePnt); };

  std::size_t a = 1;
  while (a < n && !usable(a)) ++a;
  std::size_t b = a + 1;
  while (b < n && !usable(b)) ++b;
  if (b < n) {
    if (auto h = OnLine(points[a], points[b], points.front().dDist)) {
      points.front().dHigh = *h;
      points.front().bRevised = 1;
    }
  }

  // Searched downwards from the second-to-last point; the start point may serve.
  std::optional<std::size_t> last;
  for (std::size_t i = n - 1; i-- > 0;) {
    if (usable(i)) {
      last = i;
      break;
    }
  }
  if (!last || *last == 0) return;
  std::optional<std::size_t> before;
  for (std::size_t i = *last; i-- > 0;) {
    if (usable(i)) {
      before = i;
      break;
    }
  }
  if (!before) return;
  if (auto h = OnLine(points[*before], points[*last], points.back().dDist)) {
    points.back().dHigh = *h;
    points.back().bRevised = 1;
  }
}

void InterpolateHeights(CDocData& doc) {
  if (doc.AutoAssign != 1) return;
  std::vector<CDataStruct>& points = doc.pointList;
  const std::size_t n = points.size();
  for (std::size_t k = 1; k + 1 < n; ++k) {
    if (points[k].bRevised != 1) continue;
    std::size_t l = k;
    while (l > 0 && points[l - 1].bRevised != 0) --l;
    std::size_t m = k + 1;
    while (m < n && points[m].bRevised != 0) ++m;
    if (l == 0 || m == n) continue;
    if (auto h = OnLine(points[l - 1], points[m], points[k].dDist)) points[k].dHigh = *h;
  }
}

void RepairHeightsLegacy(CDocData& doc) {
  ExtendEndHeights(doc);
  std::vector<CDataStruct>& points = doc.pointList;
  const std::size_t n = points.size();
  auto source = [&](const CDataStruct& p) {
    return p.dHigh > 0 && p.bDelete == 0 && p.nType != PT_HIDDEN &&
           !(doc.KneePnt == 0 && p.nType == PT_KNEE);
  };
  for (std::size_t k = 1; k + 1 < n; ++k) {
    CDataStruct& p = points[k];
    if (p.dHigh > 0) continue;
    if (p.nType != PT_KNEE && doc.AutoAssign != 1) continue;
    p.bRevised = 1;
    std::size_t l = k;
    while (l > 0 && !source(points[l - 1])) --l;
    std::size_t m = k + 1;
    while (m < n && !source(points[m])) ++m;
    if (l == 0 || m == n) continue;
    if (auto h = OnLine(points[l - 1], points[m], p.dDist)) p.dHigh = *h;
  }
}

void RepairHeights(CDocData& doc, Edition edition) {
  if (edition == Edition::Legacy) {
    RepairHeightsLegacy(doc);
    return;
  }
  MarkAbnormalHeights(doc);
  ExtendEndHeights(doc);
  InterpolateHeights(doc);
}

}  // namespace ruvo
