#pragma once
// The QPainter back end: pictures painted onto any paint device (a widget, an image, a PDF
// page) through a world-to-device transform. Lines stay vector lines and texts stay texts,
// so a PDF gets selectable text in an embedded font.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QTransform>

#include "platform/render/primitives.h"

namespace render {

struct PaintOptions {
  // A dark view: black and white trade places (colour 7 paints white), as on CAD screens.
  bool darkBackground = false;
  // Pen width in device units of width-0 (hairline) paths; 0: one device pixel.
  double hairline = 0;
  // Texts whose capital height comes out smaller than this many device units are left out
  // (a screen full of unreadable specks costs most of the painting time).
  double minimumTextHeight = 0;
};

// World (y up) onto device (y down): the window fills the device rectangle as far as its
// shape allows, centred, at one scale for both axes.
QTransform fitWindow(const geom::Extents2d& window, const QRectF& device);

// The colour a primitive paints with on the background chosen.
QColor deviceColour(Rgb colour, bool darkBackground);

// The label's typeface, then the installed CJK faces for the characters it lacks.
QFont labelFont(const Label& label);

// Paints the primitives in order over whatever the device holds (fill the background
// first). Primitives wholly outside the painter's device are skipped.
void paint(QPainter& painter, const Picture& picture, const QTransform& worldToDevice,
           const PaintOptions& options = {});
void paint(QPainter& painter, const Primitive& item, const QTransform& worldToDevice,
           const PaintOptions& options = {});

}  // namespace render
