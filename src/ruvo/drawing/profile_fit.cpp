#include "ruvo/drawing/profile_fit.h"

#include "ruvo/drawing/frame_sheet.h"
#include "ruvo/section/paper_choice.h"

namespace ruvo {

namespace {

// The text style's typeface draws every wide (CJK) character one em wide and every other
// character half an em; an em is about 1.3 text heights, narrowed by the style's width
// factor. Bottom-aligned texts reach one em up, middle-aligned ones half an em each way.
constexpr double kEmPerHeight = 1.3;
constexpr double kWidthFactor = 0.8;

double TextWidth(const ShapeText& t) {
  double ems = 0;
  for (std::size_t i = 0; i < t.text.size();) {
    const auto c = static_cast<unsigned char>(t.text[i]);
    const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    ems += len >= 3 ? 1.0 : 0.5;
    i += len;
  }
  return ems * kEmPerHeight * t.height * kWidthFactor;
}

void AddText(const ShapeText& t, geom::Extents2d& e) {
  if (t.text.empty()) return;
  const double w = TextWidth(t), em = kEmPerHeight * t.height;
  const double x0 = t.horizontal == kLeft    ? t.position.x
                    : t.horizontal == kRight ? t.position.x - w
                                             : t.position.x - w / 2;
  const bool middle = t.vertical == kMiddle || t.horizontal == kMid;
  const double y0 = middle ? t.position.y - em / 2 : t.position.y;
  e.add(geom::Extents2d::of({x0, y0}, {x0 + w, y0 + em}));
}

void AddShapes(const ProfileShapes& shapes, geom::Extents2d& e) {
  for (const ProfileShape& shape : shapes) {
    if (const auto* p = std::get_if<ShapePolyline>(&shape)) {
      // Wide polylines (the ruler bars) lie inside the ruler outlines.
      for (const geom::Point2d& pt : p->points) e.add(pt);
    } else if (const auto* s = std::get_if<ShapeSpline>(&shape)) {
      for (const geom::Point2d& pt : s->fitPoints) e.add(pt);
    } else {
      AddText(std::get<ShapeText>(shape), e);
    }
  }
}

// Boxes that share more than a touching edge.
bool Overlap(const geom::Extents2d& a, const geom::Extents2d& b) {
  return a.min.x < b.max.x && b.min.x < a.max.x && a.min.y < b.max.y && b.min.y < a.max.y;
}

}  // namespace

geom::Extents2d ProfileExtent(const ProfileLayout& layout) {
  geom::Extents2d e;
  AddShapes(layout.graph, e);
  AddShapes(layout.marks, e);
  return e;
}

bool FitsFrame(int kind, const ProfileGeometry& g, const geom::Extents2d& extent) {
  if (extent.empty()) return true;
  const CPreviewPaper::FrameKind& k = CPreviewPaper::Kind(kind);
  const geom::Point2d at = FrameInsertionPoint(g, k.width, k.height);
  const geom::Extents2d onSheet = geom::Extents2d::of({extent.min.x - at.x, extent.min.y - at.y},
                                                      {extent.max.x - at.x, extent.max.y - at.y});
  const FrameSheet sheet = FrameSheetOf(kind);
  return sheet.inner.contains(onSheet) && !Overlap(sheet.title, onSheet);
}

std::optional<int> SmallestFittingFrame(int kind, const ProfileGeometry& g,
                                        const geom::Extents2d& extent) {
  if (FitsFrame(kind, g, extent)) return kind;
  // Kinds run from the smallest sheet (A4) to the largest (A0), two orientations each.
  const bool landscape = CPreviewPaper::Kind(kind).orientation == CPreviewPaper::kLandscape;
  for (int k = landscape ? 0 : 1; k < 10; k += 2) {
    if (FitsFrame(k, g, extent)) return k;
  }
  return std::nullopt;
}

std::string FrameTooSmallMessage(int kind, const ProfileGeometry& g,
                                 const geom::Extents2d& extent) {
  const std::optional<int> fits = SmallestFittingFrame(kind, g, extent);
  if (fits && *fits == kind) return {};
  if (fits) return "\n命令:图框太小，建议使用" + FrameCaption(*fits) + "\n";
  const int largest = CPreviewPaper::Kind(kind).orientation == CPreviewPaper::kLandscape ? 8 : 9;
  return "\n命令:图框太小，" + FrameCaption(largest) + "也放不下剖面图\n";
}

}  // namespace ruvo
