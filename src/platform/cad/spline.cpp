#include "platform/cad/spline.h"

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
  if (!controlPoints_.empty()) {
    // A clamped curve starts at its first control point; evaluate otherwise.
    const geom::Curve c = curve();
    if (const auto* n = std::get_if<geom::Nurbs>(&c)) {
      if (!n->controlPoints.empty()) return n->controlPoints.front();
    }
  }
  if (!fitPoints_.empty()) return fitPoints_.front();
  return std::nullopt;
}

geom::Curve Spline::curve() const {
  if (!controlPoints_.empty()) {
    return geom::Nurbs{degree_, knots_, controlPoints_, weights_};
  }
  geom::Polyline3d through;
  through.vertices = fitPoints_;
  through.closed = (flags_ & kClosed) != 0;
  return through;
}

Status Spline::fitFromPoints() {
  if (fitPoints_.size() < 2) return Status::InvalidInput;
  return Status::NotSupported;
}

}  // namespace cad
