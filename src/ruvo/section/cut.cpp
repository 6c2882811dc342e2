// Cutting the section line's segments against the drawing.

#include <array>
#include <cmath>
#include <cstdio>

#include "platform/cad/queries.h"
#include "platform/geom/bounds.h"
#include "platform/geom/intersect.h"
#include "platform/geom/measure.h"
#include "platform/host/editor.h"
#include "platform/host/host_core.h"
#include "ruvo/host/host_access.h"
#include "ruvo/section/get_data.h"

namespace ruvo {
namespace {

constexpr double kBoxWidening = 0.1;
constexpr double kDegenerateSide = 0.01;

// The selection polygon of a segment: its box, a side shorter than the degenerate side
// pushed out by a tenth of the chord, corners in the order the host is given them.
std::array<geom::Point2d, 4> SelectionCorners(const geom::Extents2d& box, double chord) {
  const double widen = kBoxWidening * chord;
  double right = box.max.x;
  double top = box.max.y;
  if (box.max.x - box.min.x < kDegenerateSide) right += widen;
  if (box.max.y - box.min.y < kDegenerateSide) top += widen;
  return {geom::Point2d{right, top}, geom::Point2d{box.min.x, top},
          geom::Point2d{box.min.x, box.min.y}, geom::Point2d{right, box.min.y}};
}

// The points of one object's hits with a segment, appended to the document's points and
// layers.
void AppendHits(CDocData& doc, const geom::Intersections& hits, cad::ObjectId id,
                const std::string& layer, double high, const geom::BulgeArc& segment,
                double startDist, const geom::Point3d& p0) {
  const bool straight = std::fabs(segment.bulge) < kBulgeTolerance;
  for (const geom::IntersectionPoint& q : hits.points) {
    CDataStruct point;
    // Z as the temporary segment at the object's elevation reports it.
    point.ptPos = geom::withZ(q.xy, high);
    point.dHigh = high;
    point.dDist = straight ? startDist + PlanDistance(p0, point.ptPos)
                           : startDist + geom::distanceAtParam(segment, q.paramA);
    point.strLayer = layer;
    point.idObject = id.handle();
    point.nType = PT_CROSS;
    doc.pointList.push_back(std::move(point));
    doc.layerList.push_back(layer);
  }
}

}  // namespace

double ArcLength(const geom::Point3d& p0, const geom::Point3d& p1, double bulge) {
  return geom::length(geom::BulgeArc{p0.xy(), p1.xy(), bulge, 0.0});
}

void CGetData::CutSection(CDocData& doc, cad::ObjectId sectionLine, int mode) {
  if (doc.vertexList.size() < 2) return;
  host::Document* document = host_.documents().curDocument();
  if (document == nullptr) return;
  {
    ViewRestorer restoreView(host_);
    doc.pointList.clear();
    doc.layerList.clear();
    for (std::size_t i = 0; i + 1 < doc.vertexList.size(); ++i) {
      const CPntList& v0 = doc.vertexList[i];
      const CPntList& v1 = doc.vertexList[i + 1];
      CutSegment(doc, sectionLine, v0.dDist, v0.ptPos, v1.ptPos, v1.dBulge, mode);
    }
    char text[64];
    std::snprintf(text, sizeof text, "\n共获取交点%d个\n", static_cast<int>(doc.pointList.size()));
    Print(host_, text);
  }
  document->database().modelExtents().update();
}

void CGetData::CutSegment(CDocData& doc, cad::ObjectId sectionLine, double startDist,
                          const geom::Point3d& p0, const geom::Point3d& p1, double bulge,
                          [[maybe_unused]] int mode) {
  host::Document* document = host_.documents().curDocument();
  if (document == nullptr) return;
  const cad::Database& db = document->database();

  const geom::Extents2d box = geom::bulgeExtents(p0.xy(), p1.xy(), bulge);
  // A crossing selection sees what is on screen, so the segment is brought into view.
  host_.display().setCurrentView(
      host::ViewRecord{box.centre(), std::fabs(box.height()), std::fabs(box.width())});
  const auto corners = SelectionCorners(box, PlanDistance(p0, p1));
  host::SelectionSet selection;
  if (host_.editor().selectCrossingPolygon(corners, selection) != host::Status::Normal) return;
  selection.remove(sectionLine);

  // Precise mode (chosen, or forced when p0 lies beyond the large coordinate) cuts with the
  // segment and the object moved so that p0 lies at the origin, and moves the results
  // back. The kernel intersects every pair in exactly that frame (the first operand's
  // start at the origin, one addition back), so one prepared segment serves both modes.
  const geom::BulgeArc segment{p0.xy(), p1.xy(), bulge, 0.0};
  const geom::Cutter cutter(segment);
  for (cad::ObjectId id : selection.ids()) {
    auto object = db.openForRead<cad::Entity>(id);
    if (!object) continue;
    const auto* curve = cad::objectCast<cad::CurveEntity>(object.get());
    const std::optional<double> high = curve ? ObjectElevation(*curve) : std::nullopt;
    if (!high) continue;
    const std::string layer = curve->layer();
    const geom::Intersections hits = cad::intersectWith(db, *curve, cutter);
    object.close();
    AppendHits(doc, hits, id, layer, *high, segment, startDist, p0);
  }
}

CBatchCut::CBatchCut(host::Host& host, const std::vector<std::vector<CPntList>>& lines)
    : host_(host) {
  host::Document* document = host_.documents().curDocument();
  if (document == nullptr) return;
  db_ = &document->database();
  selection_ = host_.editor().crossingBatch();
  if (selection_ == nullptr) return;
  for (const std::vector<CPntList>& line : lines) {
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
      planned_.push_back({line[i].ptPos.xy(), line[i + 1].ptPos.xy(), line[i + 1].dBulge, 0.0});
    }
  }
  if (!planned_.empty()) selection_->prepare(planned_);
}

CBatchCut::~CBatchCut() = default;

void CBatchCut::CutSection(CDocData& doc, cad::ObjectId sectionLine) {
  if (selection_ == nullptr) {  // a host without the batch: line by line
    CGetData(host_).CutSection(doc, sectionLine, kModeCommon);
    return;
  }
  if (doc.vertexList.size() < 2) return;
  doc.pointList.clear();
  doc.layerList.clear();
  for (std::size_t i = 0; i + 1 < doc.vertexList.size(); ++i) {
    const CPntList& v0 = doc.vertexList[i];
    const CPntList& v1 = doc.vertexList[i + 1];
    CutSegment(doc, sectionLine, v0.dDist, v0.ptPos, v1.ptPos, v1.dBulge);
  }
}

// CGetData::CutSegment turned round: every entity near the segment that the cut meets is
// asked whether the segment's crossing selection would have taken it. One that it does
// not meet adds nothing either way, so the points are the same, in the same order.
void CBatchCut::CutSegment(CDocData& doc, cad::ObjectId sectionLine, double startDist,
                           const geom::Point3d& p0, const geom::Point3d& p1, double bulge) {
  const geom::Extents2d box = geom::bulgeExtents(p0.xy(), p1.xy(), bulge);
  const auto corners = SelectionCorners(box, PlanDistance(p0, p1));
  const geom::BulgeArc segment{p0.xy(), p1.xy(), bulge, 0.0};
  // the segment planned for, or one cut as it comes
  const std::size_t turn = segmentsCut_++;
  const bool planned = turn < planned_.size() && planned_[turn].start == segment.start &&
                       planned_[turn].end == segment.end && planned_[turn].bulge == segment.bulge;
  std::optional<geom::Cutter> own;
  if (!planned) own.emplace(segment);
  const geom::Cutter& cutter = planned ? selection_->cut(turn) : *own;
  const host::Status found =
      planned ? selection_->reset(corners, turn) : selection_->reset(corners, cutter);
  if (found != host::Status::Normal) return;
  // About a point a candidate, and room for the end points the finishing adds.
  doc.pointList.reserve(doc.pointList.size() + selection_->candidates().size() + 2);
  for (const host::CrossingBatch::Candidate& c : selection_->candidates()) {
    if (c.id == sectionLine) continue;
    // The entity as the batch found it, or opened here for a curve it was not prepared for.
    cad::Opened<const cad::Entity> opened;
    const cad::Entity* object = c.entity;
    if (object == nullptr) {
      opened = db_->openForRead<cad::Entity>(c.id);
      if (!opened) continue;
      object = opened.get();
    }
    const auto* curve = cad::objectCast<cad::CurveEntity>(object);
    const std::optional<double> high = curve ? ObjectElevation(*curve) : std::nullopt;
    if (!high) continue;
    cad::intersectWith(*curve, cutter, c.ranges, hits_);
    const geom::Intersections& hits = hits_;
    if (hits.points.empty()) continue;
    // a segment the cut met (a polyline's parameter counts its segments)
    const double at = hits.points.front().paramB;
    const int metSegment = at >= 0 && at < 2e9 ? static_cast<int>(at) : -1;
    if (!selection_->takes(c, *object, metSegment, hits.points.front().xy)) continue;
    AppendHits(doc, hits, c.id, curve->layer(), *high, segment, startDist, p0);
  }
}

}  // namespace ruvo
