#pragma once
// SPLINE: a NURBS curve in world coordinates with its fit data.

#include <vector>

#include "platform/cad/entity.h"
#include "platform/cad/ocs.h"

namespace cad {

class Spline final : public CurveEntity {
 public:
  KESTRA_CAD_OBJECT(Spline, Spline)
  static constexpr int kClosed = 1;
  static constexpr int kPeriodic = 2;
  static constexpr int kRational = 4;
  static constexpr int kPlanar = 8;
  static constexpr int kLinear = 16;

  Spline() = default;

  int degree() const { return degree_; }
  int flags() const { return flags_; }
  const std::vector<double>& knots() const { return knots_; }
  const std::vector<geom::Point3d>& controlPoints() const { return controlPoints_; }
  // Empty for a non-rational spline.
  const std::vector<double>& weights() const { return weights_; }
  const std::vector<geom::Point3d>& fitPoints() const { return fitPoints_; }
  std::optional<geom::Vector3d> startTangent() const { return startTangent_; }
  std::optional<geom::Vector3d> endTangent() const { return endTangent_; }
  double knotTolerance() const { return knotTolerance_; }
  double controlTolerance() const { return controlTolerance_; }
  double fitTolerance() const { return fitTolerance_; }
  geom::Vector3d normal() const { return normal_; }

  void setDegree(int d) { degree_ = d, touch(); }
  void setFlags(int f) { flags_ = f, touch(); }
  // The NURBS data as a whole; `weights` empty or as long as `controlPoints`, and
  // knots.size() == controlPoints.size() + degree + 1, else InvalidInput.
  Status setNurbs(int degree, std::vector<double> knots, std::vector<geom::Point3d> controlPoints,
                  std::vector<double> weights);
  void setFitPoints(std::vector<geom::Point3d> points) { fitPoints_ = std::move(points), touch(); }
  void setTangents(std::optional<geom::Vector3d> start, std::optional<geom::Vector3d> end) {
    startTangent_ = start, endTangent_ = end, touch();
  }
  void setTolerances(double knot, double control, double fit) {
    knotTolerance_ = knot, controlTolerance_ = control, fitTolerance_ = fit, touch();
  }
  void setNormal(geom::Vector3d n) { normal_ = n, touch(); }

  // Writes an elevation back. The fit points alone do not decide the curve once control
  // points exist, so both are lifted: every fit point and every control point gets Z.
  void setElevation(double z);
  void setFitPointsZ(double z);
  void setControlPointsZ(double z);

  // Replaces the control data by the cubic through the fit points (chord-length
  // parameters, end tangents when set). InvalidInput without two distinct fit points.
  Status fitFromPoints();

  geom::Curve curve() const override;
  std::optional<geom::Point3d> startPoint() const override;
  Status translate(geom::Vector3d offset) override;

 private:
  Spline(const Spline&) = default;
  int degree_ = 3;
  int flags_ = kPlanar;
  std::vector<double> knots_;
  std::vector<geom::Point3d> controlPoints_;
  std::vector<double> weights_;
  std::vector<geom::Point3d> fitPoints_;
  std::optional<geom::Vector3d> startTangent_, endTangent_;
  double knotTolerance_ = 1e-10;
  double controlTolerance_ = 1e-10;
  double fitTolerance_ = 1e-10;
  geom::Vector3d normal_ = kWorldZ;
};

}  // namespace cad
