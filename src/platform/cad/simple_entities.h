#pragma once
// Lines, arcs, circles, ellipses and points.

#include "platform/cad/entity.h"
#include "platform/cad/ocs.h"

namespace cad {

// Thickness and extrusion normal, which these entities share with 2-D entities.
struct Extrusion {
  geom::Vector3d normal = kWorldZ;
  double thickness = 0.0;
};

class Line final : public CurveEntity {
 public:
  KESTRA_CAD_OBJECT(Line, Line)
  Line() = default;
  Line(geom::Point3d start, geom::Point3d end) : start_(start), end_(end) {}

  // World coordinates.
  geom::Point3d start() const { return start_; }
  geom::Point3d end() const { return end_; }
  void setStart(geom::Point3d p) { start_ = p, touch(); }
  void setEnd(geom::Point3d p) { end_ = p, touch(); }
  const Extrusion& extrusion() const { return extrusion_; }
  void setExtrusion(const Extrusion& e) { extrusion_ = e, touch(); }
  // Writes an elevation back: Z of both end points.
  void setZ(double z) { start_.z = z, end_.z = z, touch(); }

  geom::Curve curve() const override;
  std::optional<geom::Point3d> startPoint() const override { return start_; }
  Status translate(geom::Vector3d offset) override;

 private:
  Line(const Line&) = default;
  geom::Point3d start_, end_;
  Extrusion extrusion_;
};

// Centre in OCS coordinates (as the file stores it); angles in degrees as the file stores
// them, counter-clockwise about the normal.
class Arc final : public CurveEntity {
 public:
  KESTRA_CAD_OBJECT(Arc, Arc)
  Arc() = default;

  geom::Point3d ocsCentre() const { return centre_; }
  void setOcsCentre(geom::Point3d c) { centre_ = c, touch(); }
  double radius() const { return radius_; }
  void setRadius(double r) { radius_ = r, touch(); }
  double startAngleDegrees() const { return startAngle_; }
  double endAngleDegrees() const { return endAngle_; }
  void setAnglesDegrees(double start, double end) { startAngle_ = start, endAngle_ = end, touch(); }
  const Extrusion& extrusion() const { return extrusion_; }
  void setExtrusion(const Extrusion& e) { extrusion_ = e, touch(); }

  geom::Point3d centre() const;    // world
  void setCentreZ(double worldZ);  // writes an elevation back
  std::optional<geom::Point3d> endPoint() const;

  geom::Curve curve() const override;
  std::optional<geom::Point3d> startPoint() const override;
  Status translate(geom::Vector3d offset) override;

 private:
  Arc(const Arc&) = default;
  geom::Point3d centre_;
  double radius_ = 0.0;
  double startAngle_ = 0.0;
  double endAngle_ = 360.0;
  Extrusion extrusion_;
};

class Circle final : public CurveEntity {
 public:
  KESTRA_CAD_OBJECT(Circle, Circle)
  Circle() = default;

  geom::Point3d ocsCentre() const { return centre_; }
  void setOcsCentre(geom::Point3d c) { centre_ = c, touch(); }
  double radius() const { return radius_; }
  void setRadius(double r) { radius_ = r, touch(); }
  const Extrusion& extrusion() const { return extrusion_; }
  void setExtrusion(const Extrusion& e) { extrusion_ = e, touch(); }

  geom::Point3d centre() const;    // world
  void setCentreZ(double worldZ);  // writes an elevation back

  geom::Curve curve() const override;
  std::optional<geom::Point3d> startPoint() const override;
  Status translate(geom::Vector3d offset) override;

 private:
  Circle(const Circle&) = default;
  geom::Point3d centre_;
  double radius_ = 0.0;
  Extrusion extrusion_;
};

// As the file stores it: centre and major axis in world coordinates, ratio minor/major,
// parameters in radians, the normal of its plane.
class Ellipse final : public CurveEntity {
 public:
  KESTRA_CAD_OBJECT(Ellipse, Ellipse)
  Ellipse() = default;

  geom::Point3d centre() const { return centre_; }
  void setCentre(geom::Point3d c) { centre_ = c, touch(); }
  void setCentreZ(double z) { centre_.z = z, touch(); }
  geom::Vector3d majorAxis() const { return majorAxis_; }
  void setMajorAxis(geom::Vector3d v) { majorAxis_ = v, touch(); }
  double ratio() const { return ratio_; }
  void setRatio(double r) { ratio_ = r, touch(); }
  double startParam() const { return startParam_; }
  double endParam() const { return endParam_; }
  void setParams(double start, double end) { startParam_ = start, endParam_ = end, touch(); }
  geom::Vector3d normal() const { return normal_; }
  void setNormal(geom::Vector3d n) { normal_ = n, touch(); }

  geom::Point3d pointAt(double param) const;
  geom::Curve curve() const override;
  std::optional<geom::Point3d> startPoint() const override { return pointAt(startParam_); }
  Status translate(geom::Vector3d offset) override;

 private:
  Ellipse(const Ellipse&) = default;
  geom::Point3d centre_;
  geom::Vector3d majorAxis_{1.0, 0.0, 0.0};
  double ratio_ = 1.0;
  double startParam_ = 0.0;
  double endParam_ = 6.283185307179586;
  geom::Vector3d normal_ = kWorldZ;
};

// POINT: position in world coordinates.
class PointEntity final : public Entity {
 public:
  KESTRA_CAD_OBJECT(PointEntity, Point)
  PointEntity() = default;
  explicit PointEntity(geom::Point3d p) : position_(p) {}

  geom::Point3d position() const { return position_; }
  void setPosition(geom::Point3d p) { position_ = p, touch(); }
  const Extrusion& extrusion() const { return extrusion_; }
  void setExtrusion(const Extrusion& e) { extrusion_ = e, touch(); }
  double xAxisAngleDegrees() const { return angle_; }
  void setXAxisAngleDegrees(double a) { angle_ = a, touch(); }

  geom::Extents3d extents() const override;
  Status translate(geom::Vector3d offset) override;

 private:
  PointEntity(const PointEntity&) = default;
  geom::Point3d position_;
  Extrusion extrusion_;
  double angle_ = 0.0;
};

}  // namespace cad
