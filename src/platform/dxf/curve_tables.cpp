// The tables of the entities with repeated groups: lightweight polylines (vertices) and
// splines (knots, weights, control and fit points).

#include <cmath>

#include "platform/dxf/record_tables.h"

namespace dxf::table {
namespace {

using K = cad::ObjectKind;
using detail::integer;
using detail::real;

// ---- LWPOLYLINE

struct LwVertices {
  std::vector<geom::Point2d> points;
  std::vector<double> bulges;
  std::vector<cad::SegmentWidths> widths;
};

void takeLwVertex(LwVertices& s, const Tag& t, Decoder&) {
  auto& points = s.points;
  switch (t.code) {
    case 10:
      points.push_back({real(t), 0.0});
      return;
    case 20:
      if (!points.empty()) points.back().y = real(t);
      return;
    case 40:
    case 41:
      if (points.empty()) return;
      if (s.widths.size() < points.size()) s.widths.resize(points.size());
      (t.code == 40 ? s.widths[points.size() - 1].start : s.widths[points.size() - 1].end) =
          real(t);
      return;
    case 42: {
      if (points.empty()) return;
      const double b = real(t);
      if (b == 0.0 && s.bulges.empty()) return;
      if (s.bulges.size() < points.size()) s.bulges.resize(points.size());
      s.bulges[points.size() - 1] = b;
      return;
    }
    default:  // 91, the vertex identifier: not modelled
      return;
  }
}

void encodeLwVertices(const cad::LwPolyline& p, const EncodeContext&, OutTags& out) {
  // Widths and bulges at zero are optional rather than left out, so that a rewrite keeps
  // the zeros a file spelled out.
  for (std::size_t i = 0; i < p.vertexCount(); ++i) {
    out.point2(10, p.pointAt(i));
    const bool widths = p.hasWidths();
    out.real(40, widths ? p.widthsAt(i).start : 0.0);
    out.tags.back().optional = !widths;
    out.real(41, widths ? p.widthsAt(i).end : 0.0);
    out.tags.back().optional = !widths;
    out.real(42, p.bulgeAt(i));
    out.tags.back().optional = p.bulgeAt(i) == 0.0;
  }
}

const int kLwVertexCodes[] = {10, 20, 40, 41, 42, 91};

const Table<cad::LwPolyline, LwVertices>& lwPolylineTable() {
  using P = cad::LwPolyline;
  using B = Fields<P, LwVertices>;
  static const auto table = [] {
    auto t = entityTable<P, LwVertices>(
        "LWPOLYLINE",
        {
            B::marker("AcDbPolyline"),
            B::integer(
                90, [](const P& p) -> std::int64_t { return p.vertexCount(); }, nullptr),
            B::integer(
                70, [](const P& p) -> std::int64_t { return p.flags(); },
                [](P& p, int v) { p.setFlags(v); }),
            B::optionalValue(
                43, [](const P& p) { return p.constantWidth(); },
                [](P& p, std::optional<double> w) { p.setConstantWidth(w); }),
            B::optionalReal(
                38, [](const P& p) { return p.elevation(); },
                [](P& p, double v) { p.setElevation(v); }),
            thickness<P, LwVertices>(),
            B::group("vertices", kLwVertexCodes, true, takeLwVertex, encodeLwVertices),
            extrusionNormal<P, LwVertices>(),
        });
    // The vertex count is a hint only: never reserve more than the tags could hold.
    t.start = [](LwVertices& s, const Record& tags) { s.points.reserve(tags.size() / 2); };
    t.finish = [](P& p, LwVertices& s, const Record&, Decoder&) {
      if (!s.bulges.empty()) s.bulges.resize(s.points.size());
      if (!s.widths.empty()) s.widths.resize(s.points.size());
      p.assign(std::move(s.points), std::move(s.bulges), std::move(s.widths));
      return true;
    };
    return t;
  }();
  return table;
}

// ---- SPLINE

struct SplineLists {
  std::vector<double> knots, weights;
  std::vector<geom::Point3d> control, fit;
};

void takeKnot(SplineLists& s, const Tag& t, Decoder&) { s.knots.push_back(real(t)); }
void takeWeight(SplineLists& s, const Tag& t, Decoder&) { s.weights.push_back(real(t, 1.0)); }

// A point list: x starts a point, y and z complete the last one.
template <std::vector<geom::Point3d> SplineLists::*list, int base>
void takeListPoint(SplineLists& s, const Tag& t, Decoder&) {
  auto& points = s.*list;
  if (t.code == base) {
    points.push_back({real(t), 0.0, 0.0});
  } else if (!points.empty()) {
    detail::setCoord(points.back(), t.code, base, real(t));
  }
}

void encodeKnots(const cad::Spline& s, const EncodeContext&, OutTags& out) {
  for (double k : s.knots()) out.real(40, k);
}
void encodeWeights(const cad::Spline& s, const EncodeContext&, OutTags& out) {
  for (double w : s.weights()) out.real(41, w);
}
void encodeControl(const cad::Spline& s, const EncodeContext&, OutTags& out) {
  for (const auto& p : s.controlPoints()) out.point(10, p);
}
void encodeFit(const cad::Spline& s, const EncodeContext&, OutTags& out) {
  for (const auto& p : s.fitPoints()) out.point(11, p);
}

const int kKnotCodes[] = {40};
const int kWeightCodes[] = {41};
const int kControlCodes[] = {10, 20, 30};
const int kFitCodes[] = {11, 21, 31};
const int kThicknessCode[] = {39};

const Table<cad::Spline, SplineLists>& splineTable() {
  using P = cad::Spline;
  using B = Fields<P, SplineLists>;
  static const auto table = [] {
    auto t = entityTable<P, SplineLists>(
        "SPLINE",
        {
            B::marker("AcDbSpline"),
            B::normal([](const P& s) { return asPoint(s.normal()); },
                      [](P& s, geom::Point3d n) { s.setNormal(asVector(n)); }),
            B::integer(
                70, [](const P& s) -> std::int64_t { return s.flags(); },
                [](P& s, int v) { s.setFlags(v); }),
            B::integer(
                71, [](const P& s) -> std::int64_t { return s.degree(); },
                [](P& s, int v) { s.setDegree(v); }, 3),
            // Counts follow from the lists themselves; a file that left them out keeps
            // without.
            B::integer(
                72, [](const P& s) -> std::int64_t { return s.knots().size(); }, nullptr, 0,
                Presence::Counted),
            B::integer(
                73, [](const P& s) -> std::int64_t { return s.controlPoints().size(); }, nullptr, 0,
                Presence::Counted),
            B::integer(
                74, [](const P& s) -> std::int64_t { return s.fitPoints().size(); }, nullptr, 0,
                Presence::Counted),
            B::optionalReal(
                42, [](const P& s) { return s.knotTolerance(); },
                [](P& s, double v) { s.setTolerances(v, s.controlTolerance(), s.fitTolerance()); },
                1e-10),
            B::optionalReal(
                43, [](const P& s) { return s.controlTolerance(); },
                [](P& s, double v) { s.setTolerances(s.knotTolerance(), v, s.fitTolerance()); },
                1e-10),
            B::optionalReal(
                44, [](const P& s) { return s.fitTolerance(); },
                [](P& s, double v) { s.setTolerances(s.knotTolerance(), s.controlTolerance(), v); },
                1e-10),
            B::optionalPoint(
                12,
                [](const P& s) -> std::optional<geom::Point3d> {
                  if (auto v = s.startTangent()) return asPoint(*v);
                  return std::nullopt;
                },
                [](P& s, std::optional<geom::Point3d> v) {
                  s.setTangents(v ? std::optional(asVector(*v)) : std::nullopt, s.endTangent());
                }),
            B::optionalPoint(
                13,
                [](const P& s) -> std::optional<geom::Point3d> {
                  if (auto v = s.endTangent()) return asPoint(*v);
                  return std::nullopt;
                },
                [](P& s, std::optional<geom::Point3d> v) {
                  s.setTangents(s.startTangent(), v ? std::optional(asVector(*v)) : std::nullopt);
                }),
            B::group("knots", kKnotCodes, true, takeKnot, encodeKnots),
            B::group("weights", kWeightCodes, true, takeWeight, encodeWeights),
            B::group("control points", kControlCodes, true,
                     takeListPoint<&SplineLists::control, 10>, encodeControl),
            B::group("fit points", kFitCodes, true, takeListPoint<&SplineLists::fit, 11>,
                     encodeFit),
            // A spline has no thickness.
            B::claimed(kThicknessCode),
        });
    t.finish = [](P& s, SplineLists& lists, const Record&, Decoder&) {
      s.setFitPoints(std::move(lists.fit));
      // Control data that does not form a NURBS curve cannot be modelled; kept whole.
      return lists.control.empty() ||
             s.setNurbs(s.degree(), std::move(lists.knots), std::move(lists.control),
                        std::move(lists.weights)) == cad::Status::Ok;
    };
    return t;
  }();
  return table;
}

const EntityCodec kCurves[] = {
    entityCodec<cad::LwPolyline, LwVertices, lwPolylineTable>(K::LwPolyline, K::LwPolyline),
    entityCodec<cad::Spline, SplineLists, splineTable>(K::Spline, K::Spline),
};

}  // namespace

std::span<const EntityCodec> curveEntityCodecs() { return kCurves; }

}  // namespace dxf::table
