#pragma once
// Pictures as PDF pages: vector lines, texts as selectable text in an embedded CJK face.
// Needs a QGuiApplication (an offscreen one is enough) for the fonts.

#include <string>
#include <vector>

#include "platform/render/frame_pages.h"
#include "platform/render/primitives.h"

namespace render {

struct PdfOptions {
  double hairlineMm = 0.18;  // pen width of width-0 paths
  std::string title;         // document title in the PDF's information
};

// The PDF document's bytes; empty when there is no page or Qt could not write it.
std::string writePdf(const Picture& picture, const std::vector<PdfPage>& pages,
                     const PdfOptions& options = {});

}  // namespace render
