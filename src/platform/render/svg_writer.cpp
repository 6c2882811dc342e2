#include "platform/render/svg_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string_view>
#include <vector>

#include "platform/win/utf8.h"

namespace render {

namespace {

// Width of a text in ems of the CJK typefaces the drawings use: a wide (CJK) character is
// one em, every other character half an em, as in the Song and Hei faces of GB2312.
double textWidthInEms(const std::string& text) {
  double width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    width += len >= 3 ? 1.0 : 0.5;
    i += static_cast<std::size_t>(len);
  }
  return width;
}

// Ems per capital height, for the label box estimate (the writer's default font scale).
constexpr double kEmPerHeight = SvgOptions{}.fontScale;

// Pixels a path may reach beyond the page before it is clipped: far enough that no viewer
// shows the cut, near enough that every coordinate prints in a few digits.
constexpr long double kGuard = 1e6L;
// Larger magnitudes have no place in an SVG document (viewers work in single precision).
constexpr double kLargestNumber = 1e12;

// Collects the document; the first number that cannot be written stops it.
struct Out {
  std::string text;
  std::string error;

  void num(double v) {
    if (!std::isfinite(v) || std::fabs(v) > kLargestNumber) {
      if (error.empty()) error = "a coordinate or size is too large for an SVG document";
      return;
    }
    char buf[64];
    const double r = std::round(v * 1000) / 1000;
    auto res = std::to_chars(buf, buf + sizeof buf, r == 0 ? 0.0 : r, std::chars_format::fixed, 3);
    if (res.ec != std::errc()) {
      if (error.empty()) error = "a number could not be written";
      return;
    }
    std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
    while (s.back() == '0') s.remove_suffix(1);
    if (s.back() == '.') s.remove_suffix(1);
    text += s;
  }
  Out& operator<<(std::string_view s) {
    text += s;
    return *this;
  }
  Out& operator<<(double v) {
    num(v);
    return *this;
  }
};

std::string hex(Rgb c) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s = "#";
  for (std::uint8_t v : {c.r, c.g, c.b}) {
    s += kDigits[v >> 4];
    s += kDigits[v & 15];
  }
  return s;
}

// XML 1.0 admits neither the C0 controls nor U+FFFE/U+FFFF; invalid UTF-8 would make the
// whole document unreadable. Such characters become U+FFFD.
std::string escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = win::decodeNext(text, i);
    switch (cp) {
      case U'&':
        out += "&amp;";
        break;
      case U'<':
        out += "&lt;";
        break;
      case U'>':
        out += "&gt;";
        break;
      case U'"':
        out += "&quot;";
        break;
      default:
        if (cp < 0x20) break;
        win::appendUtf8(out, cp == 0xFFFE || cp == 0xFFFF ? char32_t{0xFFFD} : cp);
    }
  }
  return out;
}

// Page coordinates are worked out in long double, whose range holds any product of a finite
// world coordinate and the scale, so that far-away points can be clipped instead of
// overflowing.
struct Page {
  geom::Extents2d window;
  double k = 1;
  int margin = 0;
  long double width = 0, height = 0;
  long double x(double wx) const {
    return margin + (static_cast<long double>(wx) - window.min.x) * static_cast<long double>(k);
  }
  long double y(double wy) const {
    return margin + (window.max.y - static_cast<long double>(wy)) * static_cast<long double>(k);
  }
};

struct PagePoint {
  long double x, y;
};

// The part of segment a-b inside the guard box around the page (Cohen-Sutherland: an end
// outside is moved onto the border it lies beyond, which it then takes exactly); false when
// none of it is inside.
bool clipToGuard(PagePoint& a, PagePoint& b, const Page& page) {
  const long double x0 = -kGuard, y0 = -kGuard, x1 = page.width + kGuard, y1 = page.height + kGuard;
  const auto code = [&](const PagePoint& p) {
    return (p.x < x0 ? 1 : 0) | (p.x > x1 ? 2 : 0) | (p.y < y0 ? 4 : 0) | (p.y > y1 ? 8 : 0);
  };
  for (int step = 0; step < 8; ++step) {
    const int ca = code(a), cb = code(b);
    if ((ca | cb) == 0) return true;
    if (ca & cb) return false;
    PagePoint& p = ca ? a : b;
    const PagePoint& q = ca ? b : a;
    const int c = ca ? ca : cb;
    if (c & 3) {
      const long double x = (c & 1) ? x0 : x1;
      p.y += (x - p.x) / (q.x - p.x) * (q.y - p.y);
      p.x = x;
    } else {
      const long double y = (c & 4) ? y0 : y1;
      p.x += (y - p.y) / (q.y - p.y) * (q.x - p.x);
      p.y = y;
    }
  }
  return code(a) == 0 && code(b) == 0;
}

bool insideGuard(const PagePoint& p, const Page& page) {
  return p.x >= -kGuard && p.y >= -kGuard && p.x <= page.width + kGuard &&
         p.y <= page.height + kGuard;
}

void writePiece(const std::vector<PagePoint>& pts, bool closed, const Path& p, const Page& page,
                Out& out) {
  out << (closed ? "<polygon points=\"" : "<polyline points=\"");
  for (std::size_t i = 0; i < pts.size(); ++i) {
    if (i > 0) out << " ";
    out << static_cast<double>(pts[i].x) << "," << static_cast<double>(pts[i].y);
  }
  const double width = std::max(p.width * page.k, 1.0);
  out << "\" fill=\"none\" stroke=\"" << hex(p.colour) << "\" stroke-width=\"" << width << "\"";
  if (p.width > 0) out << " stroke-linecap=\"butt\"";
  if (!p.dashes.empty()) {
    out << " stroke-dasharray=\"";
    for (std::size_t i = 0; i < p.dashes.size(); ++i) {
      if (i > 0) out << " ";
      out << std::max(std::fabs(p.dashes[i]) * page.k, 1.0);
    }
    out << "\"";
  }
  out << "/>\n";
}

// A path that leaves the guard box is cut there into the pieces that lie inside it.
void writePath(const Path& p, const Page& page, Out& out) {
  if (p.points.empty()) return;
  geom::Extents2d box;
  for (const auto& pt : p.points) box.add(pt);
  if (!box.intersects(page.window)) return;
  std::vector<PagePoint> pts;
  pts.reserve(p.points.size() + 1);
  bool inside = true;
  for (const auto& pt : p.points) {
    if (!std::isfinite(pt.x) || !std::isfinite(pt.y)) {
      if (out.error.empty()) out.error = "a coordinate is not a finite number";
      return;
    }
    pts.push_back({page.x(pt.x), page.y(pt.y)});
    inside = inside && insideGuard(pts.back(), page);
  }
  if (inside) {
    writePiece(pts, p.closed, p, page, out);
    return;
  }
  if (p.closed && pts.size() > 2) pts.push_back(pts.front());
  std::vector<PagePoint> piece;
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
    PagePoint a = pts[i], b = pts[i + 1];
    if (!clipToGuard(a, b, page)) continue;
    const bool joins = !piece.empty() && piece.back().x == a.x && piece.back().y == a.y;
    if (!joins) {
      if (piece.size() > 1) writePiece(piece, false, p, page, out);
      piece.assign({a});
    }
    piece.push_back(b);
  }
  if (piece.size() > 1) writePiece(piece, false, p, page, out);
}

void writeLabel(const Label& l, const Page& page, double fontScale, Out& out) {
  if (l.text.empty()) return;
  geom::Extents2d box;
  for (const auto& c : labelBox(l)) box.add(c);
  if (!box.intersects(page.window)) return;
  // The texts are anchored here, from the typeface's widths, rather than with text-anchor:
  // some viewers shift anchored text by its unscaled width when a width factor scales it.
  const double px = l.height * page.k, em = px * fontScale;
  const double shift = l.h == HAlign::Left ? 0 : l.h == HAlign::Centre ? 0.5 : 1.0;
  const double x = -shift * textWidthInEms(l.text) * em;
  out << "<text transform=\"translate(" << static_cast<double>(page.x(l.anchor.x)) << " "
      << static_cast<double>(page.y(l.anchor.y)) << ")";
  if (l.rotation != 0) out << " rotate(" << -l.rotation * 180 / std::numbers::pi << ")";
  if (l.widthFactor != 1 && l.widthFactor > 0) out << " scale(" << l.widthFactor << " 1)";
  out << "\"";
  if (x != 0) out << " x=\"" << x << "\"";
  out << " y=\"" << -baselineAbove(l.v) * px << "\" font-size=\"" << em << "\" fill=\""
      << hex(l.colour) << "\">" << escape(l.text) << "</text>\n";
}

}  // namespace

std::array<geom::Point2d, 4> labelBox(const Label& l) {
  const double w =
      textWidthInEms(l.text) * kEmPerHeight * l.height * (l.widthFactor > 0 ? l.widthFactor : 1);
  const double x0 = l.h == HAlign::Left ? 0 : l.h == HAlign::Centre ? -w / 2 : -w;
  const double base = baselineAbove(l.v) * l.height;
  const double y0 = base - 0.3 * l.height, y1 = base + l.height;
  const double c = std::cos(l.rotation), s = std::sin(l.rotation);
  const auto at = [&](double x, double y) {
    return geom::Point2d{l.anchor.x + x * c - y * s, l.anchor.y + x * s + y * c};
  };
  return {at(x0, y0), at(x0 + w, y0), at(x0 + w, y1), at(x0, y1)};
}

geom::Extents2d Picture::extents() const {
  geom::Extents2d e;
  for (const Primitive& item : items) {
    if (const auto* p = std::get_if<Path>(&item)) {
      for (const auto& pt : p->points) e.add(pt);
    } else if (const auto* l = std::get_if<Label>(&item); l && !l->text.empty()) {
      for (const auto& c : labelBox(*l)) e.add(c);
    }
  }
  return e;
}

std::optional<std::string> writeSvg(const Picture& picture, const SvgOptions& options,
                                    std::string& error) {
  Page page;
  page.window = options.window.value_or(picture.extents());
  if (page.window.empty()) page.window = geom::Extents2d::of({0, 0}, {1, 1});
  const double ww = std::max(page.window.max.x - page.window.min.x, 1e-9);
  const double wh = std::max(page.window.max.y - page.window.min.y, 1e-9);
  page.margin = std::max(options.margin, 0);
  const double inner = std::max(options.size - 2 * page.margin, 16);
  page.k = inner / std::max(ww, wh);
  if (!std::isfinite(ww) || !std::isfinite(wh) || !std::isfinite(page.k) || page.k <= 0) {
    error = "the drawing is too large for an SVG document; give a smaller window";
    return std::nullopt;
  }
  const double width = ww * page.k + 2 * page.margin, height = wh * page.k + 2 * page.margin;
  page.width = width;
  page.height = height;

  Out out;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << std::ceil(width) << "\" height=\""
      << std::ceil(height) << "\" viewBox=\"0 0 " << std::ceil(width) << " " << std::ceil(height)
      << "\">\n";
  out << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  out << "<g stroke-linejoin=\"round\" font-family=\"" << kCjkFontFamilies << "\">\n";
  for (const Primitive& item : picture.items) {
    if (const auto* p = std::get_if<Path>(&item)) {
      writePath(*p, page, out);
    } else {
      writeLabel(std::get<Label>(item), page, options.fontScale, out);
    }
    if (!out.error.empty()) break;
  }
  if (!out.error.empty()) {
    error = out.error;
    return std::nullopt;
  }
  out << "</g>\n</svg>\n";
  return std::move(out.text);
}

}  // namespace render
