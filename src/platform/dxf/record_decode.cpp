#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>

#include "platform/dxf/decode_util.h"
#include "platform/dxf/file_image.h"
#include "platform/dxf/record_codec.h"

namespace dxf {
using namespace detail;

std::unique_ptr<cad::Entity> decodeLwPolyline(
    const Record& tags, CommonTags& common,
    const std::function<std::string(std::string_view)>& text);
std::unique_ptr<cad::Entity> decodeSpline(const Record& tags, CommonTags& common,
                                          const std::function<std::string(std::string_view)>& text);

std::string Decoder::text(std::string_view raw) {
  // Names repeat (layers, styles) and are decoded once; a long value is decoded straight
  // into the one string that keeps it.
  constexpr std::size_t kCached = 256;
  if (raw.size() > kCached) return longText(raw);
  if (raw == lastRaw_) return lastText_;
  lastRaw_.assign(raw);
  lastText_ = decodeText(raw, encoding_);
  return lastText_;
}

namespace {

// Where a piece of a long value may end, at most `limit` bytes on from `pos`: after a byte
// below '0' other than '+' (which an escape \U+XXXX carries), since no code page uses such
// a byte inside a character; or, in text of ASCII only, anywhere clear of a backslash that
// could start an escape. `pos` when there is no such place.
std::size_t pieceEnd(std::string_view raw, std::size_t pos, std::size_t limit) {
  const std::size_t last = std::min(raw.size(), pos + limit);
  for (std::size_t end = last; end > pos; --end) {
    const auto c = static_cast<unsigned char>(raw[end - 1]);
    if (c < '0' && c != '+') return end;
  }
  const std::string_view piece = raw.substr(pos, last - pos);
  if (std::any_of(piece.begin(), piece.end(), [](char c) { return c & 0x80; })) return pos;
  constexpr std::size_t kLongestEscape = 16;
  std::size_t end = last;
  while (end > pos + kLongestEscape) {
    // Within the piece only: what lies before it is decoded and let go already.
    const std::size_t slash = raw.substr(pos, end - pos).rfind('\\');
    if (slash == std::string_view::npos || pos + slash + kLongestEscape < end) return end;
    end = pos + slash;
  }
  return pos;
}

}  // namespace

// A value of many megabytes is decoded in pieces that decode as they would within the
// whole, and the bytes of each piece are let go once it is decoded: the value is in memory
// about once, not twice.
std::string Decoder::longText(std::string_view raw) {
  constexpr std::size_t kPiece = 4u << 20;
  const std::optional<std::size_t> offset = image_ ? image_->offsetOf(raw) : std::nullopt;
  if (raw.size() <= kPiece || !offset) return decodeText(raw, encoding_);
  std::string out;
  std::size_t pos = 0;
  while (pos < raw.size()) {
    std::size_t end = raw.size() - pos > kPiece ? pieceEnd(raw, pos, kPiece) : raw.size();
    if (end == pos) end = raw.size();  // no place to cut: the rest at once
    if (pos == 0 && end == raw.size()) {
      out = decodeText(raw, encoding_);
    } else {
      if (pos == 0) out.reserve(raw.size());
      out += decodeText(raw.substr(pos, end - pos), encoding_);
    }
    image_->release(*offset + pos, *offset + end);
    pos = end;
  }
  return out;
}

RecordHead Decoder::head(const Record& tags) {
  RecordHead head;
  bool ownerSeen = false;
  forDataTags(tags, [&](const Tag& t) {
    if ((t.code == 5 || t.code == 105) && head.handle == 0) head.handle = parseHandle(t.value);
    if (t.code == 330 && !ownerSeen) {
      head.owner = parseHandle(t.value);
      ownerSeen = true;
    }
    if (t.code == 67) head.paperSpace = integer(t) == 1;
    if (t.code == 66) head.hasVerticesFollow = integer(t) == 1;
  });
  return head;
}

std::unique_ptr<cad::Entity> Decoder::entity(const Record& tags, RecordHead& head) {
  head = this->head(tags);
  const std::string_view type = tags.front().value;
  CommonTags common;
  auto textFn = [this](std::string_view raw) { return text(raw); };
  auto commonTag = [&](const Tag& t) { return common.take(t, textFn); };
  auto finish = [&](std::unique_ptr<cad::Entity> e) {
    common.applyTo(*e);
    return e;
  };

  if (type == "LINE") {
    auto line = std::make_unique<cad::Line>();
    geom::Point3d a, b;
    forDataTags(tags, [&](const Tag& t) {
      if (commonTag(t)) return;
      if (isCoord(t.code, 10)) setCoord(a, t.code, 10, real(t));
      if (isCoord(t.code, 11)) setCoord(b, t.code, 11, real(t));
    });
    line->setStart(a);
    line->setEnd(b);
    line->setExtrusion(common.extrusion());
    return finish(std::move(line));
  }
  if (type == "POINT") {
    auto point = std::make_unique<cad::PointEntity>();
    geom::Point3d p;
    double angle = 0.0;
    forDataTags(tags, [&](const Tag& t) {
      if (commonTag(t)) return;
      if (isCoord(t.code, 10)) setCoord(p, t.code, 10, real(t));
      if (t.code == 50) angle = real(t);
    });
    point->setPosition(p);
    point->setXAxisAngleDegrees(angle);
    point->setExtrusion(common.extrusion());
    return finish(std::move(point));
  }
  if (type == "CIRCLE" || type == "ARC") {
    geom::Point3d c;
    double radius = 0.0, start = 0.0, end = 360.0;
    forDataTags(tags, [&](const Tag& t) {
      if (commonTag(t)) return;
      if (isCoord(t.code, 10)) setCoord(c, t.code, 10, real(t));
      if (t.code == 40) radius = real(t);
      if (t.code == 50) start = real(t);
      if (t.code == 51) end = real(t);
    });
    if (type == "CIRCLE") {
      auto circle = std::make_unique<cad::Circle>();
      circle->setOcsCentre(c);
      circle->setRadius(radius);
      circle->setExtrusion(common.extrusion());
      return finish(std::move(circle));
    }
    auto arc = std::make_unique<cad::Arc>();
    arc->setOcsCentre(c);
    arc->setRadius(radius);
    arc->setAnglesDegrees(start, end);
    arc->setExtrusion(common.extrusion());
    return finish(std::move(arc));
  }
  if (type == "ELLIPSE") {
    auto ellipse = std::make_unique<cad::Ellipse>();
    geom::Point3d c;
    geom::Vector3d major{1.0, 0.0, 0.0};
    double ratio = 1.0, start = 0.0, end = 6.283185307179586;
    forDataTags(tags, [&](const Tag& t) {
      if (commonTag(t)) return;
      if (isCoord(t.code, 10)) setCoord(c, t.code, 10, real(t));
      if (isCoord(t.code, 11)) setCoord(major, t.code, 11, real(t));
      if (t.code == 40) ratio = real(t, 1.0);
      if (t.code == 41) start = real(t);
      if (t.code == 42) end = real(t, end);
    });
    ellipse->setCentre(c);
    ellipse->setMajorAxis(major);
    ellipse->setRatio(ratio);
    ellipse->setParams(start, end);
    ellipse->setNormal(common.extrusion().normal);
    return finish(std::move(ellipse));
  }
  if (type == "LWPOLYLINE") {
    auto poly = decodeLwPolyline(tags, common, textFn);
    return finish(std::move(poly));
  }
  if (type == "SPLINE") {
    auto spline = decodeSpline(tags, common, textFn);
    return finish(std::move(spline));
  }
  if (type == "TEXT") {
    auto text = std::make_unique<cad::Text>();
    geom::Point3d p, a;
    bool hasAlign = false;
    double height = 2.5, rotation = 0.0, width = 1.0, oblique = 0.0;
    int generation = 0, horizontal = 0, vertical = 0;
    std::string value, style = "STANDARD";
    forDataTags(tags, [&](const Tag& t) {
      if (commonTag(t)) return;
      if (isCoord(t.code, 10)) setCoord(p, t.code, 10, real(t));
      if (isCoord(t.code, 11)) {
        setCoord(a, t.code, 11, real(t));
        hasAlign = true;
      }
      switch (t.code) {
        case 1:
          value = this->text(t.value);
          break;
        case 7:
          style = this->text(t.value);
          break;
        case 40:
          height = real(t, height);
          break;
        case 50:
          rotation = real(t);
          break;
        case 41:
          width = real(t, 1.0);
          break;
        case 51:
          oblique = real(t);
          break;
        case 71:
          generation = integer(t);
          break;
        case 72:
          horizontal = integer(t);
          break;
        case 73:
          vertical = integer(t);
          break;
      }
    });
    text->setValue(std::move(value));
    text->setStyle(std::move(style));
    text->setPosition(p);
    text->setAlignmentPoint(hasAlign ? std::optional<geom::Point3d>(a) : std::nullopt);
    text->setHeight(height);
    text->setRotationDegrees(rotation);
    text->setWidthFactor(width);
    text->setObliqueDegrees(oblique);
    text->setGenerationFlags(generation);
    text->setModes(horizontal, vertical);
    text->setExtrusion(common.extrusion());
    return finish(std::move(text));
  }
  if (type == "INSERT") {
    auto ref = std::make_unique<cad::BlockReference>();
    geom::Point3d p;
    geom::Vector3d scale{1.0, 1.0, 1.0};
    double rotation = 0.0;
    int columns = 1, rows = 1;
    std::string name;
    forDataTags(tags, [&](const Tag& t) {
      if (commonTag(t)) return;
      if (isCoord(t.code, 10)) setCoord(p, t.code, 10, real(t));
      switch (t.code) {
        case 2:
          name = this->text(t.value);
          break;
        case 41:
          scale.x = real(t, 1.0);
          break;
        case 42:
          scale.y = real(t, 1.0);
          break;
        case 43:
          scale.z = real(t, 1.0);
          break;
        case 50:
          rotation = real(t);
          break;
        case 70:
          columns = integer(t, 1);
          break;
        case 71:
          rows = integer(t, 1);
          break;
      }
    });
    // An array insert has no model here; kept whole as an opaque entity.
    if (columns > 1 || rows > 1) return finish(std::make_unique<cad::OpaqueEntity>("INSERT"));
    ref->setBlockName(std::move(name));
    ref->setPosition(p);
    ref->setScale(scale);
    ref->setRotationDegrees(rotation);
    ref->setExtrusion(common.extrusion());
    return finish(std::move(ref));
  }
  if (type == "POLYLINE") {
    int flags = 0, curveType = 0;
    geom::Point3d dummy;
    cad::SegmentWidths widths;
    forDataTags(tags, [&](const Tag& t) {
      if (commonTag(t)) return;
      if (isCoord(t.code, 10)) setCoord(dummy, t.code, 10, real(t));
      if (t.code == 70) flags = integer(t);
      if (t.code == 75) curveType = integer(t);
      if (t.code == 40) widths.start = real(t);
      if (t.code == 41) widths.end = real(t);
    });
    // Meshes and polyface meshes are not curves.
    if (flags & (16 | 64)) return finish(std::make_unique<cad::OpaqueEntity>("POLYLINE"));
    if (flags & cad::OldPolyline::k3d) {
      auto poly = std::make_unique<cad::Polyline3d>();
      poly->setFlags(flags);
      poly->setCurveType(curveType);
      return finish(std::move(poly));
    }
    auto poly = std::make_unique<cad::Polyline2d>();
    poly->setFlags(flags);
    poly->setCurveType(curveType);
    poly->setElevation(dummy.z);
    poly->setDefaultWidths(widths);
    poly->setExtrusion(common.extrusion());
    return finish(std::move(poly));
  }
  return opaqueEntity(tags, head);
}

std::unique_ptr<cad::Entity> Decoder::opaqueEntity(const Record& tags, RecordHead& head) {
  head = this->head(tags);
  CommonTags common;
  auto textFn = [this](std::string_view raw) { return text(raw); };
  auto opaque = std::make_unique<cad::OpaqueEntity>(std::string(tags.front().value));
  forDataTags(tags, [&](const Tag& t) { common.take(t, textFn); });
  common.applyTo(*opaque);
  return opaque;
}

void Decoder::vertex(const Record& tags, cad::PolylineVertex& v, RecordHead& head) {
  head = this->head(tags);
  forDataTags(tags, [&](const Tag& t) {
    if (isCoord(t.code, 10)) setCoord(v.position, t.code, 10, real(t));
    switch (t.code) {
      case 40:
        v.startWidth = real(t);
        break;
      case 41:
        v.endWidth = real(t);
        break;
      case 42:
        v.bulge = real(t);
        break;
      case 50:
        v.tangentDegrees = real(t);
        break;
      case 70:
        v.flags = integer(t);
        break;
    }
  });
}

void Decoder::block(const Record& tags, std::string& name, geom::Point3d& base, int& flags,
                    std::string& description) {
  forDataTags(tags, [&](const Tag& t) {
    if (isCoord(t.code, 10)) setCoord(base, t.code, 10, real(t));
    if (t.code == 2) name = text(t.value);
    if (t.code == 3 && name.empty()) name = text(t.value);
    if (t.code == 70) flags = integer(t);
    if (t.code == 4) description = text(t.value);
  });
}

}  // namespace dxf
