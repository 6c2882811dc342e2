#pragma once
// Pictures as PDF pages: vector lines, texts as selectable text in an embedded CJK face.
// Needs a QGuiApplication (an offscreen one is enough) for the fonts.

#include <string>
#include <vector>

#include "platform/render/primitives.h"

namespace render {

// One page: the world window painted onto a sheet of the given size, centred, at the
// largest scale that fits (a window of the sheet's shape fills it exactly).
struct PdfPage {
  geom::Extents2d window;
  double widthMm = 420;
  double heightMm = 297;
};

struct PdfOptions {
  double hairlineMm = 0.18;  // pen width of width-0 paths
  std::string title;         // document title in the PDF's information
};

// The PDF document's bytes; empty when there is no page or Qt could not write it.
std::string WritePdf(const Picture& picture, const std::vector<PdfPage>& pages,
                     const PdfOptions& options = {});

// The sheet for a window that is not a paper frame: the window at one drawing unit to the
// millimetre when it fits an A0 sheet, else shrunk onto an A3 sheet of its shape; a margin
// of 10 mm around it either way.
PdfPage PageForWindow(const geom::Extents2d& window);

}  // namespace render
