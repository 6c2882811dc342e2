#include "ruvo/drawing/profile_geometry.h"

#include <cmath>
#include <cstdio>

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
  if (doc.pointList.empty()) return;
  doc.dHighMax = doc.dHighMin = doc.pointList.front().dHigh;
  for (const CDataStruct& p : doc.pointList) {
    if (!PointCounts(p, doc.KneePnt)) continue;
    if (p.dHigh < doc.dHighMin) doc.dHighMin = p.dHigh;
    if (p.dHigh > doc.dHighMax) doc.dHighMax = p.dHigh;
  }
  // the highest and lowest points hold whatever the tick step; the range snaps to a usable
  // one only (a stored step of 0 is refused when the profile is drawn)
  const double t = doc.txtY;
  if (!UsableStep(t)) return;
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

namespace {

bool UsableScale(double v) { return std::isfinite(v) && v >= 0.001 && v <= 1e8; }

std::string Shown(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

}  // namespace

std::vector<std::string> ReplaceUnusableSettings(CDocData& doc) {
  std::vector<std::string> notes;
  const auto replace = [&](const char* name, auto& member, auto value) {
    notes.push_back(std::string(name) + " " + Shown(static_cast<double>(member)) + " replaced by " +
                    Shown(static_cast<double>(value)));
    member = value;
  };
  if (!UsableScale(doc.XYScale)) replace("XYScale", doc.XYScale, 1000.0);
  if (!UsableScale(doc.XScale)) replace("XScale", doc.XScale, 500.0);
  if (!UsableScale(doc.YScale)) {
    replace("YScale", doc.YScale, doc.bXYEqual == 1 ? doc.XScale : 500.0);
  }
  if (!std::isfinite(doc.txtX) || doc.txtX <= 0) replace("txtX", doc.txtX, 5.0);
  if (doc.txtX > 1000) replace("txtX", doc.txtX, 1000.0);
  if (!std::isfinite(doc.txtY) || doc.txtY <= 0) replace("txtY", doc.txtY, 5.0);
  if (doc.txtY > 500) replace("txtY", doc.txtY, 500.0);
  if (!std::isfinite(doc.RodWidth)) replace("RodWidth", doc.RodWidth, 1.5);
  if (doc.RodWidth > 3) replace("RodWidth", doc.RodWidth, 3.0);
  if (doc.RodWidth < 0.1) replace("RodWidth", doc.RodWidth, 0.1);
  if (doc.SideDistance > 10) replace("SideDistance", doc.SideDistance, std::int32_t{10});
  if (doc.SideDistance < 0) replace("SideDistance", doc.SideDistance, std::int32_t{0});
  return notes;
}

std::string ProfileLimitProblem(const CDocData& doc, bool chinese) {
  if (!UsableScale(doc.XYScale) || !UsableScale(doc.XScale) || !UsableScale(doc.YScale)) {
    return chinese ? "比例须在0.001至1e8之间"
                   : "XYScale, XScale and YScale must lie in [0.001, 1e8]";
  }
  if (!(doc.txtX > 0 && doc.txtX <= 1000) || !(doc.txtY > 0 && doc.txtY <= 500)) {
    return chinese ? "横向刻度间距须大于0且不大于1000, 纵向刻度间距须大于0且不大于500"
                   : "the tick steps txtX and txtY must lie in (0, 1000] and (0, 500]";
  }
  for (const CDataStruct& p : doc.pointList) {
    if (!std::isfinite(p.dDist) || !std::isfinite(p.dHigh)) {
      return chinese ? "点" + std::to_string(p.nNo) + "的距离或高程不是有效数值"
                     : "point " + std::to_string(p.nNo) +
                           " has a distance or elevation that is not finite";
    }
  }
  const ProfileGeometry g = MakeGeometry(doc);
  for (const double v : {g.W, g.H, g.Tx, g.Ty, g.Kx, g.Ky, doc.dRangeTop, doc.dRangeBottom}) {
    if (!std::isfinite(v))
      return chinese ? "断面图尺寸不是有效数值" : "the profile's size is not a finite number";
  }
  const double rows = (doc.dRangeTop - doc.dRangeBottom) / doc.txtY;
  if (rows > kMaxRulerTicks) {
    if (chinese)
      return "高程范围" + Shown(doc.dRangeBottom) + "至" + Shown(doc.dRangeTop) + "需要" +
             Shown(std::ceil(rows)) + "个" + Shown(doc.txtY) + "米的刻度(最多" +
             Shown(kMaxRulerTicks) + "个), 请检查高程";
    return "the elevation range " + Shown(doc.dRangeBottom) + " to " + Shown(doc.dRangeTop) +
           " needs " + Shown(std::ceil(rows)) + " ruler ticks of " + Shown(doc.txtY) +
           " m (at most " + Shown(kMaxRulerTicks) + "); check the elevations";
  }
  if (doc.bXScale == 1 && g.Tx > 0 && g.W / g.Tx > kMaxRulerTicks) {
    if (chinese)
      return "断面长度需要" + Shown(std::ceil(g.W / g.Tx)) + "个横向刻度(最多" +
             Shown(kMaxRulerTicks) + "个)";
    return "the section length needs " + Shown(std::ceil(g.W / g.Tx)) +
           " horizontal ruler ticks (at most " + Shown(kMaxRulerTicks) + ")";
  }
  return {};
}

std::string FrameCaption(int kind) {
  const CPreviewPaper::FrameKind& k = CPreviewPaper::Kind(kind);
  // "RUVOA3LS" -> "A3"
  const std::string name = k.blockName;
  return name.substr(4, 2) +
         (k.orientation == CPreviewPaper::kLandscape ? "图框(横向)" : "图框(纵向)");
}

}  // namespace ruvo
