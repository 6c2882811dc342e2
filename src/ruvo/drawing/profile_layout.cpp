#include "ruvo/drawing/profile_layout.h"

#include "ruvo/drawing/number_text.h"

namespace ruvo {

namespace {

// Loops over tick steps compare products of the scales; a hair of slack keeps the last
// step whose end falls on the limit.
constexpr double kSlack = 1e-9;

}  // namespace

void LayoutProfileLine(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out) {
  std::vector<geom::Point2d> points;
  const auto add = [&](const CDataStruct& p) {
    if (PointCounts(p, doc.KneePnt)) points.push_back({g.LineX(p.dDist), g.Y(p.dHigh)});
  };
  if (g.reversed) {
    for (auto it = doc.pointList.rbegin(); it != doc.pointList.rend(); ++it) add(*it);
  } else {
    for (const CDataStruct& p : doc.pointList) add(p);
  }
  if (points.empty()) return;
  if (doc.bLineType == 1) {
    out.push_back(ShapeSpline{std::move(points), kLineLayer});
  } else {
    out.push_back(ShapePolyline{std::move(points), 0, kLineLayer, {}, 1.0});
  }
}

namespace {

void LayoutRulers(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out) {
  const double s = g.s, W = g.W, H = g.H, r = g.r, Ty = g.Ty;
  const double right = 2 * s + W;
  AddLine(out, {{0, 0}, {0, H}, {-r, H}, {-r, 0}, {0, 0}});
  AddLabel(out, {-r - 0.5, H}, "高程(m)", 2.5, kRight, kBottom);
  AddLine(out, {{right, 0}, {right, H}, {right + r, H}, {right + r, 0}, {right, 0}});
  AddLabel(out, {right + r + 0.5, H}, "高程(m)", 2.5, kLeft, kBottom);
  if (!(Ty > 0)) return;
  const auto labels = [&](double y, double value) {
    const std::string text = FormatTrimmed(value);
    AddLabel(out, {-1.5 * r - 0.5, y}, text, 2.5, kRight, kMiddle);
    AddLabel(out, {right + 1.5 * r + 0.5, y}, text, 2.5, kLeft, kMiddle);
  };
  for (int k = 0; H - 2 * Ty >= 2 * k * Ty - kSlack * (1 + H); ++k) {
    const double lower = (2 * k + 1) * Ty, upper = (2 * k + 2) * Ty;
    AddLine(out, {{-r / 2, lower}, {-r / 2, upper}}, r);
    AddLine(out, {{right + r / 2, lower}, {right + r / 2, upper}}, r);
    labels(lower, doc.dRangeBottom + 2 * k * doc.txtY);
    if (doc.Interval == 1 && H - upper > 0.001) {
      labels(upper, doc.dRangeBottom + (2 * k + 1) * doc.txtY);
    }
  }
}

}  // namespace

void LayoutGraphFrame(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out) {
  const double mid = g.s + g.W / 2;
  AddLine(out, {{0, 0}, {2 * g.s + g.W, 0}});
  AddLabel(out, {mid, g.H + 18}, doc.strPmName, 4.0, kMid, kBottom);
  AddLabel(out, {mid, g.H + 12},
           "比例尺 水平 1:" + FormatTrimmed(doc.XScale) + " 垂直 1:" + FormatTrimmed(doc.YScale),
           2.5, kMid, kBottom);
  LayoutRulers(doc, g, out);
}

void LayoutRemarks(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out) {
  for (const CDataStruct& p : doc.pointList) {
    if (p.strNote.empty() || p.nType == PT_END || !PointCounts(p, doc.KneePnt)) continue;
    const double x = g.X(p.dDist), y = g.Y(p.dHigh);
    AddLine(out, {{x, y + 2}, {x, y + 7}});
    AddLabel(out, {x, y + 7}, p.strNote, 2.5, kCentre, kBottom);
  }
}

ProfileLayout LayoutProfile(const CDocData& doc) {
  ProfileLayout layout;
  layout.geometry = MakeGeometry(doc);
  if (doc.pointList.size() < 2) return layout;
  const ProfileGeometry& g = layout.geometry;
  LayoutProfileLine(doc, g, layout.graph);
  LayoutGraphFrame(doc, g, layout.graph);
  LayoutRemarks(doc, g, layout.graph);
  if (doc.bDirection2 == 1) LayoutAzimuthArrows(doc, g, layout.marks);
  LayoutRows(doc, g, layout.marks);
  return layout;
}

}  // namespace ruvo
