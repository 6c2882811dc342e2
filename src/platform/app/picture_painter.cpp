#include "platform/app/picture_painter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/render/qt_painter.h"

namespace app {
namespace {

// Texts smaller than this on screen are not legible and cost the most to draw.
constexpr double kSmallestTextPixels = 3.0;

// Clips the segment to [0,w) x [0,h) (Liang-Barsky); false when nothing is left.
bool clip(double& x0, double& y0, double& x1, double& y1, double w, double h) {
  double t0 = 0, t1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0, w - 1 - x0, y0, h - 1 - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
  }
  const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
  x1 = x0 + t1 * dx;
  y1 = y0 + t1 * dy;
  x0 = ax;
  y0 = ay;
  return true;
}

void rasterLine(QImage& image, QPointF a, QPointF b, QRgb colour) {
  double x0 = a.x(), y0 = a.y(), x1 = b.x(), y1 = b.y();
  const double w = image.width() - 1, h = image.height() - 1;
  // Most segments lie wholly on the screen; only the others need clipping.
  const bool inside =
      x0 >= 0 && x1 >= 0 && y0 >= 0 && y1 >= 0 && x0 <= w && x1 <= w && y0 <= h && y1 <= h;
  if (!inside && !clip(x0, y0, x1, y1, image.width(), image.height())) return;
  int ix0 = static_cast<int>(x0), iy0 = static_cast<int>(y0);
  const int ix1 = static_cast<int>(x1), iy1 = static_cast<int>(y1);
  const int dx = std::abs(ix1 - ix0), dy = -std::abs(iy1 - iy0);
  const int sx = ix0 < ix1 ? 1 : -1, sy = iy0 < iy1 ? 1 : -1;
  int err = dx + dy;
  uchar* bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  while (true) {
    reinterpret_cast<QRgb*>(bits + iy0 * stride)[ix0] = colour;
    if (ix0 == ix1 && iy0 == iy1) return;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      ix0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      iy0 += sy;
    }
  }
}

void paintPath(QPainter& painter, const render::Path& path, const ViewTransform& view,
               const PaintStyle& style, QPolygonF& points) {
  if (path.points.empty()) return;
  const bool solid =
      path.dashes.empty() || std::none_of(path.dashes.begin(), path.dashes.end(),
                                          [&](double d) { return d * view.scale >= 2.0; });
  if (style.raster != nullptr && !style.colour && !style.dashed && solid &&
      path.width * view.scale <= 1.0) {
    const QRgb colour = screenColour(path.colour, style.whiteBackground).rgb();
    QPointF last = view.toScreen(path.points.front());
    QPoint lastCell(static_cast<int>(std::floor(last.x())), static_cast<int>(std::floor(last.y())));
    if (path.points.size() == 1) rasterLine(*style.raster, last, last, colour);
    for (std::size_t i = 1; i < path.points.size(); ++i) {
      const QPointF q = view.toScreen(path.points[i]);
      const QPoint cell(static_cast<int>(std::floor(q.x())), static_cast<int>(std::floor(q.y())));
      if (cell == lastCell) continue;
      rasterLine(*style.raster, last, q, colour);
      last = q;
      lastCell = cell;
    }
    if (path.closed) rasterLine(*style.raster, last, view.toScreen(path.points.front()), colour);
    return;
  }
  QColor colour = style.colour.value_or(screenColour(path.colour, style.whiteBackground));
  QPen pen(colour);
  pen.setCosmetic(true);
  pen.setWidthF(std::max(1.0, path.width * view.scale));
  if (style.dashed) {
    pen.setDashPattern({4, 4});
  } else if (!path.dashes.empty()) {
    QList<qreal> pattern;
    bool visible = false;
    for (double d : path.dashes) {
      const double px = std::max(1.0, d * view.scale) / pen.widthF();
      visible = visible || d * view.scale >= 2.0;
      pattern.append(px);
    }
    if (visible && pattern.size() % 2 == 0) pen.setDashPattern(pattern);
  }
  painter.setPen(pen);
  // Consecutive points that fall on the same pixel draw nothing new.
  points.clear();
  QPoint last(INT32_MIN, INT32_MIN);
  for (const geom::Point2d& p : path.points) {
    const QPointF q = view.toScreen(p);
    const QPoint cell(static_cast<int>(std::floor(q.x())), static_cast<int>(std::floor(q.y())));
    if (cell == last) continue;
    last = cell;
    points.append(q);
  }
  if (points.size() == 1) {
    painter.drawPoint(points.front());
  } else if (path.closed) {
    painter.drawPolygon(points);
  } else {
    painter.drawPolyline(points);
  }
}

void paintLabel(QPainter& painter, const render::Label& label, const ViewTransform& view,
                const PaintStyle& style) {
  const double capPixels = label.height * view.scale;
  if (capPixels < kSmallestTextPixels || label.text.empty()) return;
  // The text style's face, falling back to an installed CJK face (shared with the other
  // Qt back end, so that the screen and the PDF choose alike).
  QFont font = render::LabelFont(label);
  if (!style.fontFamily.isEmpty()) font.setFamily(style.fontFamily);
  font.setHintingPreference(QFont::PreferDefaultHinting);
  // Capital letters take about seven tenths of the em.
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(capPixels / 0.7))));
  const QString text = QString::fromStdString(label.text);
  const QFontMetricsF metrics(font);
  const double width = metrics.horizontalAdvance(text);
  double dx = 0;
  if (label.h == render::HAlign::Centre) dx = -width / 2;
  if (label.h == render::HAlign::Right) dx = -width;
  double dy = 0;
  switch (label.v) {
    case render::VAlign::Baseline:
      break;
    case render::VAlign::Bottom:
      dy = -metrics.descent();
      break;
    case render::VAlign::Middle:
      dy = capPixels / 2;
      break;
    case render::VAlign::Top:
      dy = capPixels;
      break;
  }
  painter.save();
  painter.translate(view.toScreen(label.anchor));
  painter.rotate(-label.rotation * 180 / std::numbers::pi);
  painter.scale(label.widthFactor > 0 ? label.widthFactor : 1.0, 1.0);
  painter.setFont(font);
  painter.setPen(style.colour.value_or(screenColour(label.colour, style.whiteBackground)));
  painter.drawText(QPointF(dx, dy), text);
  painter.restore();
}

}  // namespace

QColor screenColour(render::Rgb rgb, bool whiteBackground) {
  const int sum = rgb.r + rgb.g + rgb.b;
  // The index for "white" is painted black on paper; on a dark view it is white again.
  if (!whiteBackground && sum < 60) return QColor(255, 255, 255);
  if (whiteBackground && sum > 720) return QColor(0, 0, 0);
  return QColor(rgb.r, rgb.g, rgb.b);
}

QString fallbackFontFamily() {
  static const QString family = [] {
    const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const char* preferred : {"Noto Sans CJK SC", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei",
                                  "AR PL UMing CN", "Droid Sans Fallback"}) {
      if (families.contains(QLatin1String(preferred))) return QString::fromLatin1(preferred);
    }
    return families.isEmpty() ? QString() : families.front();
  }();
  return family;
}

void paintPicture(QPainter& painter, const render::Picture& picture, const ViewTransform& view,
                  const PaintStyle& style) {
  QPolygonF points;
  for (const render::Primitive& item : picture.items) {
    if (const auto* path = std::get_if<render::Path>(&item)) {
      paintPath(painter, *path, view, style, points);
    } else {
      paintLabel(painter, std::get<render::Label>(item), view, style);
    }
  }
}

}  // namespace app
