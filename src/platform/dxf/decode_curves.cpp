// Decoders of the records with repeated groups: lightweight polylines and splines, and
// the symbol table entries.

#include <functional>

#include "platform/dxf/decode_util.h"
#include "platform/dxf/record_codec.h"

namespace dxf {

using namespace detail;
using TextFn = std::function<std::string(std::string_view)>;

std::unique_ptr<cad::Entity> decodeLwPolyline(const Record& tags, CommonTags& common,
                                              const TextFn& text) {
  auto poly = std::make_unique<cad::LwPolyline>();
  std::vector<geom::Point2d> points;
  std::vector<double> bulges;
  std::vector<cad::SegmentWidths> widths;
  // The vertex count is a hint only: never reserve more than the tags could hold.
  points.reserve(tags.size() / 2);
  double elevation = 0.0;
  int flags = 0;
  std::optional<double> constantWidth;
  forDataTags(tags, [&](const Tag& t) {
    switch (t.code) {
      case 10:
        points.push_back({real(t), 0.0});
        return;
      case 20:
        if (!points.empty()) points.back().y = real(t);
        return;
      case 38:
        elevation = real(t);
        return;
      case 40:
      case 41:
        if (points.empty()) return;
        if (widths.size() < points.size()) widths.resize(points.size());
        (t.code == 40 ? widths[points.size() - 1].start : widths[points.size() - 1].end) = real(t);
        return;
      case 42: {
        if (points.empty()) return;
        double b = real(t);
        if (b == 0.0 && bulges.empty()) return;
        if (bulges.size() < points.size()) bulges.resize(points.size());
        bulges[points.size() - 1] = b;
        return;
      }
      case 43:
        constantWidth = real(t);
        return;
      case 70:
        flags = integer(t);
        return;
      default:
        common.take(t, text);
    }
  });
  if (!bulges.empty()) bulges.resize(points.size());
  if (!widths.empty()) widths.resize(points.size());
  poly->assign(std::move(points), std::move(bulges), std::move(widths));
  poly->setElevation(elevation);
  poly->setFlags(flags);
  poly->setConstantWidth(constantWidth);
  poly->setExtrusion(common.extrusion());
  return poly;
}

std::unique_ptr<cad::Entity> decodeSpline(const Record& tags, CommonTags& common,
                                          const TextFn& text) {
  auto spline = std::make_unique<cad::Spline>();
  int degree = 3, flags = 0;
  std::vector<double> knots, weights;
  std::vector<geom::Point3d> control, fit;
  std::optional<geom::Vector3d> startTangent, endTangent;
  double knotTol = 1e-10, controlTol = 1e-10, fitTol = 1e-10;
  forDataTags(tags, [&](const Tag& t) {
    const int c = t.code;
    if (c == 10) control.push_back({real(t), 0.0, 0.0});
    if ((c == 20 || c == 30) && !control.empty()) setCoord(control.back(), c, 10, real(t));
    if (c == 11) fit.push_back({real(t), 0.0, 0.0});
    if ((c == 21 || c == 31) && !fit.empty()) setCoord(fit.back(), c, 11, real(t));
    if (isCoord(c, 12)) {
      if (!startTangent) startTangent = geom::Vector3d{};
      setCoord(*startTangent, c, 12, real(t));
    }
    if (isCoord(c, 13)) {
      if (!endTangent) endTangent = geom::Vector3d{};
      setCoord(*endTangent, c, 13, real(t));
    }
    switch (c) {
      case 40:
        knots.push_back(real(t));
        return;
      case 41:
        weights.push_back(real(t, 1.0));
        return;
      case 42:
        knotTol = real(t, knotTol);
        return;
      case 43:
        controlTol = real(t, controlTol);
        return;
      case 44:
        fitTol = real(t, fitTol);
        return;
      case 70:
        flags = integer(t);
        return;
      case 71:
        degree = integer(t, 3);
        return;
      default:
        if (c < 10 || c > 33) common.take(t, text);
    }
  });
  spline->setFlags(flags);
  spline->setDegree(degree);
  spline->setTolerances(knotTol, controlTol, fitTol);
  spline->setFitPoints(std::move(fit));
  spline->setTangents(startTangent, endTangent);
  spline->setNormal(common.extrusion().normal);
  if (!control.empty() && spline->setNurbs(degree, std::move(knots), std::move(control),
                                           std::move(weights)) != cad::Status::Ok) {
    // Control data that does not form a NURBS curve cannot be modelled; kept whole.
    return std::make_unique<cad::OpaqueEntity>("SPLINE");
  }
  return spline;
}

std::unique_ptr<cad::TableRecord> Decoder::tableRecord(const Record& tags, RecordHead& head) {
  head = this->head(tags);
  const std::string_view type = tags.front().value;
  std::string name;
  int flags = 0;
  forDataTags(tags, [&](const Tag& t) {
    if (t.code == 2) name = text(t.value);
    if (t.code == 70) flags = integer(t);
  });
  std::unique_ptr<cad::TableRecord> record;
  if (type == "LAYER") {
    auto layer = std::make_unique<cad::Layer>(name);
    forDataTags(tags, [&](const Tag& t) {
      if (t.code == 62) {
        int colour = integer(t, 7);
        layer->setOff(colour < 0);
        layer->setColour(colour < 0 ? -colour : (colour == 0 ? 7 : colour));
      }
      if (t.code == 6) layer->setLinetype(text(t.value));
      if (t.code == 290) layer->setPlottable(integer(t, 1) != 0);
    });
    record = std::move(layer);
  } else if (type == "STYLE") {
    auto style = std::make_unique<cad::TextStyle>(name);
    forDataTags(tags, [&](const Tag& t) {
      switch (t.code) {
        case 3:
          style->setFontFile(text(t.value));
          break;
        case 4:
          style->setBigFontFile(text(t.value));
          break;
        case 40:
          style->setFixedHeight(real(t));
          break;
        case 41:
          style->setWidthFactor(real(t, 1.0));
          break;
        case 42:
          style->setLastHeight(real(t, 2.5));
          break;
        case 50:
          style->setObliqueDegrees(real(t));
          break;
        case 71:
          style->setGenerationFlags(integer(t));
          break;
      }
    });
    // The TrueType face lives in the extended data of the application "ACAD".
    bool inAcad = false;
    std::string face;
    std::optional<int> faceFlags;
    tags.forEach([&](const Tag& t) {
      if (t.code == 1001) inAcad = t.value == "ACAD";
      if (!inAcad) return;
      if (t.code == 1000 && face.empty()) face = text(t.value);
      if (t.code == 1071 && !faceFlags) faceFlags = integer(t);
    });
    if (!face.empty()) {
      int f = faceFlags.value_or(0);
      style->setTypeface(face, (f & 0x02000000) != 0, (f & 0x01000000) != 0, (f >> 8) & 0xFF,
                         f & 0xFF);
    }
    record = std::move(style);
  } else if (type == "LTYPE") {
    auto linetype = std::make_unique<cad::Linetype>(name);
    std::vector<double> pattern;
    forDataTags(tags, [&](const Tag& t) {
      if (t.code == 3) linetype->setDescription(text(t.value));
      if (t.code == 49) pattern.push_back(real(t));
    });
    linetype->setPattern(std::move(pattern));
    record = std::move(linetype);
  } else if (type == "BLOCK_RECORD") {
    record = std::make_unique<cad::BlockRecord>(name);
  } else {
    return nullptr;
  }
  record->setFlags(flags);
  return record;
}

}  // namespace dxf
