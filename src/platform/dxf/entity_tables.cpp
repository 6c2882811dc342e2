// The tables of the entities without repeated groups, and of the vertices of old-style
// polylines.

#include <numbers>

#include "platform/dxf/record_tables.h"

namespace dxf::table {
namespace {

using K = cad::ObjectKind;

const Table<cad::Line>& lineTable() {
  using B = Fields<cad::Line>;
  static const auto table =
      entityTable<cad::Line>("LINE", {
                                         B::marker("AcDbLine"),
                                         thickness<cad::Line>(),
                                         B::point(
                                             10, [](const cad::Line& l) { return l.start(); },
                                             [](cad::Line& l, geom::Point3d p) { l.setStart(p); }),
                                         B::point(
                                             11, [](const cad::Line& l) { return l.end(); },
                                             [](cad::Line& l, geom::Point3d p) { l.setEnd(p); }),
                                         extrusionNormal<cad::Line>(),
                                     });
  return table;
}

const Table<cad::PointEntity>& pointTable() {
  using P = cad::PointEntity;
  using B = Fields<P>;
  static const auto table =
      entityTable<P>("POINT", {
                                  B::marker("AcDbPoint"),
                                  B::point(
                                      10, [](const P& p) { return p.position(); },
                                      [](P& p, geom::Point3d v) { p.setPosition(v); }),
                                  thickness<P>(),
                                  extrusionNormal<P>(),
                                  B::optionalReal(
                                      50, [](const P& p) { return p.xAxisAngleDegrees(); },
                                      [](P& p, double v) { p.setXAxisAngleDegrees(v); }),
                              });
  return table;
}

// CIRCLE and ARC share the fields of "AcDbCircle".
template <class C>
std::vector<Field<C>> circleFields() {
  using B = Fields<C>;
  return {
      B::marker("AcDbCircle"),
      thickness<C>(),
      B::point(
          10, [](const C& c) { return c.ocsCentre(); },
          [](C& c, geom::Point3d p) { c.setOcsCentre(p); }),
      B::real(
          40, [](const C& c) { return c.radius(); }, [](C& c, double r) { c.setRadius(r); }),
      extrusionNormal<C>(),
  };
}

const Table<cad::Circle>& circleTable() {
  static const auto table = entityTable<cad::Circle>("CIRCLE", circleFields<cad::Circle>());
  return table;
}

const Table<cad::Arc>& arcTable() {
  using B = Fields<cad::Arc>;
  static const auto table = [] {
    auto fields = circleFields<cad::Arc>();
    fields.push_back(B::marker("AcDbArc"));
    fields.push_back(B::real(
        50, [](const cad::Arc& a) { return a.startAngleDegrees(); },
        [](cad::Arc& a, double v) { a.setAnglesDegrees(v, a.endAngleDegrees()); }));
    fields.push_back(B::real(
        51, [](const cad::Arc& a) { return a.endAngleDegrees(); },
        [](cad::Arc& a, double v) { a.setAnglesDegrees(a.startAngleDegrees(), v); }, 360.0));
    return entityTable<cad::Arc>("ARC", std::move(fields));
  }();
  return table;
}

const int kThicknessCode[] = {39};

const Table<cad::Ellipse>& ellipseTable() {
  using E = cad::Ellipse;
  using B = Fields<E>;
  static const auto table = entityTable<E>(
      "ELLIPSE",
      {
          B::marker("AcDbEllipse"),
          B::point(
              10, [](const E& e) { return e.centre(); },
              [](E& e, geom::Point3d p) { e.setCentre(p); }),
          B::point(
              11, [](const E& e) { return asPoint(e.majorAxis()); },
              [](E& e, geom::Point3d p) { e.setMajorAxis(asVector(p)); }, {1.0, 0.0, 0.0}),
          // The normal: a reader takes world Z when it is absent.
          B::point(
              210, [](const E& e) { return asPoint(e.normal()); },
              [](E& e, geom::Point3d p) { e.setNormal(asVector(p)); }, {0.0, 0.0, 1.0},
              Presence::Implied),
          B::real(
              40, [](const E& e) { return e.ratio(); }, [](E& e, double v) { e.setRatio(v); }, 1.0),
          B::real(
              41, [](const E& e) { return e.startParam(); },
              [](E& e, double v) { e.setParams(v, e.endParam()); }),
          B::real(
              42, [](const E& e) { return e.endParam(); },
              [](E& e, double v) { e.setParams(e.startParam(), v); }, 2 * std::numbers::pi),
          // An ellipse has no thickness.
          B::claimed(kThicknessCode),
      });
  return table;
}

const Table<cad::Text>& textTable() {
  using X = cad::Text;
  using B = Fields<X>;
  static const auto table = entityTable<X>(
      "TEXT", {
                  B::marker("AcDbText"),
                  thickness<X>(),
                  B::point(
                      10, [](const X& t) { return t.position(); },
                      [](X& t, geom::Point3d p) { t.setPosition(p); }),
                  B::real(
                      40, [](const X& t) { return t.height(); },
                      [](X& t, double v) { t.setHeight(v); }, 2.5),
                  B::text(
                      1, [](const X& t) -> std::string_view { return t.value(); },
                      [](X& t, std::string v) { t.setValue(std::move(v)); }),
                  B::optionalReal(
                      50, [](const X& t) { return t.rotationDegrees(); },
                      [](X& t, double v) { t.setRotationDegrees(v); }),
                  B::optionalReal(
                      41, [](const X& t) { return t.widthFactor(); },
                      [](X& t, double v) { t.setWidthFactor(v); }, 1.0),
                  B::optionalReal(
                      51, [](const X& t) { return t.obliqueDegrees(); },
                      [](X& t, double v) { t.setObliqueDegrees(v); }),
                  B::text(
                      7, [](const X& t) -> std::string_view { return t.style(); },
                      [](X& t, std::string v) { t.setStyle(std::move(v)); }, "STANDARD",
                      Presence::Optional),
                  B::optionalInt(
                      71, [](const X& t) -> std::int64_t { return t.generationFlags(); },
                      [](X& t, int v) { t.setGenerationFlags(v); }),
                  B::optionalInt(
                      72, [](const X& t) -> std::int64_t { return t.horizontalMode(); },
                      [](X& t, int v) { t.setModes(v, t.verticalMode()); }),
                  B::optionalPoint(
                      11, [](const X& t) { return t.alignmentPoint(); },
                      [](X& t, std::optional<geom::Point3d> p) { t.setAlignmentPoint(p); }),
                  extrusionNormal<X>(),
                  // The vertical mode has a subclass group of its own.
                  B::marker("AcDbText"),
                  B::optionalInt(
                      73, [](const X& t) -> std::int64_t { return t.verticalMode(); },
                      [](X& t, int v) { t.setModes(t.horizontalMode(), v); }),
              });
  return table;
}

const Table<cad::BlockReference>& insertTable() {
  using R = cad::BlockReference;
  using B = Fields<R>;
  static const auto table = [] {
    auto t = entityTable<R>("INSERT",
                            {
                                B::marker("AcDbBlockReference"),
                                // Attributes follow (group 66 is read with the record's head).
                                onlyWhere(
                                    B::integer(
                                        66, [](const R&) -> std::int64_t { return 1; }, nullptr),
                                    +[](const R& r) { return !r.attributes().empty(); }),
                                B::text(
                                    2, [](const R& r) -> std::string_view { return r.blockName(); },
                                    [](R& r, std::string v) { r.setBlockName(std::move(v)); }),
                                B::point(
                                    10, [](const R& r) { return r.position(); },
                                    [](R& r, geom::Point3d p) { r.setPosition(p); }),
                                B::optionalReal(
                                    41, [](const R& r) { return r.scale().x; },
                                    [](R& r, double v) {
                                      r.setScale({v, r.scale().y, r.scale().z});
                                    },
                                    1.0),
                                B::optionalReal(
                                    42, [](const R& r) { return r.scale().y; },
                                    [](R& r, double v) {
                                      r.setScale({r.scale().x, v, r.scale().z});
                                    },
                                    1.0),
                                B::optionalReal(
                                    43, [](const R& r) { return r.scale().z; },
                                    [](R& r, double v) {
                                      r.setScale({r.scale().x, r.scale().y, v});
                                    },
                                    1.0),
                                B::optionalReal(
                                    50, [](const R& r) { return r.rotationDegrees(); },
                                    [](R& r, double v) { r.setRotationDegrees(v); }),
                                extrusionNormal<R>(),
                                // Columns and rows of an array insert, which has no model here.
                                kept(consulted(B::integer(70, nullptr, nullptr, 1))),
                                kept(consulted(B::integer(71, nullptr, nullptr, 1))),
                                // Read with the normal, never written: a block reference has no
                                // thickness of its own.
                                Fields<R>::real(39, nullptr,
                                                [](R& r, double v) {
                                                  cad::Extrusion x = r.extrusion();
                                                  x.thickness = v;
                                                  r.setExtrusion(x);
                                                }),
                            });
    t.create = [](const Values& v) -> std::unique_ptr<R> {
      if (v.integer(70) > 1 || v.integer(71) > 1) return nullptr;  // kept whole
      return std::make_unique<R>();
    };
    return t;
  }();
  return table;
}

// POLYLINE: a 2-D or 3-D polyline (meshes are kept whole). Only the elevation of the
// dummy point is the polyline's; its x and y stay as written.
bool is2d(const cad::OldPolyline& p) { return p.kind() == K::Polyline2d; }
bool is3d(const cad::OldPolyline& p) { return p.kind() == K::Polyline3d; }
const cad::Polyline2d* as2d(const cad::OldPolyline& p) {
  return cad::objectCast<const cad::Polyline2d>(&p);
}
cad::Polyline2d* as2d(cad::OldPolyline& p) { return cad::objectCast<cad::Polyline2d>(&p); }

const Table<cad::OldPolyline>& polylineTable() {
  using P = cad::OldPolyline;
  using B = Fields<P>;
  static const auto table = [] {
    auto t = entityTable<P>(
        "POLYLINE",
        {
            B::marker("AcDb2dPolyline", is2d),
            B::marker("AcDb3dPolyline", is3d),
            // Readers take the vertices that follow without it.
            B::integer(
                66, [](const P&) -> std::int64_t { return 1; }, nullptr, 1, Presence::Implied),
            kept(B::real(
                10, [](const P&) { return 0.0; }, nullptr)),
            kept(B::real(
                20, [](const P&) { return 0.0; }, nullptr)),
            B::real(
                30, [](const P& p) { return as2d(p) ? as2d(p)->elevation() : 0.0; },
                [](P& p, double v) {
                  if (auto* p2 = as2d(p)) p2->setElevation(v);
                },
                0.0, Presence::Implied),
            onlyWhere(B::optionalReal(
                          39, [](const P& p) { return as2d(p)->extrusion().thickness; },
                          [](P& p, double v) {
                            if (auto* p2 = as2d(p)) {
                              cad::Extrusion x = p2->extrusion();
                              x.thickness = v;
                              p2->setExtrusion(x);
                            }
                          }),
                      is2d),
            B::integer(
                70, [](const P& p) -> std::int64_t { return p.flags(); },
                [](P& p, int v) { p.setFlags(v); }, 0, Presence::Implied),
            onlyWhere(B::optionalReal(
                          40, [](const P& p) { return as2d(p)->defaultWidths().start; },
                          [](P& p, double v) {
                            if (auto* p2 = as2d(p))
                              p2->setDefaultWidths({v, p2->defaultWidths().end});
                          }),
                      is2d),
            onlyWhere(B::optionalReal(
                          41, [](const P& p) { return as2d(p)->defaultWidths().end; },
                          [](P& p, double v) {
                            if (auto* p2 = as2d(p))
                              p2->setDefaultWidths({p2->defaultWidths().start, v});
                          }),
                      is2d),
            B::optionalInt(
                75, [](const P& p) -> std::int64_t { return p.curveType(); },
                [](P& p, int v) { p.setCurveType(v); }),
            // A 3-D polyline's vertices are in world coordinates: a normal a file gives it
            // means Z.
            B::normal(
                [](const P& p) {
                  return as2d(p) ? asPoint(as2d(p)->extrusion().normal)
                                 : geom::Point3d{0.0, 0.0, 1.0};
                },
                [](P& p, geom::Point3d n) {
                  if (auto* p2 = as2d(p)) {
                    cad::Extrusion x = p2->extrusion();
                    x.normal = asVector(n);
                    p2->setExtrusion(x);
                  }
                }),
        });
    t.create = [](const Values& v) -> std::unique_ptr<P> {
      const int flags = v.integer(70);
      if (flags & (16 | 64)) return nullptr;  // meshes and polyface meshes are not curves
      if (flags & cad::OldPolyline::k3d) return std::make_unique<cad::Polyline3d>();
      return std::make_unique<cad::Polyline2d>();
    };
    return t;
  }();
  return table;
}

const EntityCodec kSimple[] = {
    entityCodec<cad::Line, NoState, lineTable>(K::Line, K::Line),
    entityCodec<cad::PointEntity, NoState, pointTable>(K::Point, K::Point),
    entityCodec<cad::Circle, NoState, circleTable>(K::Circle, K::Circle),
    entityCodec<cad::Arc, NoState, arcTable>(K::Arc, K::Arc),
    entityCodec<cad::Ellipse, NoState, ellipseTable>(K::Ellipse, K::Ellipse),
    entityCodec<cad::Text, NoState, textTable>(K::Text, K::Text),
    entityCodec<cad::BlockReference, NoState, insertTable>(K::BlockReference, K::BlockReference),
    entityCodec<cad::OldPolyline, NoState, polylineTable>(K::Polyline2d, K::Polyline3d),
};

}  // namespace

std::span<const EntityCodec> simpleEntityCodecs() { return kSimple; }

const Table<cad::Entity>& anyEntityTable() {
  static const auto table = entityTable<cad::Entity>("*ENTITY", {});
  return table;
}

// ---- VERTEX of an old-style polyline

const Table<VertexRef>& vertexTable() {
  using V = VertexRef;
  using B = Fields<V>;
  auto flat = +[](const V& v) { return !v.is3d; };
  static const auto table = Table<V>(
      "VERTEX",
      {
          B::handle(),
          B::owner(),
          B::marker("AcDbEntity"),
          // The layer follows the polyline's; the writer puts it in.
          B::text(
              8, [](const V&) -> std::string_view { return "0"; }, nullptr),
          B::marker("AcDbVertex"),
          B::marker("AcDb2dVertex", flat),
          B::marker(
              "AcDb3dPolylineVertex", +[](const V& v) { return v.is3d; }),
          B::point(
              10, [](const V& v) { return v.v->position; },
              [](V& v, geom::Point3d p) { v.v->position = p; }),
          onlyWhere(B::optionalReal(
                        40, [](const V& v) { return v.v->startWidth; },
                        [](V& v, double w) { v.v->startWidth = w; }),
                    flat),
          onlyWhere(B::optionalReal(
                        41, [](const V& v) { return v.v->endWidth; },
                        [](V& v, double w) { v.v->endWidth = w; }),
                    flat),
          onlyWhere(B::optionalReal(
                        42, [](const V& v) { return v.v->bulge; },
                        [](V& v, double b) { v.v->bulge = b; }),
                    flat),
          // A 3-D polyline's vertices say so in their flags.
          B::integer(
              70,
              [](const V& v) -> std::int64_t { return v.is3d ? (v.v->flags | 32) : v.v->flags; },
              [](V& v, int f) { v.v->flags = f; }),
          onlyWhere(B::optionalReal(
                        50, [](const V& v) { return v.v->tangentDegrees; },
                        [](V& v, double a) { v.v->tangentDegrees = a; }),
                    flat),
      });
  return table;
}

}  // namespace dxf::table
