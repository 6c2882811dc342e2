#include "ruvo/section/point_list.h"

#include <algorithm>
#include <cmath>

#include "platform/geom/angle.h"

namespace ruvo {
namespace {

void SortByDistance(std::vector<CDataStruct>& points) {
  // Stable, so that the same drawing always gives the same list: equal distances keep the
  // order in which the cut found them. A section's few dozen points are sorted in place
  // (the library's stable sort takes a buffer for every list).
  const auto nearer = [](const CDataStruct& a, const CDataStruct& b) { return a.dDist < b.dDist; };
  if (points.size() > 64) {
    std::stable_sort(points.begin(), points.end(), nearer);
    return;
  }
  for (std::size_t i = 1; i < points.size(); ++i) {
    if (!nearer(points[i], points[i - 1])) continue;
    CDataStruct p = std::move(points[i]);
    std::size_t j = i;
    for (; j > 0 && nearer(p, points[j - 1]); --j) points[j] = std::move(points[j - 1]);
    points[j] = std::move(p);
  }
}

void Thin(std::vector<CDataStruct>& points) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (kept == 0 || std::fabs(points[i].dDist - points[kept - 1].dDist) >= kDistanceTolerance) {
      if (i != kept) points[kept] = std::move(points[i]);
      ++kept;
    }
  }
  points.erase(points.begin() + static_cast<std::ptrdiff_t>(kept), points.end());
}

CDataStruct VertexPoint(const CPntList& vertex, const char* note, std::uint32_t type) {
  CDataStruct p;
  p.ptPos = vertex.ptPos;
  p.dDist = vertex.dDist;
  p.strNote = note;
  p.nType = type;
  return p;
}

double AngleBetween(double a1, double a2) {
  double diff = std::fabs(a1 - a2);
  return diff > geom::kPi ? geom::kTwoPi - diff : diff;
}

}  // namespace

double PlanDistance(const geom::Point3d& a, const geom::Point3d& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

void FinishPointList(CDocData& doc) {
  if (doc.vertexList.empty()) return;
  std::vector<CDataStruct>& points = doc.pointList;
  SortByDistance(points);
  Thin(points);
  if (doc.FilterHeight == 1) {
    std::erase_if(points, [&](const CDataStruct& p) {
      return p.dHigh < doc.FilterHMin || p.dHigh > doc.FilterHMax;
    });
  }
  // the knees among the crossings (a straight line has none: the list is in order)
  for (std::size_t i = 1; i + 1 < doc.vertexList.size(); ++i) {
    points.push_back(VertexPoint(doc.vertexList[i], kNoteKnee, PT_KNEE));
  }
  if (doc.vertexList.size() > 2) SortByDistance(points);

  CDataStruct start = VertexPoint(doc.vertexList.front(), kNoteStart, PT_END);
  start.bMark = 1;
  CDataStruct end = VertexPoint(doc.vertexList.back(), kNoteEnd, PT_END);
  end.bMark = 1;
  points.insert(points.begin(), std::move(start));
  points.push_back(std::move(end));

  for (std::size_t i = 0; i < points.size(); ++i) points[i].nNo = static_cast<std::int32_t>(i);
  const std::size_t n = points.size();
  points.front().dHigh = points[1].dHigh;
  points.back().dHigh = points[n - 2].dHigh;
  SortUniqueLayers(doc.layerList);
}

void MarkStraightKnees(CDocData& doc) {
  std::vector<CDataStruct>& points = doc.pointList;
  if (points.size() < 3) return;
  geom::Point2d prev = points.front().ptPos.xy();
  for (std::size_t i = 1; i < points.size(); ++i) {
    if (points[i].nType != PT_KNEE) continue;
    const geom::Point2d cur = points[i].ptPos.xy();
    auto next =
        std::find_if(points.begin() + static_cast<std::ptrdiff_t>(i) + 1, points.end(),
                     [](const CDataStruct& p) { return p.nType == PT_KNEE || p.nType == PT_END; });
    if (next != points.end()) {
      const double a1 = geom::planAngle(prev, cur);
      const double a2 = geom::planAngle(cur, next->ptPos.xy());
      // The smaller angle between the two headings: a turn across east (just below 2*pi
      // to just above 0) is as small as any other.
      if (AngleBetween(a1, a2) < kStraightKneeAngle) points[i].bDelete = 1;
    }
    prev = cur;
  }
}

void FilterByLayers(CDocData& doc, std::span<const std::string> tickedLayers) {
  for (CDataStruct& p : doc.pointList) {
    if (p.nType == PT_END || p.nType == PT_KNEE) continue;
    const bool ticked = p.strLayer.empty() || std::find(tickedLayers.begin(), tickedLayers.end(),
                                                        p.strLayer) != tickedLayers.end();
    p.nType = ticked ? PT_CROSS : PT_HIDDEN;
  }
}

namespace {

// Where the new point goes: after the last point whose distance is not greater, but never
// behind the end point, which stays last.
std::size_t InsertionIndex(std::vector<CDataStruct>& points, double dist) {
  std::size_t i = points.size();
  while (i > 0 && points[i - 1].dDist > dist) {
    ++points[i - 1].nNo;
    --i;
  }
  if (i == points.size() && points.back().nType == PT_END && points.size() > 1) {
    ++points.back().nNo;
    --i;
  }
  return i;
}

void InterpolateAddedHeight(CDocData& doc, std::size_t index) {
  const std::vector<CDataStruct>& points = doc.pointList;
  const std::size_t count = points.size();
  if (index == 0 || index + 1 >= count) return;
  std::size_t i = index - 1;
  while (i > 0 && IsHeightUnusable(points, i, doc.KneePnt)) --i;
  std::size_t j = index + 1;
  while (j < count - 1 && IsHeightUnusable(points, j, doc.KneePnt)) ++j;
  const CDataStruct& a = points[i];
  const CDataStruct& b = points[j];
  if (b.dDist == a.dDist) return;
  CDataStruct& p = doc.pointList[index];
  p.dHigh = a.dHigh + (b.dHigh - a.dHigh) / (b.dDist - a.dDist) * (p.dDist - a.dDist);
  p.bRevised = 1;
}

}  // namespace

int InsertAddedPoint(CDocData& doc, CDataStruct point) {
  std::vector<CDataStruct>& points = doc.pointList;
  if (points.empty()) return -1;
  const std::size_t index = InsertionIndex(points, point.dDist);
  point.nNo = index == 0 ? 0 : points[index - 1].nNo + 1;
  const int number = point.nNo;
  const bool needsHeight = point.dHigh <= 0;
  points.insert(points.begin() + static_cast<std::ptrdiff_t>(index), std::move(point));
  if (needsHeight) InterpolateAddedHeight(doc, index);
  doc.layerList.push_back(kLayerAdded);
  SortUniqueLayers(doc.layerList);
  return number;
}

bool SetTypedHeight(CDocData& doc, std::size_t index, double height) {
  if (index >= doc.pointList.size()) return false;
  CDataStruct& p = doc.pointList[index];
  p.dHigh = height;
  p.bRevised = 0;
  return true;
}

bool WantsWriteBack(const CDocData& doc, const CDataStruct& point) {
  return doc.bFromDrawing == 1 && doc.bSetHigh == 1 && point.idObject != 0;
}

}  // namespace ruvo
