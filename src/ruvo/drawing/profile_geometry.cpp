#include "ruvo/drawing/profile_geometry.h"

#include <cmath>

namespace ruvo {

double SnapUp(double v, double t) { return std::ceil(v - std::fmod(v, t)) + t; }

double SnapDown(double v, double t) { return std::floor(v - std::fmod(v, t)); }

bool PointCounts(const CDataStruct& point, int KneePnt) {
  return point.bDelete == 0 && IsPointListed(point, KneePnt);
}

namespace {

bool UsableStep(double t) { return std::isfinite(t) && t > 0; }

}  // namespace

void ComputeHighRange(CDocData& doc) {
  if (doc.pointList.empty() || !UsableStep(doc.txtY)) return;
  doc.dHighMax = doc.dHighMin = doc.pointList.front().dHigh;
  for (const CDataStruct& p : doc.pointList) {
    if (!PointCounts(p, doc.KneePnt)) continue;
    if (p.dHigh < doc.dHighMin) doc.dHighMin = p.dHigh;
    if (p.dHigh > doc.dHighMax) doc.dHighMax = p.dHigh;
  }
  const double t = doc.txtY;
  if (doc.bUserRange == 1) {
    doc.dRangeTop = SnapUp(doc.dUserTop, t);
    doc.dRangeBottom = SnapDown(doc.dUserBottom, t);
  } else {
    doc.dRangeTop = doc.dUserTop = SnapUp(doc.dHighMax, t);
    doc.dRangeBottom = doc.dUserBottom = SnapDown(doc.dHighMin, t);
  }
}

void PageRangeRecompute(CDocData& doc) {
  const double t = doc.txtY;
  if (!UsableStep(t)) return;
  doc.dRangeTop = SnapUp(doc.dHighMax, t);
  doc.dRangeBottom = SnapDown(doc.dHighMin, t) - t;
}

ProfileGeometry MakeGeometry(const CDocData& doc) {
  ProfileGeometry g;
  g.Kx = doc.XYScale / doc.XScale;
  g.Ky = 1000.0 / doc.YScale;
  g.L = doc.pointList.empty() ? 0.0 : doc.pointList.back().dDist;
  g.d0 = doc.pointList.empty() ? 0.0 : doc.pointList.front().dDist;
  g.W = g.L * g.Kx;
  g.H = doc.pointList.empty() ? 0.0 : (doc.dRangeTop - doc.dRangeBottom + doc.txtY) * g.Ky;
  g.Tx = doc.txtX * 1000.0 / doc.XScale;
  g.Ty = doc.txtY * 1000.0 / doc.YScale;
  g.s = doc.SideDistance;
  g.r = doc.RodWidth;
  g.sRows = g.s >= 5 ? g.s : 5;
  g.x0Rows = g.s >= 5 ? 0 : g.s - 5;
  g.rangeBottom = doc.dRangeBottom;
  g.txtY = doc.txtY;
  g.reversed = doc.bReverse == 1;
  return g;
}

geom::Vector2d ProfileBoxSize(const ProfileGeometry& g) { return {g.W + 35, g.H + 60}; }

geom::Point2d FrameInsertionPoint(const ProfileGeometry& g, double paperWidth, double paperHeight) {
  return {-(paperWidth - g.W) / 2, -(paperHeight - g.H) / 2 - 32};
}

std::string FrameCaption(int kind) {
  const CPreviewPaper::FrameKind& k = CPreviewPaper::Kind(kind);
  // "RUVOA3LS" -> "A3"
  const std::string name = k.blockName;
  return name.substr(4, 2) +
         (k.orientation == CPreviewPaper::kLandscape ? "图框(横向)" : "图框(纵向)");
}

}  // namespace ruvo
