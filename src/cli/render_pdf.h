#pragma once
// The PDF form of `ruvo render`: one page per paper frame in model space.

#include <optional>
#include <string>
#include <vector>

#include "platform/cad/database.h"
#include "platform/render/pdf_writer.h"

namespace cli {

// A page for every reference of a frame block ("RUVOA3LS", ...) in model space, in drawing
// order: the sheet the reference covers, at the frame's paper size.
std::vector<render::PdfPage> FramePages(const cad::Database& db);

// Writes the PDF of `picture` to `out` (through a temporary file): the frames' pages, or one
// page of `window`, or of the picture's extents when there is neither. Prints what it did;
// returns the exit status.
int WriteRenderPdf(const cad::Database& db, const render::Picture& picture,
                   const std::optional<geom::Extents2d>& window, const std::string& out);

}  // namespace cli
