#include "platform/app/picture_painter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <cmath>
#include <numbers>
#include <vector>

namespace app {
namespace {

// Texts smaller than this on screen are not legible and cost the most to draw.
constexpr double kSmallestTextPixels = 3.0;

void paintPath(QPainter& painter, const render::Path& path, const ViewTransform& view,
               const PaintStyle& style, QPolygonF& points) {
  if (path.points.empty()) return;
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
  QFont font(style.fontFamily.isEmpty() ? fallbackFontFamily() : style.fontFamily);
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
