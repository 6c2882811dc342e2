#pragma once
// The pixel shapes of the drawing page's sheet preview, computed from the paper choice, and
// their painting. Pure functions of the paper's numbers, so that the page and the tests see
// the same pixels.

#include <vector>

#include "ruvo/drawing/preview_painter.h"
#include "ruvo/section/paper_choice.h"

namespace ruvo {

// Painting geometry, centred in the paper's area: the sheet outline with its cut corner
// (closed, first point repeated), the fold line (empty for a sheet too small for a fold),
// and the profile box.
std::vector<PreviewPoint> SheetOutline(const CPreviewPaper& paper);
std::vector<PreviewPoint> SheetFold(const CPreviewPaper& paper);
PreviewRect ProfileBox(const CPreviewPaper& paper);

// Paints the sheet and, once a box has been fitted, the profile box into an area of
// width x height pixels (already cleared by the caller); the area becomes the paper's.
void Draw(CPreviewPaper& paper, PreviewPainter& dc, int width, int height);
void DrawSheet(const CPreviewPaper& paper, PreviewPainter& dc);
void DrawProfileBox(const CPreviewPaper& paper, PreviewPainter& dc);

}  // namespace ruvo
