#pragma once
// Paints the renderer's primitives with QPainter at a view: world XY to pixels, polylines
// cut down to the pixel grid, texts in the text style's font or an installed CJK font.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "platform/geom/vec.h"
#include "platform/render/primitives.h"

class QPainter;

namespace app {

// What part of the world a view shows: its centre, pixels per drawing unit and the size
// of the screen in pixels (y grows upwards in the world, downwards on screen).
struct ViewTransform {
  geom::Point2d centre;
  double scale = 1.0;
  QSize size;

  QPointF toScreen(geom::Point2d p) const {
    return {size.width() / 2.0 + (p.x - centre.x) * scale,
            size.height() / 2.0 - (p.y - centre.y) * scale};
  }
  geom::Point2d toWorld(QPointF q) const {
    return {centre.x + (q.x() - size.width() / 2.0) / scale,
            centre.y - (q.y() - size.height() / 2.0) / scale};
  }
  double pixelSize() const { return 1.0 / scale; }
  double height() const { return size.height() / scale; }
  double width() const { return size.width() / scale; }
};

struct PaintStyle {
  bool whiteBackground = false;
  std::optional<QColor> colour;  // every primitive in this colour (highlights, previews)
  bool dashed = false;
  QString fontFamily;  // empty: the CJK fallback
  // The image the painter paints on (32-bit RGB): solid hairlines are then set pixel by
  // pixel, far quicker than QPainter strokes millions of one-pixel segments.
  // It is RGB32 or, for a layer painted over others later, ARGB32 premultiplied.
  QImage* raster = nullptr;
};

// Views are grouped into scale bands by the size of their pixel: band b holds the views whose
// pixel is at least 2^b and less than 2^(b+1) drawing units.
int scaleBand(double pixelSize);

// A coarser copy of a picture's paths for the views of one scale band: consecutive vertices
// that fall into one cell of half the band's smallest pixel are kept once, so no vertex
// moves by more than three quarters of a pixel and a contour of thousands of vertices that
// covers a few pixels keeps a few. Coordinates are floats about a local origin (half the
// memory of the full paths).
struct CoarsePicture {
  int band = std::numeric_limits<int>::min();
  geom::Point2d origin;
  std::vector<float> xy;              // x, y pairs relative to `origin`
  std::vector<std::uint32_t> starts;  // per picture item its first pair, and the end; labels: none
  bool fits(int viewBand) const { return band == viewBand && !starts.empty(); }
};
// Empty (no starts) when coarsening would save too little or a float could not hold the
// coordinates finely enough for the band.
CoarsePicture coarsen(const render::Picture& picture, int band);

QColor screenColour(render::Rgb rgb, bool whiteBackground);
// `coarse`, when it fits the view's band, stands in for the picture's hairlines.
void paintPicture(QPainter& painter, const render::Picture& picture, const ViewTransform& view,
                  const PaintStyle& style, const CoarsePicture* coarse = nullptr);
// An entity whose extent on screen is smaller than a pixel is one dot in the colour of its
// first path (texts that small are not drawn at all). True when the entity was that small,
// dot or not.
bool paintAsDot(const render::Picture& picture, const geom::Extents2d& extent,
                const ViewTransform& view, const PaintStyle& style);
// The family used for texts whose style names no installed font.
QString fallbackFontFamily();

}  // namespace app
