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

// The pixels of a 32-bit image.
struct Raster {
  uchar* bits;
  qsizetype stride;
  int width, height;

  void set(int x, int y, QRgb colour) const {
    reinterpret_cast<QRgb*>(bits + y * stride)[x] = colour;
  }
};

Raster rasterOf(const PaintStyle& style) {
  QImage& image = *style.raster;
  return Raster{image.bits(), image.bytesPerLine(), image.width(), image.height()};
}

// The pixel cell of a device coordinate; far-off values are clamped so that they cannot
// overflow an int.
inline int cellOf(double v) {
  v = std::clamp(v, -1e9, 1e9);
  const int i = static_cast<int>(v);
  return i - (v < i ? 1 : 0);
}

void rasterLine(const Raster& image, double x0, double y0, double x1, double y1, QRgb colour) {
  const double w = image.width - 1, h = image.height - 1;
  // Most segments lie wholly on the screen; only the others need clipping.
  const bool inside =
      x0 >= 0 && x1 >= 0 && y0 >= 0 && y1 >= 0 && x0 <= w && x1 <= w && y0 <= h && y1 <= h;
  if (!inside) {
    // a point beyond any float or double the transform can give has no place on the screen
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
      return;
    if (!clip(x0, y0, x1, y1, image.width, image.height)) return;
  }
  // the clipped ends, kept on the image whatever the rounding of the clip (a NaN, from
  // ends so far apart that their difference overflows, goes to 0)
  auto column = [&](double x) { return static_cast<int>(x >= 0 ? (x <= w ? x : w) : 0.0); };
  auto row = [&](double y) { return static_cast<int>(y >= 0 ? (y <= h ? y : h) : 0.0); };
  int ix0 = column(x0), iy0 = row(y0);
  const int ix1 = column(x1), iy1 = row(y1);
  const int dx = std::abs(ix1 - ix0), dy = -std::abs(iy1 - iy0);
  const int sx = ix0 < ix1 ? 1 : -1, sy = iy0 < iy1 ? 1 : -1;
  int err = dx + dy;
  while (true) {
    image.set(ix0, iy0, colour);
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

// Solid hairlines straight into the pixels: world to device is x*k + ox, oy - y*k; a vertex
// in the pixel of the last one or in a neighbouring pixel adds just its pixel (the line to
// it has no other), and only longer steps are drawn as lines.
template <class Points>
void rasterPath(const Raster& image, const Points& at, std::size_t count, bool closed, double k,
                double ox, double oy, QRgb colour) {
  if (count == 0) return;
  double lx = at(0).x * k + ox, ly = oy - at(0).y * k;
  const double fx = lx, fy = ly;
  int cx = cellOf(lx), cy = cellOf(ly);
  rasterLine(image, lx, ly, lx, ly, colour);
  for (std::size_t i = 1; i < count; ++i) {
    const auto p = at(i);
    const double x = p.x * k + ox, y = oy - p.y * k;
    const int qx = cellOf(x), qy = cellOf(y);
    // A vertex in the pixel of the last one sets that pixel again, which is cheaper than
    // telling the two cases apart (a branch the processor cannot guess).
    const bool neighbour =
        static_cast<unsigned>(qx - cx + 1) <= 2u && static_cast<unsigned>(qy - cy + 1) <= 2u;
    if (neighbour && static_cast<unsigned>(qx) < static_cast<unsigned>(image.width) &&
        static_cast<unsigned>(qy) < static_cast<unsigned>(image.height)) {
      image.set(qx, qy, colour);
    } else {
      rasterLine(image, lx, ly, x, y, colour);
    }
    lx = x;
    ly = y;
    cx = qx;
    cy = qy;
  }
  if (closed) rasterLine(image, lx, ly, fx, fy, colour);
}

struct FloatPoint {
  double x, y;
};

bool rasterEligible(const render::Path& path, const ViewTransform& view, const PaintStyle& style) {
  if (style.raster == nullptr || style.colour || style.dashed) return false;
  if (path.width * view.scale > 1.0) return false;
  return std::none_of(path.dashes.begin(), path.dashes.end(),
                      [&](double d) { return d * view.scale >= 2.0; });
}

void paintPath(QPainter& painter, const render::Path& path, const ViewTransform& view,
               const PaintStyle& style, QPolygonF& points, const Raster* raster,
               const CoarsePicture* coarse, std::size_t index) {
  if (path.points.empty()) return;
  if (raster != nullptr && rasterEligible(path, view, style)) {
    const QRgb colour = screenColour(path.colour, style.whiteBackground).rgb();
    const double k = view.scale;
    const double ox = view.size.width() / 2.0 - view.centre.x * k;
    const double oy = view.size.height() / 2.0 + view.centre.y * k;
    if (coarse != nullptr) {
      const std::uint32_t first = coarse->starts[index], end = coarse->starts[index + 1];
      const float* xy = coarse->xy.data() + 2 * std::size_t{first};
      rasterPath(
          *raster,
          [xy](std::size_t i) {
            return FloatPoint{static_cast<double>(xy[2 * i]), static_cast<double>(xy[2 * i + 1])};
          },
          end - first, path.closed, k, ox + coarse->origin.x * k, oy - coarse->origin.y * k,
          colour);
    } else {
      const geom::Point2d* p = path.points.data();
      rasterPath(
          *raster, [p](std::size_t i) { return p[i]; }, path.points.size(), path.closed, k, ox, oy,
          colour);
    }
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
  QFont font = render::labelFont(label);
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

int scaleBand(double pixelSize) {
  if (!(pixelSize > 0) || !std::isfinite(pixelSize)) return 0;
  return std::ilogb(pixelSize);
}

CoarsePicture coarsen(const render::Picture& picture, int band) {
  CoarsePicture out;
  out.band = band;  // also when there is nothing to gain: then it is not tried again
  const double cell = std::ldexp(1.0, band - 1);
  std::size_t total = 0;
  geom::Extents2d box;
  for (const render::Primitive& item : picture.items) {
    if (const auto* path = std::get_if<render::Path>(&item)) {
      total += path->points.size();
      for (const geom::Point2d& p : path->points) box.add(p);
    }
  }
  // A float keeps 24 bits: about a 16-millionth of the extent must stay well inside a cell.
  if (total < 8 || box.empty() ||
      std::max(box.width(), box.height()) * std::ldexp(1.0, -20) > cell) {
    return out;
  }
  out.origin = box.min;
  auto cellAt = [&](geom::Point2d p) {
    return std::pair(std::floor((p.x - out.origin.x) / cell),
                     std::floor((p.y - out.origin.y) / cell));
  };
  // Each path keeps its ends and every vertex that leaves the cell of the last one kept.
  auto eachKept = [&](const std::vector<geom::Point2d>& pts, auto&& keep) {
    if (pts.empty()) return;
    keep(pts.front());
    auto last = cellAt(pts.front());
    for (std::size_t i = 1; i + 1 < pts.size(); ++i) {
      const auto c = cellAt(pts[i]);
      if (c == last) continue;
      keep(pts[i]);
      last = c;
    }
    if (pts.size() > 1) keep(pts.back());
  };
  // Counted first: not worth its memory unless it drops at least a third of the vertices.
  std::size_t kept = 0;
  for (const render::Primitive& item : picture.items) {
    if (const auto* path = std::get_if<render::Path>(&item))
      eachKept(path->points, [&](geom::Point2d) { ++kept; });
  }
  if (kept * 3 > total * 2) return out;
  out.xy.reserve(2 * kept);
  out.starts.reserve(picture.items.size() + 1);
  for (const render::Primitive& item : picture.items) {
    out.starts.push_back(static_cast<std::uint32_t>(out.xy.size() / 2));
    if (const auto* path = std::get_if<render::Path>(&item)) {
      eachKept(path->points, [&](geom::Point2d p) {
        out.xy.push_back(static_cast<float>(p.x - out.origin.x));
        out.xy.push_back(static_cast<float>(p.y - out.origin.y));
      });
    }
  }
  out.starts.push_back(static_cast<std::uint32_t>(out.xy.size() / 2));
  return out;
}

void paintPicture(QPainter& painter, const render::Picture& picture, const ViewTransform& view,
                  const PaintStyle& style, const CoarsePicture* coarse) {
  QPolygonF points;
  std::optional<Raster> raster;
  if (style.raster != nullptr) raster = rasterOf(style);
  if (coarse != nullptr && !coarse->fits(scaleBand(view.pixelSize()))) coarse = nullptr;
  for (std::size_t i = 0; i < picture.items.size(); ++i) {
    const render::Primitive& item = picture.items[i];
    if (const auto* path = std::get_if<render::Path>(&item)) {
      paintPath(painter, *path, view, style, points, raster ? &*raster : nullptr, coarse, i);
    } else {
      paintLabel(painter, std::get<render::Label>(item), view, style);
    }
  }
}

bool paintAsDot(const render::Picture& picture, const geom::Extents2d& extent,
                const ViewTransform& view, const PaintStyle& style) {
  if (extent.empty() || extent.width() * view.scale >= 1.0 || extent.height() * view.scale >= 1.0) {
    return false;
  }
  for (const render::Primitive& item : picture.items) {
    const auto* path = std::get_if<render::Path>(&item);
    if (path == nullptr || path->points.empty()) continue;
    if (style.raster == nullptr || !rasterEligible(*path, view, style)) return false;
    const QPointF q = view.toScreen(extent.centre());
    const int x = cellOf(q.x()), y = cellOf(q.y());
    if (x >= 0 && y >= 0 && x < style.raster->width() && y < style.raster->height()) {
      rasterOf(style).set(x, y, screenColour(path->colour, style.whiteBackground).rgb());
    }
    return true;
  }
  return true;
}

}  // namespace app
