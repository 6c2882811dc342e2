// Tags of database objects as a fresh writer produces them. Every modelled field is
// produced, fields at their default value marked optional, so that the same list serves
// both new records and the rewrite of changed ones.

#include <cmath>
#include <cstdio>

#include "platform/cad/database.h"
#include "platform/dxf/record_codec.h"
#include "platform/win/utf8.h"

namespace dxf {
namespace {

bool isWorldZ(const geom::Vector3d& n) { return n.x == 0.0 && n.y == 0.0 && n.z == 1.0; }

void normalTags(OutTags& out, const geom::Vector3d& n) {
  auto m = out.mark();
  out.vector(210, n);
  out.optionalSince(m, isWorldZ(n));
}

void optionalReal(OutTags& out, int code, double value, double fallback) {
  out.real(code, value);
  out.tags.back().optional = value == fallback;
}

void optionalInt(OutTags& out, int code, std::int64_t value, std::int64_t fallback) {
  out.integer(code, value);
  out.tags.back().optional = value == fallback;
}

void marker(const EncodeContext& ctx, OutTags& out, std::string_view name) {
  if (!ctx.r12) out.subclass(name);
}

void commonHead(const cad::Entity& e, const EncodeContext& ctx, OutTags& out) {
  if (ctx.handles) out.handle(5, e.id().handle());
  if (!ctx.r12) out.handle(330, ctx.ownerOf);
  marker(ctx, out, "AcDbEntity");
  out.text(8, e.layer());
  out.text(6, e.linetype());
  out.tags.back().optional = win::equalsIgnoreAsciiCase(e.linetype(), "ByLayer");
  optionalInt(out, 62, e.colour(), cad::kColourByLayer);
  optionalReal(out, 48, e.linetypeScale(), 1.0);
}

void encodeLwPolyline(const cad::LwPolyline& p, const EncodeContext& ctx, OutTags& out) {
  marker(ctx, out, "AcDbPolyline");
  out.integer(90, static_cast<std::int64_t>(p.vertexCount()));
  out.integer(70, p.flags());
  if (p.constantWidth()) out.real(43, *p.constantWidth());
  optionalReal(out, 38, p.elevation(), 0.0);
  optionalReal(out, 39, p.extrusion().thickness, 0.0);
  // Widths and bulges at zero are optional rather than left out, so that a rewrite keeps
  // the zeros a file spelled out.
  for (std::size_t i = 0; i < p.vertexCount(); ++i) {
    out.point2(10, p.pointAt(i));
    optionalReal(out, 40, p.hasWidths() ? p.widthsAt(i).start : 0.0, p.hasWidths() ? NAN : 0.0);
    optionalReal(out, 41, p.hasWidths() ? p.widthsAt(i).end : 0.0, p.hasWidths() ? NAN : 0.0);
    optionalReal(out, 42, p.bulgeAt(i), 0.0);
  }
  normalTags(out, p.extrusion().normal);
}

void encodeSpline(const cad::Spline& s, const EncodeContext& ctx, OutTags& out) {
  marker(ctx, out, "AcDbSpline");
  normalTags(out, s.normal());
  out.integer(70, s.flags());
  out.integer(71, s.degree());
  out.integer(72, static_cast<std::int64_t>(s.knots().size()));
  out.integer(73, static_cast<std::int64_t>(s.controlPoints().size()));
  out.integer(74, static_cast<std::int64_t>(s.fitPoints().size()));
  // Counts follow from the lists themselves; a file that left them out keeps without.
  out.impliedSince(out.mark() - 3, true);
  optionalReal(out, 42, s.knotTolerance(), 1e-10);
  optionalReal(out, 43, s.controlTolerance(), 1e-10);
  optionalReal(out, 44, s.fitTolerance(), 1e-10);
  if (s.startTangent()) out.vector(12, *s.startTangent());
  if (s.endTangent()) out.vector(13, *s.endTangent());
  for (double k : s.knots()) out.real(40, k);
  for (double w : s.weights()) out.real(41, w);
  for (const auto& p : s.controlPoints()) out.point(10, p);
  for (const auto& p : s.fitPoints()) out.point(11, p);
}

void encodeText(const cad::Text& t, const EncodeContext& ctx, OutTags& out) {
  marker(ctx, out, "AcDbText");
  optionalReal(out, 39, t.extrusion().thickness, 0.0);
  out.point(10, t.position());
  out.real(40, t.height());
  out.text(1, t.value());
  optionalReal(out, 50, t.rotationDegrees(), 0.0);
  optionalReal(out, 41, t.widthFactor(), 1.0);
  optionalReal(out, 51, t.obliqueDegrees(), 0.0);
  out.text(7, t.style());
  out.tags.back().optional = win::equalsIgnoreAsciiCase(t.style(), "Standard");
  optionalInt(out, 71, t.generationFlags(), 0);
  optionalInt(out, 72, t.horizontalMode(), 0);
  if (t.alignmentPoint()) out.point(11, *t.alignmentPoint());
  normalTags(out, t.extrusion().normal);
  marker(ctx, out, "AcDbText");
  optionalInt(out, 73, t.verticalMode(), 0);
}

void encodeOldPolyline(const cad::OldPolyline& p, const EncodeContext& ctx, OutTags& out) {
  const auto* p2 = cad::objectCast<const cad::Polyline2d>(&p);
  marker(ctx, out, p2 ? "AcDb2dPolyline" : "AcDb3dPolyline");
  out.integer(66, 1);
  out.tags.back().implied = true;  // readers take the vertices that follow without it
  out.point(10, {0.0, 0.0, p2 ? p2->elevation() : 0.0});
  if (p2) optionalReal(out, 39, p2->extrusion().thickness, 0.0);
  out.integer(70, p.flags());
  out.tags.back().implied = p.flags() == 0;
  if (p2) {
    optionalReal(out, 40, p2->defaultWidths().start, 0.0);
    optionalReal(out, 41, p2->defaultWidths().end, 0.0);
  }
  optionalInt(out, 75, p.curveType(), 0);
  // A 3D polyline's vertices are in world coordinates: a normal a file gives it means Z.
  normalTags(out, p2 ? p2->extrusion().normal : geom::Vector3d{0.0, 0.0, 1.0});
}

}  // namespace

std::string handleText(cad::Handle h) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(h));
  return buffer;
}

void encodeEntity(const cad::Entity& e, const EncodeContext& ctx, std::string& type, OutTags& out) {
  commonHead(e, ctx, out);
  using K = cad::ObjectKind;
  switch (e.kind()) {
    case K::Line: {
      const auto& l = static_cast<const cad::Line&>(e);
      type = "LINE";
      marker(ctx, out, "AcDbLine");
      optionalReal(out, 39, l.extrusion().thickness, 0.0);
      out.point(10, l.start());
      out.point(11, l.end());
      normalTags(out, l.extrusion().normal);
      return;
    }
    case K::Point: {
      const auto& p = static_cast<const cad::PointEntity&>(e);
      type = "POINT";
      marker(ctx, out, "AcDbPoint");
      out.point(10, p.position());
      optionalReal(out, 39, p.extrusion().thickness, 0.0);
      normalTags(out, p.extrusion().normal);
      optionalReal(out, 50, p.xAxisAngleDegrees(), 0.0);
      return;
    }
    case K::Circle:
    case K::Arc: {
      const bool arc = e.kind() == K::Arc;
      const auto* a = arc ? &static_cast<const cad::Arc&>(e) : nullptr;
      const auto* c = arc ? nullptr : &static_cast<const cad::Circle&>(e);
      type = arc ? "ARC" : "CIRCLE";
      marker(ctx, out, "AcDbCircle");
      const cad::Extrusion& x = arc ? a->extrusion() : c->extrusion();
      optionalReal(out, 39, x.thickness, 0.0);
      out.point(10, arc ? a->ocsCentre() : c->ocsCentre());
      out.real(40, arc ? a->radius() : c->radius());
      normalTags(out, x.normal);
      if (arc) {
        marker(ctx, out, "AcDbArc");
        out.real(50, a->startAngleDegrees());
        out.real(51, a->endAngleDegrees());
      }
      return;
    }
    case K::Ellipse: {
      const auto& el = static_cast<const cad::Ellipse&>(e);
      type = "ELLIPSE";
      marker(ctx, out, "AcDbEllipse");
      out.point(10, el.centre());
      out.vector(11, el.majorAxis());
      auto normal = out.mark();
      out.vector(210, el.normal());
      out.impliedSince(normal, isWorldZ(el.normal()));
      out.real(40, el.ratio());
      out.real(41, el.startParam());
      out.real(42, el.endParam());
      return;
    }
    case K::LwPolyline:
      type = "LWPOLYLINE";
      encodeLwPolyline(static_cast<const cad::LwPolyline&>(e), ctx, out);
      return;
    case K::Spline:
      type = "SPLINE";
      encodeSpline(static_cast<const cad::Spline&>(e), ctx, out);
      return;
    case K::Text:
      type = "TEXT";
      encodeText(static_cast<const cad::Text&>(e), ctx, out);
      return;
    case K::BlockReference: {
      const auto& r = static_cast<const cad::BlockReference&>(e);
      type = "INSERT";
      marker(ctx, out, "AcDbBlockReference");
      if (!r.attributes().empty()) out.integer(66, 1);
      out.text(2, r.blockName());
      out.point(10, r.position());
      optionalReal(out, 41, r.scale().x, 1.0);
      optionalReal(out, 42, r.scale().y, 1.0);
      optionalReal(out, 43, r.scale().z, 1.0);
      optionalReal(out, 50, r.rotationDegrees(), 0.0);
      normalTags(out, r.extrusion().normal);
      return;
    }
    case K::Polyline2d:
    case K::Polyline3d:
      type = "POLYLINE";
      encodeOldPolyline(static_cast<const cad::OldPolyline&>(e), ctx, out);
      return;
    default:
      type = static_cast<const cad::OpaqueEntity&>(e).typeName();
      return;
  }
}

void encodeVertex(const cad::PolylineVertex& v, bool is3d, const EncodeContext& ctx,
                  cad::Handle handle, OutTags& out) {
  if (ctx.handles) out.handle(5, handle);
  if (!ctx.r12) out.handle(330, ctx.ownerOf);
  marker(ctx, out, "AcDbEntity");
  // The layer follows the polyline's; the caller replaces this placeholder.
  out.text(8, "0");
  marker(ctx, out, "AcDbVertex");
  marker(ctx, out, is3d ? "AcDb3dPolylineVertex" : "AcDb2dVertex");
  out.point(10, v.position);
  if (!is3d) {
    optionalReal(out, 40, v.startWidth, 0.0);
    optionalReal(out, 41, v.endWidth, 0.0);
    optionalReal(out, 42, v.bulge, 0.0);
  }
  out.integer(70, is3d ? (v.flags | 32) : v.flags);
  if (!is3d) optionalReal(out, 50, v.tangentDegrees, 0.0);
}

void encodeTableRecord(const cad::TableRecord& record, const EncodeContext& ctx, std::string& type,
                       OutTags& out) {
  if (ctx.handles) out.handle(5, record.id().handle());
  if (!ctx.r12) out.handle(330, ctx.ownerOf);
  marker(ctx, out, "AcDbSymbolTableRecord");
  using K = cad::ObjectKind;
  switch (record.kind()) {
    case K::Layer: {
      const auto& l = static_cast<const cad::Layer&>(record);
      type = "LAYER";
      marker(ctx, out, "AcDbLayerTableRecord");
      out.text(2, l.name());
      out.integer(70, l.flags());
      out.integer(62, l.isOff() ? -l.colour() : l.colour());
      out.text(6, l.linetype());
      if (!ctx.r12) {
        optionalInt(out, 290, l.isPlottable() ? 1 : 0, 1);
        out.integer(370, -3);
        out.tags.back().optional = true;
      }
      return;
    }
    case K::TextStyle: {
      const auto& s = static_cast<const cad::TextStyle&>(record);
      type = "STYLE";
      marker(ctx, out, "AcDbTextStyleTableRecord");
      out.text(2, s.name());
      out.integer(70, s.flags());
      out.real(40, s.fixedHeight());
      out.real(41, s.widthFactor());
      out.real(50, s.obliqueDegrees());
      out.integer(71, s.generationFlags());
      out.real(42, s.lastHeight());
      out.text(3, s.fontFile());
      out.text(4, s.bigFontFile());
      return;
    }
    case K::Linetype: {
      const auto& lt = static_cast<const cad::Linetype&>(record);
      type = "LTYPE";
      marker(ctx, out, "AcDbLinetypeTableRecord");
      out.text(2, lt.name());
      out.integer(70, lt.flags());
      out.text(3, lt.description());
      out.integer(72, 65);
      out.integer(73, static_cast<std::int64_t>(lt.pattern().size()));
      out.real(40, lt.patternLength());
      for (double dash : lt.pattern()) {
        out.real(49, dash);
        if (!ctx.r12) out.integer(74, 0);
      }
      return;
    }
    case K::BlockRecord:
      type = "BLOCK_RECORD";
      marker(ctx, out, "AcDbBlockTableRecord");
      out.text(2, record.name());
      return;
    default:
      type = "";
      return;
  }
}

void encodeBlockBegin(const cad::BlockRecord& block, const EncodeContext& ctx, cad::Handle handle,
                      OutTags& out) {
  if (ctx.handles) out.handle(5, handle);
  if (!ctx.r12) out.handle(330, block.id().handle());
  marker(ctx, out, "AcDbEntity");
  out.text(8, "0");
  marker(ctx, out, "AcDbBlockBegin");
  out.text(2, block.name());
  out.integer(70, block.flags());
  out.point(10, block.basePoint());
  out.text(3, block.name());
  out.text(1, "");
}

}  // namespace dxf
