#pragma once
// The sheets of the frame drawing that ships beside the module: where each kind's inner
// border and title block lie on its sheet. The frame generator draws them from here, and the
// drawing run measures against them whether a profile fits its frame.

#include "platform/geom/extents.h"

namespace ruvo {

inline constexpr double kBindingMargin = 25;  // left side, for binding
inline constexpr double kTitleWidth = 140;
inline constexpr double kTitleHeight = 32;

// Margin on the top, right and bottom of a sheet whose longer side is `longSide` mm.
double OuterMargin(double longSide);

struct FrameSheet {
  geom::Extents2d sheet;  // (0, 0) is the block's base point, the lower-left corner
  geom::Extents2d inner;  // inside the inner border
  geom::Extents2d title;  // title block, in the inner border's lower-right corner
};

// The sheet of a frame kind (any index outside 0..9 is kind 2, as for the preview).
FrameSheet FrameSheetOf(int kind);

}  // namespace ruvo
