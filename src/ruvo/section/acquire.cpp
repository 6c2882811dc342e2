// The acquisition command: pick the section line, read its vertices, cut, finish, repair.

#include <cmath>

#include "platform/cad/ocs.h"
#include "platform/host/editor.h"
#include "ruvo/host/host_access.h"
#include "ruvo/section/get_data.h"

namespace ruvo {
namespace {

// The step from the previous vertex: an arc when the bulge is more than the tolerance.
void AppendVertex(std::vector<CPntList>& vertices, std::uint32_t index, geom::Point3d pos,
                  double bulge) {
  CPntList v;
  v.nIndex = index;
  v.ptPos = pos;
  if (!vertices.empty()) {
    const CPntList& prev = vertices.back();
    double length = 0.0;
    if (std::fabs(bulge) > kBulgeTolerance) {
      length = ArcLength(prev.ptPos, pos, bulge);
      v.dBulge = bulge;
    } else {
      length = PlanDistance(prev.ptPos, pos);
    }
    v.dDist = prev.dDist + length;
  }
  vertices.push_back(v);
}

std::vector<CPntList> PolylineVertices(const cad::LwPolyline& pline) {
  // Vertices in world coordinates; a mirrored object system runs its arcs the other way.
  const cad::Ocs ocs(pline.extrusion().normal);
  const double sense = ocs.planeSign() < 0 ? -1.0 : 1.0;
  auto world = [&](std::size_t i) {
    const geom::Point2d p = pline.pointAt(i);
    return ocs.toWorld(geom::Point3d{p.x, p.y, pline.elevation()});
  };
  std::vector<CPntList> vertices;
  const std::size_t count = pline.vertexCount();
  for (std::size_t i = 0; i < count; ++i) {
    const double bulge = i == 0 ? 0.0 : sense * pline.bulgeAt(i - 1);
    AppendVertex(vertices, static_cast<std::uint32_t>(i), world(i), bulge);
  }
  if (pline.isClosed()) {
    AppendVertex(vertices, static_cast<std::uint32_t>(count), world(0),
                 sense * pline.bulgeAt(count - 1));
  }
  return vertices;
}

}  // namespace

std::optional<std::vector<CPntList>> CGetData::BuildVertexList(const cad::Entity* picked) {
  if (picked == nullptr) {
    Print(host_, kMsgSomethingWrong);
    return std::nullopt;
  }
  if (auto* pline = cad::objectCast<cad::LwPolyline>(picked)) {
    if (pline->vertexCount() <= 1) {
      Print(host_, kMsgNoData);
      return std::nullopt;
    }
    return PolylineVertices(*pline);
  }
  if (cad::objectCast<cad::Polyline2d>(picked) != nullptr) {
    Print(host_, kMsgOldPolyline);
    return std::nullopt;
  }
  if (auto* line = cad::objectCast<cad::Line>(picked)) {
    std::vector<CPntList> vertices;
    AppendVertex(vertices, 0, line->start(), 0.0);
    AppendVertex(vertices, 1, line->end(), 0.0);
    return vertices;
  }
  Print(host_, kMsgPickPrompt);
  return std::nullopt;
}

bool CGetData::AcquireSection(CDocData& doc, int mode, cad::ObjectId* picked) {
  WriteLockedDocument lock(host_);
  if (!lock.locked()) return false;
  host::Editor& editor = host_.editor();
  editor.resetInputOptions();
  const host::PickResult pick = editor.pickEntity(kMsgPickPrompt);
  if (pick.status == host::Status::Cancel) {
    Print(host_, kMsgCancelled);
    return false;
  }
  if (pick.status == host::Status::None) {
    Print(host_, kMsgNothingPicked);
    return false;
  }
  if (pick.status != host::Status::Normal) return false;

  // The new vertices replace the old ones only once they are known to be usable: a wrong
  // pick must not cost the user the points (and the elevations typed into them) held now.
  std::optional<std::vector<CPntList>> vertices;
  {
    auto object = lock.database().openForRead<cad::Entity>(pick.id);
    vertices = BuildVertexList(object.get());
  }
  if (!vertices) return false;
  if (picked != nullptr) *picked = pick.id;
  doc.vertexList = std::move(*vertices);
  CutSection(doc, pick.id, mode);
  FinishPointList(doc);
  if (doc.pointList.size() >= 2) {
    RepairHeights(doc, edition_);
    MarkStraightKnees(doc);
  }
  PostPrompt(host_);
  return true;
}

bool CGetData::CommitTypedHeight(CDocData& doc, std::size_t index, double height) {
  if (!SetTypedHeight(doc, index, height)) return false;
  const CDataStruct& point = doc.pointList[index];
  if (!WantsWriteBack(doc, point)) return true;
  WriteLockedDocument lock(host_);
  if (!lock.locked()) return true;
  auto object = lock.database().openForWrite<cad::Entity>(cad::ObjectId(point.idObject));
  if (object) AssignHeightToObject(*object, height);
  return true;
}

}  // namespace ruvo
