#include "ruvo/drawing/frame_sheet.h"

#include <algorithm>

#include "ruvo/section/paper_choice.h"

namespace ruvo {

double OuterMargin(double longSide) { return longSide >= 841 ? 10 : 5; }

FrameSheet FrameSheetOf(int kind) {
  const CPreviewPaper::FrameKind& k = CPreviewPaper::Kind(kind);
  const double W = k.width, H = k.height, m = OuterMargin(std::max(W, H));
  FrameSheet f;
  f.sheet = geom::Extents2d::of({0, 0}, {W, H});
  f.inner = geom::Extents2d::of({kBindingMargin, m}, {W - m, H - m});
  f.title = geom::Extents2d::of({W - m - kTitleWidth, m}, {W - m, m + kTitleHeight});
  return f;
}

}  // namespace ruvo
