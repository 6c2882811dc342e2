#include "ruvo/drawing/entity_ops.h"

#include "platform/geom/nurbs.h"
#include "ruvo/drawing/profile_shapes.h"

namespace ruvo {

namespace {

constexpr int kGb2312Charset = 134;
constexpr int kVariablePitch = 2;
constexpr double kStyleWidthFactor = 0.8;

}  // namespace

cad::ObjectId EnsureLayer(cad::Database& db, std::string_view name) {
  const cad::ObjectId existing = db.layers().getIdAt(name);
  if (!existing.isNull()) {
    // Opened for write only when something is to change: a change of a layer is an undo
    // step's worth and makes the view draw every entity anew.
    {
      auto layer = db.openForRead<cad::Layer>(existing);
      if (!layer || (!layer->isFrozen() && !layer->isOff() && !layer->isFrozenInNewViewports() &&
                     !layer->isLocked()))
        return existing;
    }
    if (auto layer = db.openForWrite<cad::Layer>(existing)) {
      layer->setFrozen(false);
      layer->setOff(false);
      layer->setFrozenInNewViewports(false);
      layer->setLocked(false);
    }
    return existing;
  }
  // A layer's own colour cannot be "by layer"; the new layer gets the plain colour 7.
  auto layer = std::make_unique<cad::Layer>(std::string(name));
  layer->setColour(7);
  const auto added = db.addTableRecord(std::move(layer));
  return added.ok() ? added.value() : cad::ObjectId();
}

cad::ObjectId AppendToModelSpace(cad::Database& db, std::unique_ptr<cad::Entity> entity,
                                 std::string_view layerName) {
  if (!entity) return {};
  entity->setLayer(std::string(layerName));
  entity->setColour(cad::kColourByLayer);
  const auto added = db.appendToModelSpace(std::move(entity));
  return added.ok() ? added.value() : cad::ObjectId();
}

cad::ObjectId EnsureTextStyle(cad::Database& db) {
  const cad::ObjectId existing = db.textStyles().getIdAt(kTextStyle);
  if (!existing.isNull()) return existing;
  auto style = std::make_unique<cad::TextStyle>(kTextStyle);
  style->setTypeface("宋体", false, false, kGb2312Charset, kVariablePitch);
  style->setFontFile("simsun.ttc");
  style->setWidthFactor(kStyleWidthFactor);
  const auto added = db.addTableRecord(std::move(style));
  return added.ok() ? added.value() : cad::ObjectId();
}

cad::ObjectId AddText(cad::Database& db, geom::Point2d position, std::string text, double height,
                      int horizontalMode, int verticalMode, std::string_view layerName) {
  EnsureTextStyle(db);
  auto t = std::make_unique<cad::Text>();
  t->setStyle(kTextStyle);
  t->setValue(std::move(text));
  t->setHeight(height);
  t->setRotationDegrees(0);
  // The texts take the style's narrower characters, as the style's users expect.
  t->setWidthFactor(kStyleWidthFactor);
  const geom::Point3d at{position.x, position.y, 0};
  t->setPosition(at);
  t->setModes(horizontalMode, verticalMode);
  t->setAlignmentPoint(at);
  return AppendToModelSpace(db, std::move(t), layerName);
}

cad::ObjectId AddPolyline(cad::Database& db, std::span<const geom::Point2d> points, double width,
                          std::string_view layerName) {
  if (points.empty()) return {};
  std::vector<cad::LwVertex> vertices;
  vertices.reserve(points.size());
  for (const geom::Point2d& p : points) vertices.push_back({p, 0.0, width, width});
  auto pl = std::make_unique<cad::LwPolyline>();
  pl->setVertices(vertices);
  return AppendToModelSpace(db, std::move(pl), layerName);
}

cad::ObjectId AddSpline(cad::Database& db, std::span<const geom::Point2d> points,
                        std::string_view layerName) {
  if (points.empty()) return {};
  std::vector<geom::Point3d> fit;
  fit.reserve(points.size());
  for (const geom::Point2d& p : points) fit.push_back({p.x, p.y, 0});
  auto spline = std::make_unique<cad::Spline>();
  spline->setDegree(3);
  // The control polygon goes along so that readers that ignore fit points see the curve.
  if (const auto nurbs = geom::interpolateCubic(fit)) {
    spline->setNurbs(nurbs->degree, nurbs->knots, nurbs->controlPoints, nurbs->weights);
  }
  spline->setFitPoints(std::move(fit));
  spline->setTolerances(1e-10, 1e-10, 0.0);
  return AppendToModelSpace(db, std::move(spline), layerName);
}

bool SetLinetype(cad::Database& db, cad::ObjectId entity, std::string_view name,
                 const std::string& linFile) {
  if (!db.linetypes().has(name)) {
    if (linFile.empty()) return false;
    db.loadLinetypes(linFile, name);
    if (!db.linetypes().has(name)) return false;
  }
  auto e = db.openForWrite<cad::Entity>(entity);
  if (!e) return false;
  e->setLinetype(std::string(name));
  return true;
}

}  // namespace ruvo
