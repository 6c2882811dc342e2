// The rows under the baseline and the azimuth marks.

#include <cmath>

#include "ruvo/drawing/number_text.h"
#include "ruvo/drawing/profile_layout.h"
#include "ruvo/section/text_format.h"

namespace ruvo {

namespace {

constexpr double kSlack = 1e-9;
constexpr double kRowHeight = 8;

// List positions in drawing order: list order, or reversed.
std::vector<std::size_t> DrawingOrder(const CDocData& doc) {
  const std::size_t n = doc.pointList.size();
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = doc.bReverse == 1 ? n - 1 - i : i;
  return order;
}

// Outline, caption separator and caption of a row whose top edge is at y0.
void RowFrame(const ProfileGeometry& g, double y0, double h, ProfileShapes& out) {
  const double left = g.x0Rows - 25, E = g.RowsEnd();
  AddLine(out, {{left, y0}, {E, y0}, {E, y0 - h}, {left, y0 - h}, {left, y0}});
  AddLine(out, {{g.x0Rows, y0}, {g.x0Rows, y0 - h}});
}

void Caption(const ProfileGeometry& g, double y, const char* text, ProfileShapes& out) {
  AddLabel(out, {g.x0Rows - 12.5, y}, text, 3.4, kCentre, kMiddle);
}

void Column(double x, double y0, ProfileShapes& out) { AddLine(out, {{x, y0}, {x, y0 - 8}}); }

bool IsLegPoint(const CDataStruct& p) {
  return (p.nType == PT_KNEE || p.nType == PT_END) && p.bDelete == 0;
}

double AzimuthOf(const CDataStruct& from, const CDataStruct& to) {
  return Azimuth(from.ptPos.x, from.ptPos.y, to.ptPos.x, to.ptPos.y);
}

}  // namespace

void LayoutDistanceRow(const ProfileGeometry& g, double txtX, ProfileShapes& out) {
  const double s = g.s, Tx = g.Tx;
  RowFrame(g, 0, kRowHeight, out);
  Caption(g, -4, "距离(m)", out);
  AddLine(out, {{s, 0}, {s, 2}});
  AddLabel(out, {s, -3}, "0", 2.5, kCentre, kMiddle);
  if (!(Tx > 0) || g.W < 2 * Tx) return;
  for (int J = 2;; J += 2) {
    const double K = J * Tx;
    if (K > g.W + kSlack * (1 + g.W)) break;
    AddLine(out, {{s + K, 0}, {s + K, 2}});
    AddLine(out, {{s + K - Tx, 0}, {s + K - Tx, 1}});
    AddLabel(out, {s + K, -3}, FormatTrimmed(J * txtX), 2.5, kCentre, kMiddle);
  }
}

void LayoutSpacingRows(const CDocData& doc, const ProfileGeometry& g, double y0,
                       ProfileShapes& out) {
  if (doc.pointList.size() < 2) return;
  RowFrame(g, y0, 16, out);
  AddLine(out, {{g.x0Rows - 25, y0 - 8}, {g.RowsEnd(), y0 - 8}});
  Caption(g, y0 - 4, "间距(m)", out);
  Caption(g, y0 - 12, "标高(m)", out);
  Column(g.s, y0, out);
  const std::vector<std::size_t> order = DrawingOrder(doc);
  const CDataStruct* prev = &doc.pointList[order.front()];
  AddLabel(out, {g.s, y0 - 12}, FormatTrimmed(prev->dHigh), 2.5, kCentre, kMiddle);
  for (std::size_t i = 1; i < order.size(); ++i) {
    const CDataStruct& p = doc.pointList[order[i]];
    if (p.bMark != 1 || !PointCounts(p, doc.KneePnt)) continue;
    const double x = g.X(p.dDist);
    Column(x, y0, out);
    AddLabel(out, {x, y0 - 12}, FormatTrimmed(p.dHigh), 2.5, kCentre, kMiddle);
    const double spacing = std::fabs(p.dDist - prev->dDist) * doc.XYScale / 1000;
    AddLabel(out, {g.X((p.dDist + prev->dDist) / 2), y0 - 4}, FormatTrimmed(spacing, 3), 2.5,
             kCentre, kMiddle);
    prev = &p;
  }
}

namespace {

void CoordinateColumn(const CDataStruct& p, double x, double textX, int horizontal, double y0,
                      ProfileShapes& out) {
  Column(x, y0, out);
  AddLabel(out, {textX, y0 - 2}, "X:" + FormatFixed(p.ptPos.y, 2), 2.5, horizontal, kMiddle);
  AddLabel(out, {textX, y0 - 6}, "Y:" + FormatFixed(p.ptPos.x, 2), 2.5, horizontal, kMiddle);
}

}  // namespace

void LayoutCoordinateRow(const CDocData& doc, const ProfileGeometry& g, double y0,
                         ProfileShapes& out) {
  const std::size_t n = doc.pointList.size();
  if (n < 2) return;
  const double s = g.s, W = g.W;
  RowFrame(g, y0, kRowHeight, out);
  out.push_back(
      ShapePolyline{{{s, y0 - 4}, {s + W, y0 - 4}}, 0, kFrameLayer, kDashedLinetype, 0.5});
  Caption(g, y0 - 4, "位置坐标", out);
  const std::vector<std::size_t> order = DrawingOrder(doc);
  CoordinateColumn(doc.pointList[order.front()], s, s + 1, kLeft, y0, out);
  CoordinateColumn(doc.pointList[order.back()], s + W, s + W - 1, kRight, y0, out);
  for (std::size_t i : order) {
    if (i == 0 || i == n - 1) continue;
    const CDataStruct& p = doc.pointList[i];
    const double x = g.X(p.dDist);
    if (doc.bKneePosition == 1 && p.nType == PT_KNEE && p.bDelete == 0) {
      CoordinateColumn(p, x, x + 1, kLeft, y0, out);
    }
    if (doc.bRemarkPosition == 1 && p.bMark == 1 && p.bDelete == 0) {
      CoordinateColumn(p, x, x + 1, kLeft, y0, out);
    }
  }
}

void LayoutAzimuthRow(const CDocData& doc, const ProfileGeometry& g, double y0,
                      ProfileShapes& out) {
  if (doc.pointList.empty()) return;
  const double b = y0 - 5;
  RowFrame(g, y0, kRowHeight, out);
  Caption(g, y0 - 4, "方位(°)", out);
  Column(g.s, y0, out);
  const std::vector<std::size_t> order = DrawingOrder(doc);
  double N = g.s;
  const CDataStruct* prev = &doc.pointList[order.front()];
  for (std::size_t i = 1; i < order.size(); ++i) {
    const CDataStruct& q = doc.pointList[order[i]];
    if (!IsLegPoint(q)) continue;
    AddLine(out, {{N + 17, b}, {N, b}, {N + 5, b + 1}, {N + 7, b - 1}});
    AddLine(out, {{N + 6, b + 1}, {N + 8, b - 1}});
    AddLabel(out, {N + 8, y0 - 4.5}, AzimuthText(AzimuthOf(q, *prev)), 2.5, kLeft, kBottom);
    N = g.X(q.dDist);
    AddLine(out, {{N - 17, b}, {N, b}, {N - 5, b + 1}, {N - 7, b - 1}});
    AddLine(out, {{N - 6, b + 1}, {N - 8, b - 1}});
    AddLabel(out, {N - 17, y0 - 4.5}, AzimuthText(AzimuthOf(*prev, q)), 2.5, kLeft, kBottom);
    Column(N, y0, out);
    prev = &q;
  }
}

void LayoutAzimuthArrows(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out) {
  if (doc.pointList.empty()) return;
  const double o = g.H;
  const std::vector<std::size_t> order = DrawingOrder(doc);
  double h = g.s;
  const CDataStruct* prev = &doc.pointList[order.front()];
  for (std::size_t i = 1; i < order.size(); ++i) {
    const CDataStruct& q = doc.pointList[order[i]];
    if (!IsLegPoint(q)) continue;
    AddLine(out, {{h, o - 2}, {h, o}, {h + 13, o}, {h + 10, o + 1}});
    AddLabel(out, {h, o + 0.5}, AzimuthText(AzimuthOf(*prev, q)), 2.5, kLeft, kBottom);
    h = g.X(q.dDist);
    if (i == order.size() - 1) {
      AddLine(out, {{h, o - 2}, {h, o}, {h - 13, o}, {h - 10, o + 1}});
      AddLabel(out, {h - 10, o + 0.5}, AzimuthText(AzimuthOf(q, *prev)), 2.5, kLeft, kBottom);
    }
    prev = &q;
  }
}

void LayoutRows(const CDocData& doc, const ProfileGeometry& g, ProfileShapes& out) {
  double y0 = 0;
  if (doc.bXScale == 1) {
    LayoutDistanceRow(g, doc.txtX, out);
    y0 -= kRowHeight;
  }
  if (doc.bDistAndHigh == 1) {
    LayoutSpacingRows(doc, g, y0, out);
    y0 -= 16;
  }
  if (doc.bKneePosition == 1 || doc.bRemarkPosition == 1) {
    LayoutCoordinateRow(doc, g, y0, out);
    y0 -= kRowHeight;
  }
  if (doc.bDirection1 == 1) LayoutAzimuthRow(doc, g, y0, out);
}

}  // namespace ruvo
