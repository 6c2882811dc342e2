#include "platform/render/svg_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace render {

namespace {

// Width of a text in ems of the CJK typefaces the drawings use: a wide (CJK) character is
// one em, every other character half an em, as in the Song and Hei faces of GB2312.
double TextWidthInEms(const std::string& text) {
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

// Where the baseline lies above the anchor, in capital heights.
double BaselineAbove(VAlign v) {
  switch (v) {
    case VAlign::Baseline:
      return 0;
    case VAlign::Bottom:
      return 0.3;
    case VAlign::Middle:
      return -0.5;
    case VAlign::Top:
      return -1.0;
  }
  return 0;
}

std::string Num(double v) {
  char buf[64];
  if (!std::isfinite(v)) v = 0;
  const double r = std::round(v * 1000) / 1000;
  auto res = std::to_chars(buf, buf + sizeof buf, r == 0 ? 0.0 : r, std::chars_format::fixed, 3);
  std::string s(buf, res.ptr);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string Hex(Rgb c) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s = "#";
  for (std::uint8_t v : {c.r, c.g, c.b}) {
    s += kDigits[v >> 4];
    s += kDigits[v & 15];
  }
  return s;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        if (static_cast<unsigned char>(ch) >= 0x20) out += ch;
    }
  }
  return out;
}

struct Page {
  geom::Extents2d window;
  double k = 1;
  int margin = 0;
  double x(double wx) const { return margin + (wx - window.min.x) * k; }
  double y(double wy) const { return margin + (window.max.y - wy) * k; }
};

void WritePath(const Path& p, const Page& page, std::string& out) {
  if (p.points.empty()) return;
  geom::Extents2d box;
  for (const auto& pt : p.points) box.add(pt);
  if (!box.intersects(page.window)) return;
  out += p.closed ? "<polygon points=\"" : "<polyline points=\"";
  for (std::size_t i = 0; i < p.points.size(); ++i) {
    if (i > 0) out += ' ';
    out += Num(page.x(p.points[i].x)) + "," + Num(page.y(p.points[i].y));
  }
  const double width = std::max(p.width * page.k, 1.0);
  out += "\" fill=\"none\" stroke=\"" + Hex(p.colour) + "\" stroke-width=\"" + Num(width) + "\"";
  if (p.width > 0) out += " stroke-linecap=\"butt\"";
  if (!p.dashes.empty()) {
    out += " stroke-dasharray=\"";
    for (std::size_t i = 0; i < p.dashes.size(); ++i) {
      if (i > 0) out += ' ';
      out += Num(std::max(std::fabs(p.dashes[i]) * page.k, 1.0));
    }
    out += "\"";
  }
  out += "/>\n";
}

void WriteLabel(const Label& l, const Page& page, double fontScale, std::string& out) {
  if (l.text.empty()) return;
  geom::Extents2d box;
  for (const auto& c : LabelBox(l)) box.add(c);
  if (!box.intersects(page.window)) return;
  // The texts are anchored here, from the typeface's widths, rather than with text-anchor:
  // some viewers shift anchored text by its unscaled width when a width factor scales it.
  const double px = l.height * page.k, em = px * fontScale;
  const double shift = l.h == HAlign::Left ? 0 : l.h == HAlign::Centre ? 0.5 : 1.0;
  const double x = -shift * TextWidthInEms(l.text) * em;
  out += "<text transform=\"translate(" + Num(page.x(l.anchor.x)) + " " + Num(page.y(l.anchor.y)) +
         ")";
  if (l.rotation != 0) out += " rotate(" + Num(-l.rotation * 180 / std::numbers::pi) + ")";
  if (l.widthFactor != 1 && l.widthFactor > 0) out += " scale(" + Num(l.widthFactor) + " 1)";
  out += "\"";
  if (x != 0) out += " x=\"" + Num(x) + "\"";
  out += " y=\"" + Num(-BaselineAbove(l.v) * px) + "\" font-size=\"" + Num(em) + "\" fill=\"" +
         Hex(l.colour) + "\">" + Escape(l.text) + "</text>\n";
}

}  // namespace

std::array<geom::Point2d, 4> LabelBox(const Label& l) {
  const double w =
      TextWidthInEms(l.text) * kEmPerHeight * l.height * (l.widthFactor > 0 ? l.widthFactor : 1);
  const double x0 = l.h == HAlign::Left ? 0 : l.h == HAlign::Centre ? -w / 2 : -w;
  const double base = BaselineAbove(l.v) * l.height;
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
      for (const auto& c : LabelBox(*l)) e.add(c);
    }
  }
  return e;
}

std::string WriteSvg(const Picture& picture, const SvgOptions& options) {
  Page page;
  page.window = options.window.value_or(picture.extents());
  if (page.window.empty()) page.window = geom::Extents2d::of({0, 0}, {1, 1});
  const double ww = std::max(page.window.max.x - page.window.min.x, 1e-9);
  const double wh = std::max(page.window.max.y - page.window.min.y, 1e-9);
  page.margin = std::max(options.margin, 0);
  const double inner = std::max(options.size - 2 * page.margin, 16);
  page.k = inner / std::max(ww, wh);
  const double width = ww * page.k + 2 * page.margin, height = wh * page.k + 2 * page.margin;

  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(std::ceil(width)) +
         "\" height=\"" + Num(std::ceil(height)) + "\" viewBox=\"0 0 " + Num(std::ceil(width)) +
         " " + Num(std::ceil(height)) + "\">\n";
  out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  out += "<g stroke-linejoin=\"round\" font-family=\"" + std::string(kCjkFontFamilies) + "\">\n";
  for (const Primitive& item : picture.items) {
    if (const auto* p = std::get_if<Path>(&item)) {
      WritePath(*p, page, out);
    } else {
      WriteLabel(std::get<Label>(item), page, options.fontScale, out);
    }
  }
  out += "</g>\n</svg>\n";
  return out;
}

}  // namespace render
