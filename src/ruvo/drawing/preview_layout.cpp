#include "ruvo/drawing/preview_layout.h"

#include <algorithm>

namespace ruvo {

namespace {

struct SheetHalf {
  int cx, cy, a, b;
};

SheetHalf Sheet(const CPreviewPaper& p) {
  const bool landscape = p.nOrientation != CPreviewPaper::kPortrait;
  const int w = landscape ? p.nSheetWidthL : p.nSheetWidthP;
  const int h = landscape ? p.nSheetHeightL : p.nSheetHeightP;
  return {p.nCtrlWidth / 2, p.nCtrlHeight / 2, std::max(1, static_cast<int>(w * 0.5 * p.dZoom)),
          std::max(1, static_cast<int>(h * 0.5 * p.dZoom))};
}

// A sheet smaller than this (half sizes in pixels) has no room for the folded corner.
bool HasFold(const SheetHalf& s) { return s.a >= 14 && s.b >= 14; }

}  // namespace

std::vector<PreviewPoint> SheetOutline(const CPreviewPaper& paper) {
  const SheetHalf s = Sheet(paper);
  const auto [cx, cy, a, b] = s;
  const int c = HasFold(s) ? 12 : 0;
  return {{cx - a + c, cy - b}, {cx + a, cy - b},     {cx + a, cy + b},
          {cx - a, cy + b},     {cx - a, cy - b + c}, {cx - a + c, cy - b}};
}

std::vector<PreviewPoint> SheetFold(const CPreviewPaper& paper) {
  const SheetHalf s = Sheet(paper);
  if (!HasFold(s)) return {};
  const auto [cx, cy, a, b] = s;
  const int c = 12;
  return {{cx - a + c + 2, cy - b}, {cx - a + c + 2, cy - b + c + 2}, {cx - a, cy - b + c + 2}};
}

PreviewRect ProfileBox(const CPreviewPaper& paper) {
  const int cx = paper.nCtrlWidth / 2, cy = paper.nCtrlHeight / 2;
  const int a = std::max(1, static_cast<int>(paper.dProfileWidth * 0.5 * paper.dZoom));
  const int b = std::max(1, static_cast<int>(paper.dProfileHeight * 0.5 * paper.dZoom));
  return {cx - a, cy - b, cx + a, cy + b};
}

void Draw(CPreviewPaper& paper, PreviewPainter& dc, int width, int height) {
  paper.SetArea(width, height);
  DrawSheet(paper, dc);
  if (paper.bHasProfile) DrawProfileBox(paper, dc);
}

void DrawSheet(const CPreviewPaper& paper, PreviewPainter& dc) {
  dc.SetPen(2, 0x000000);
  const std::vector<PreviewPoint> outline = SheetOutline(paper);
  dc.Polyline(outline);
  const std::vector<PreviewPoint> fold = SheetFold(paper);
  if (!fold.empty()) dc.Polyline(fold);
}

void DrawProfileBox(const CPreviewPaper& paper, PreviewPainter& dc) {
  dc.SetPen(1, 0xFF0000);
  dc.Rectangle(ProfileBox(paper));
}

}  // namespace ruvo
