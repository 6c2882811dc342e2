#include "platform/cad/spline.h"

#include "platform/geom/evaluate.h"
#include "platform/geom/nurbs.h"

namespace cad {

Status Spline::setNurbs(int degree, std::vector<double> knots,
                        std::vector<geom::Point3d> controlPoints, std::vector<double> weights) {
  if (degree < 1 || controlPoints.size() < static_cast<std::size_t>(degree) + 1 ||
      knots.size() != controlPoints.size() + static_cast<std::size_t>(degree) + 1 ||
      (!weights.empty() && weights.size() != controlPoints.size())) {
    return Status::InvalidInput;
  }
  degree_ = degree;
  knots_ = std::move(knots);
  controlPoints_ = std::move(controlPoints);
  weights_ = std::move(weights);
  flags_ = weights_.empty() ? flags_ & ~kRational : flags_ | kRational;
  touch();
  return Status::Ok;
}

void Spline::setFitPointsZ(double z) {
  for (auto& p : fitPoints_) p.z = z;
  touch();
}

void Spline::setControlPointsZ(double z) {
  for (auto& p : controlPoints_) p.z = z;
  touch();
}

void Spline::setElevation(double z) {
  setFitPointsZ(z);
  setControlPointsZ(z);
}

Status Spline::translate(geom::Vector3d d) {
  for (auto& p : controlPoints_) p = p + d;
  for (auto& p : fitPoints_) p = p + d;
  touch();
  return Status::Ok;
}

std::optional<geom::Point3d> Spline::startPoint() const {
  if (controlPoints_.empty() && fitPoints_.empty()) return std::nullopt;
  return geom::startPoint(curve());
}

geom::Curve Spline::curve() const {
  if (!controlPoints_.empty()) return geom::Nurbs{degree_, knots_, controlPoints_, weights_};
  // A spline given by fit points alone (as newer files may store it) is the cubic the
  // hosts build through them.
  if (auto n = geom::interpolateCubic(fitPoints_, startTangent_, endTangent_)) return *n;
  return geom::Polyline3d{fitPoints_, false};
}

Status Spline::fitFromPoints() {
  std::optional<geom::Nurbs> n = geom::interpolateCubic(fitPoints_, startTangent_, endTangent_);
  if (!n) return Status::InvalidInput;
  return setNurbs(n->degree, std::move(n->knots), std::move(n->controlPoints),
                  std::move(n->weights));
}

}  // namespace cad
