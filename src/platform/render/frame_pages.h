#pragma once
// The pages of a drawing: a sheet for every paper frame in model space, else one sheet of
// a window. A paper frame is a reference of a block whose name ends in the sheet's size and
// orientation: "A0" to "A4", then "LS" (landscape) or "PT" (portrait), e.g. "RUVOA3LS".

#include <optional>
#include <string_view>
#include <vector>

#include "platform/cad/database.h"
#include "platform/geom/extents.h"

namespace render {

// One page: the world window painted onto a sheet of the given size, centred, at the
// largest scale that fits (a window of the sheet's shape fills it exactly).
struct PdfPage {
  geom::Extents2d window;
  double widthMm = 420;
  double heightMm = 297;
};

// Width and height (mm) of the sheet a frame block's name gives; nullopt for other names.
std::optional<geom::Vector2d> frameSheetSize(std::string_view blockName);

// A page for every frame reference of model space, in drawing order: the sheet it covers
// (scaled and turned with the reference), at its paper size.
std::vector<PdfPage> framePages(const cad::Database& db);

// The sheet for a window that is not a paper frame: the window at one drawing unit to the
// millimetre when it fits an A0 sheet, else shrunk onto an A3 sheet of its shape; a margin
// of 10 mm around it either way.
PdfPage pageForWindow(const geom::Extents2d& window);

}  // namespace render
