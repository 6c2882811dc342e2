#include "platform/render/frame_pages.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/cad/block_reference.h"
#include "platform/cad/symbol_table.h"

namespace render {

namespace {

constexpr double kMarginMm = 10;

}  // namespace

std::optional<geom::Vector2d> frameSheetSize(std::string_view blockName) {
  const std::string name = cad::foldName(blockName);
  if (name.size() < 4) return std::nullopt;
  const std::string_view tail = std::string_view(name).substr(name.size() - 4);
  if (tail[0] != 'A' || tail[1] < '0' || tail[1] > '4') return std::nullopt;
  const std::string_view orientation = tail.substr(2);
  if (orientation != "LS" && orientation != "PT") return std::nullopt;
  // A0 is 1189 x 841; each next size halves the longer side (whole millimetres, as ISO 216)
  double longSide = 1189, shortSide = 841;
  for (int i = 0; i < tail[1] - '0'; ++i) {
    const double half = std::floor(longSide / 2);
    longSide = shortSide;
    shortSide = half;
  }
  return orientation == "LS" ? geom::Vector2d{longSide, shortSide}
                             : geom::Vector2d{shortSide, longSide};
}

std::vector<PdfPage> framePages(const cad::Database& db) {
  std::vector<PdfPage> pages;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    const auto* r = cad::objectCast<cad::BlockReference>(&e);
    if (!r) return true;
    const auto size = frameSheetSize(r->blockName());
    if (!size) return true;
    const double a = r->rotationDegrees() * std::numbers::pi / 180;
    const double c = std::cos(a), s = std::sin(a);
    const geom::Vector3d scale = r->scale();
    const geom::Point3d p = r->position();
    PdfPage page;
    for (const auto& [x, y] :
         {std::pair{0.0, 0.0}, {size->x, 0.0}, {size->x, size->y}, {0.0, size->y}}) {
      const double u = x * scale.x, v = y * scale.y;
      page.window.add(geom::Point2d{p.x + u * c - v * s, p.y + u * s + v * c});
    }
    // a frame turned upright prints on the sheet turned the other way
    const bool across = std::fabs(s) > std::fabs(c);
    page.widthMm = across ? size->y : size->x;
    page.heightMm = across ? size->x : size->y;
    pages.push_back(page);
    return true;
  });
  return pages;
}

PdfPage pageForWindow(const geom::Extents2d& window) {
  PdfPage page;
  const double w = std::max(window.max.x - window.min.x, 1.0);
  const double h = std::max(window.max.y - window.min.y, 1.0);
  const double longSide = std::max(w, h), shortSide = std::min(w, h);
  if (longSide <= 1189 - 2 * kMarginMm && shortSide <= 841 - 2 * kMarginMm) {
    page.widthMm = w + 2 * kMarginMm;
    page.heightMm = h + 2 * kMarginMm;
  } else {
    page.widthMm = w >= h ? 420 : 297;
    page.heightMm = w >= h ? 297 : 420;
  }
  // the margin in world units at the scale the window will take on the sheet
  const double k =
      std::min((page.widthMm - 2 * kMarginMm) / w, (page.heightMm - 2 * kMarginMm) / h);
  const double m = kMarginMm / k;
  page.window = geom::Extents2d::of({window.min.x - m, window.min.y - m},
                                    {window.max.x + m, window.max.y + m});
  return page;
}

}  // namespace render
