// The "加点" command: a point where a line the user draws crosses the section line.

#include <cmath>

#include "platform/geom/intersect.h"
#include "platform/geom/measure.h"
#include "platform/geom/transform.h"
#include "platform/host/editor.h"
#include "ruvo/host/host_access.h"
#include "ruvo/section/get_data.h"

namespace ruvo {

int CGetData::AddPoint(CDocData& doc) {
  WriteLockedDocument lock(host_);
  if (!lock.locked()) return -1;
  host::Editor& editor = host_.editor();
  editor.resetInputOptions();
  const host::PointResult first = editor.getPoint(kPromptFirstPoint);
  if (first.status != host::Status::Normal) {
    Print(host_, kMsgCancelled);
    return -1;
  }
  const host::PointResult second = editor.getPoint(kPromptSecondPoint, first.point);
  if (second.status != host::Status::Normal) {
    Print(host_, kMsgCancelled);
    return -1;
  }
  host_.display().drawVector(first.point, second.point, kTemporaryVectorColour);
  const geom::LineSeg userLine{first.point, {second.point.x, second.point.y, first.point.z}};
  if (doc.vertexList.size() < 2) return -1;

  int result = -1;
  for (std::size_t i = 0; i + 1 < doc.vertexList.size(); ++i) {
    const CPntList& v0 = doc.vertexList[i];
    const CPntList& v1 = doc.vertexList[i + 1];
    result = AddPointOnSegment(doc, userLine, v0.dDist, v0.ptPos, v1.ptPos, v1.dBulge);
    if (result > 0) break;
  }
  PostPrompt(host_);
  return result;
}

int CGetData::AddPointOnSegment(CDocData& doc, const geom::LineSeg& userLine, double startDist,
                                const geom::Point3d& p0, const geom::Point3d& p1, double bulge) {
  const geom::BulgeArc segment{p0.xy(), p1.xy(), bulge, userLine.start.z};
  const geom::Vector3d shift{-p0.x, -p0.y, 0.0};
  const geom::Intersections hits =
      geom::intersect(geom::translated(segment, shift), geom::translated(userLine, shift));
  if (hits.points.empty()) return -1;
  const geom::IntersectionPoint& q = hits.points.front();

  CDataStruct point;
  point.ptPos = {q.xy.x + p0.x, q.xy.y + p0.y, q.zA};
  point.dHigh = q.zA;
  point.dDist = std::fabs(bulge) < kBulgeTolerance
                    ? startDist + PlanDistance(p0, point.ptPos)
                    : startDist + geom::distanceAtParam(segment, q.paramA);
  point.strNote = kNoteAdded;
  point.strLayer = kLayerAdded;
  point.nType = PT_ADDED;
  return InsertAddedPoint(doc, std::move(point));
}

}  // namespace ruvo
