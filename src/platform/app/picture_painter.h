#pragma once
// Paints the renderer's primitives with QPainter at a view: world XY to pixels, polylines
// cut down to the pixel grid, texts in the text style's font or an installed CJK font.

#include <QColor>
#include <QPointF>
#include <QSize>
#include <QString>
#include <optional>

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
};

QColor screenColour(render::Rgb rgb, bool whiteBackground);
void paintPicture(QPainter& painter, const render::Picture& picture, const ViewTransform& view,
                  const PaintStyle& style);
// The family used for texts whose style names no installed font.
QString fallbackFontFamily();

}  // namespace app
