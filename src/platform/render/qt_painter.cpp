#include "platform/render/qt_painter.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/render/svg_writer.h"

namespace render {

namespace {

// Texts are shaped at one size and scaled to theirs: metrics at tiny pixel sizes are
// rounded, and PDF text matrices take any scale.
constexpr double kReferenceEm = 100.0;
// Ems per capital height, as the SVG back end and the label box estimate use.
constexpr double kEmPerHeight = SvgOptions{}.fontScale;

double scale(const QTransform& t) { return std::sqrt(std::fabs(t.determinant())); }

// The device rectangle the painter can reach, in world coordinates; empty when unknown.
QRectF visibleWorld(const QPainter& painter, const QTransform& worldToDevice) {
  const QPaintDevice* device = painter.device();
  if (!device) return {};
  bool invertible = false;
  const QTransform toWorld = (worldToDevice * painter.transform()).inverted(&invertible);
  if (!invertible) return {};
  return toWorld.mapRect(QRectF(0, 0, device->width(), device->height()));
}

void paintPath(QPainter& painter, const Path& p, const QTransform& t, const PaintOptions& o) {
  if (p.points.empty()) return;
  QPolygonF poly;
  poly.reserve(static_cast<qsizetype>(p.points.size()));
  for (const auto& pt : p.points) poly.append(t.map(QPointF(pt.x, pt.y)));
  const QColor colour = deviceColour(p.colour, o.darkBackground);
  if (p.filled && p.points.size() > 2) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(poly);
    painter.setBrush(Qt::NoBrush);
    return;
  }
  const double k = scale(t);
  const double width = p.width > 0 ? p.width * k : o.hairline;
  QPen pen(colour);
  pen.setWidthF(width);
  pen.setCosmetic(width <= 0);
  pen.setCapStyle(p.width > 0 ? Qt::FlatCap : Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  if (!p.dashes.empty()) {
    // Qt measures dash patterns in pen widths (a hairline counts as one device unit); a
    // pattern finer than a device unit would paint as a solid grey, so such lines stay solid.
    const double unit = width > 0 ? width : 1.0;
    QList<qreal> pattern;
    double length = 0;
    for (double d : p.dashes) {
      const double v = std::max(std::fabs(d) * k / unit, 1e-3);
      pattern.append(v);
      length += std::fabs(d) * k;
    }
    if (pattern.size() % 2 == 1) pattern.append(pattern.back());
    if (length >= 2) pen.setDashPattern(pattern);
  }
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  if (p.closed)
    painter.drawPolygon(poly);
  else if (poly.size() == 1)
    painter.drawPoint(poly.front());
  else
    painter.drawPolyline(poly);
}

void paintLabel(QPainter& painter, const Label& l, const QTransform& t, const PaintOptions& o) {
  if (l.text.empty() || !(l.height > 0)) return;
  const double k = scale(t);
  const double capHeight = l.height * k;
  if (capHeight < o.minimumTextHeight) return;
  const QString text = QString::fromUtf8(l.text.data(), static_cast<qsizetype>(l.text.size()));
  QFont font = labelFont(l);
  const QFontMetricsF metrics(font);
  const double s = capHeight * kEmPerHeight / kReferenceEm;
  const double shift = l.h == HAlign::Left ? 0 : l.h == HAlign::Centre ? 0.5 : 1.0;
  const double x = -shift * metrics.horizontalAdvance(text);
  const double y = -baselineAbove(l.v) * capHeight / s;  // reference units, y down
  // The world's counter-clockwise angle becomes clockwise on a y-down device; a mirrored
  // transform (rare) keeps the text readable by turning the other way.
  const QPointF a = t.map(QPointF(l.anchor.x, l.anchor.y));
  const QPointF ax =
      t.map(QPointF(l.anchor.x + std::cos(l.rotation), l.anchor.y + std::sin(l.rotation)));
  const double angle = std::atan2(ax.y() - a.y(), ax.x() - a.x()) * 180 / std::numbers::pi;
  painter.save();
  painter.translate(a);
  painter.rotate(angle);
  painter.scale(s * (l.widthFactor > 0 ? l.widthFactor : 1.0), s);
  painter.setFont(font);
  painter.setPen(deviceColour(l.colour, o.darkBackground));
  painter.drawText(QPointF(x, y), text);
  painter.restore();
}

bool outside(const Primitive& item, const QRectF& visible) {
  if (visible.isEmpty()) return false;
  geom::Extents2d box;
  if (const auto* p = std::get_if<Path>(&item)) {
    for (const auto& pt : p->points) box.add(pt);
    const double w = p->width / 2;
    box.min.x -= w, box.min.y -= w, box.max.x += w, box.max.y += w;
  } else {
    for (const auto& c : labelBox(std::get<Label>(item))) box.add(c);
  }
  if (box.empty()) return true;
  return box.max.x < visible.left() || box.min.x > visible.right() || box.max.y < visible.top() ||
         box.min.y > visible.bottom();
}

}  // namespace

QTransform fitWindow(const geom::Extents2d& window, const QRectF& device) {
  geom::Extents2d w = window;
  if (w.empty()) w = geom::Extents2d::of({0, 0}, {1, 1});
  const double ww = std::max(w.max.x - w.min.x, 1e-9), wh = std::max(w.max.y - w.min.y, 1e-9);
  const double k = std::min(device.width() / ww, device.height() / wh);
  const double cx = (w.min.x + w.max.x) / 2, cy = (w.min.y + w.max.y) / 2;
  const QPointF c = device.center();
  return QTransform(k, 0, 0, -k, c.x() - k * cx, c.y() + k * cy);
}

QColor deviceColour(Rgb c, bool darkBackground) {
  if (darkBackground && c == Rgb{0, 0, 0}) return QColor(255, 255, 255);
  if (!darkBackground && c == Rgb{255, 255, 255}) return QColor(0, 0, 0);
  return QColor(c.r, c.g, c.b);
}

QFont labelFont(const Label& l) {
  QStringList families;
  if (!l.typeface.empty())
    families << QString::fromUtf8(l.typeface.data(), static_cast<qsizetype>(l.typeface.size()));
  // Installed CJK faces, then whatever sans face the system has.
  families << QStringLiteral("WenQuanYi Zen Hei") << QStringLiteral("Noto Sans CJK SC")
           << QStringLiteral("Noto Serif CJK SC") << QStringLiteral("SimSun")
           << QStringLiteral("Microsoft YaHei");
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(static_cast<int>(kReferenceEm));
  font.setBold(l.bold);
  font.setItalic(l.italic);
  // Hinting would snap the reference-size outlines to a grid the scaled text never sees.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(false);
  return font;
}

void paint(QPainter& painter, const Primitive& item, const QTransform& worldToDevice,
           const PaintOptions& options) {
  if (const auto* p = std::get_if<Path>(&item))
    paintPath(painter, *p, worldToDevice, options);
  else
    paintLabel(painter, std::get<Label>(item), worldToDevice, options);
}

void paint(QPainter& painter, const Picture& picture, const QTransform& worldToDevice,
           const PaintOptions& options) {
  const QRectF visible = visibleWorld(painter, worldToDevice);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  for (const Primitive& item : picture.items) {
    if (outside(item, visible)) continue;
    paint(painter, item, worldToDevice, options);
  }
  painter.restore();
}

}  // namespace render
