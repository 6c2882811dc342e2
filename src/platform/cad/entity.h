#pragma once
// Entities: the properties every entity has, and the curve interface of the entities the
// section cut reads (lines, polylines, arcs, circles, ellipses, splines).

#include <optional>
#include <string>

#include "platform/cad/object.h"
#include "platform/cad/status.h"
#include "platform/geom/curves.h"
#include "platform/geom/extents.h"

namespace cad {

inline constexpr int kColourByBlock = 0;
inline constexpr int kColourByLayer = 256;

class Entity : public Object {
 public:
  static bool matches(ObjectKind k) { return isEntityKind(k); }

  const std::string& layer() const { return layer_; }
  void setLayer(std::string layer) {
    layer_ = std::move(layer);
    touch();
  }
  // ACI colour index: 256 by layer, 0 by block, 1..255 a colour.
  int colour() const { return colour_; }
  void setColour(int colour) {
    colour_ = colour;
    touch();
  }
  // Linetype name as the file gives it; "ByLayer" unless set.
  const std::string& linetype() const { return linetype_; }
  void setLinetype(std::string name) {
    linetype_ = std::move(name);
    touch();
  }
  double linetypeScale() const { return linetypeScale_; }
  void setLinetypeScale(double scale) {
    linetypeScale_ = scale;
    touch();
  }

  // Geometric extents in world coordinates; empty when unknown (an opaque entity without
  // known extents, a block reference: ask the database, which knows the block).
  virtual geom::Extents3d extents() const = 0;
  // Moves the entity; NotSupported for entities the database cannot change.
  virtual Status translate(geom::Vector3d offset) = 0;

 protected:
  Entity() = default;
  Entity(const Entity&) = default;

 private:
  std::string layer_ = "0";
  std::string linetype_ = "ByLayer";
  int colour_ = kColourByLayer;
  double linetypeScale_ = 1.0;
};

class CurveEntity : public Entity {
 public:
  static bool matches(ObjectKind k) { return k <= ObjectKind::Spline; }

  // The entity's geometry in world coordinates. Plane curves parallel to XY come as the
  // kernel's plane types (normalZ -1 for the mirrored OCS); curves in any other plane as
  // NURBS or 3-D polylines.
  virtual geom::Curve curve() const = 0;
  // The first point of the curve in world coordinates (a circle: the point at angle 0 of
  // its OCS); nullopt for an empty polyline.
  virtual std::optional<geom::Point3d> startPoint() const = 0;

  geom::Extents3d extents() const override;

 protected:
  CurveEntity() = default;
  CurveEntity(const CurveEntity&) = default;
};

}  // namespace cad
