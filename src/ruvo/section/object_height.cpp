// Elevations of drawing objects: what the cut reads and what a typed elevation writes.

#include "ruvo/section/get_data.h"

namespace ruvo {

std::optional<double> ObjectElevation(const cad::Entity& object) {
  using cad::ObjectKind;
  switch (object.kind()) {
    case ObjectKind::LwPolyline:
      return static_cast<const cad::LwPolyline&>(object).elevation();
    case ObjectKind::Spline: {
      // A spline stored by its fit points alone is the cubic through them, whose first
      // control point is its first fit point.
      const auto& spline = static_cast<const cad::Spline&>(object);
      if (!spline.controlPoints().empty()) return spline.controlPoints().front().z;
      if (!spline.fitPoints().empty()) return spline.fitPoints().front().z;
      return std::nullopt;
    }
    case ObjectKind::Line:
      return static_cast<const cad::Line&>(object).start().z;
    case ObjectKind::Polyline2d:
      return static_cast<const cad::Polyline2d&>(object).elevation();
    case ObjectKind::Polyline3d:
    case ObjectKind::Arc:
    case ObjectKind::Ellipse: {
      auto start = static_cast<const cad::CurveEntity&>(object).startPoint();
      if (!start) return std::nullopt;
      return start->z;
    }
    case ObjectKind::Circle:
      return static_cast<const cad::Circle&>(object).centre().z;
    default:
      return std::nullopt;
  }
}

namespace {

void SetZ(std::vector<geom::Point3d>& points, double z) {
  for (geom::Point3d& p : points) p.z = z;
}

// The cut reads a spline's elevation from its first control point, so the control points
// take the elevation as well as the fit points; otherwise the written elevation would
// never be read back, and a spline without fit points would not change at all. A spline
// stored by its fit points alone keeps it that way: its fit points carry the elevation.
void AssignSplineHeight(cad::Spline& spline, double height) {
  if (!spline.controlPoints().empty()) {
    std::vector<geom::Point3d> controls = spline.controlPoints();
    SetZ(controls, height);
    spline.setNurbs(spline.degree(), spline.knots(), std::move(controls), spline.weights());
  }
  if (!spline.fitPoints().empty()) {
    std::vector<geom::Point3d> fit = spline.fitPoints();
    SetZ(fit, height);
    spline.setFitPoints(std::move(fit));
  }
}

}  // namespace

bool AssignHeightToObject(cad::Entity& object, double height) {
  using cad::ObjectKind;
  switch (object.kind()) {
    case ObjectKind::LwPolyline:
      static_cast<cad::LwPolyline&>(object).setElevation(height);
      return true;
    case ObjectKind::Spline:
      AssignSplineHeight(static_cast<cad::Spline&>(object), height);
      return true;
    case ObjectKind::Line:
      static_cast<cad::Line&>(object).setZ(height);
      return true;
    case ObjectKind::Polyline2d:
      static_cast<cad::Polyline2d&>(object).setElevation(height);
      return true;
    case ObjectKind::Polyline3d:
      static_cast<cad::Polyline3d&>(object).setAllZ(height);
      return true;
    case ObjectKind::Arc:
      static_cast<cad::Arc&>(object).setCentreZ(height);
      return true;
    case ObjectKind::Ellipse:
      static_cast<cad::Ellipse&>(object).setCentreZ(height);
      return true;
    case ObjectKind::Circle:
      static_cast<cad::Circle&>(object).setCentreZ(height);
      return true;
    default:
      return false;
  }
}

}  // namespace ruvo
