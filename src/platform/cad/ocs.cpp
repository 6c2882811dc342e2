#include "platform/cad/ocs.h"

#include <cmath>

namespace cad {
namespace {

geom::Vector3d normalised(geom::Vector3d v) {
  const double len = v.length();
  return len > 0.0 ? v / len : kWorldZ;
}

}  // namespace

Ocs::Ocs(geom::Vector3d normal) {
  // Exact axes for the two plane cases keep mirrored coordinates bit for bit.
  if (normal.x == 0.0 && normal.y == 0.0 && normal.z != 0.0) {
    sign_ = normal.z > 0.0 ? 1 : -1;
    az_ = {0.0, 0.0, static_cast<double>(sign_)};
    ax_ = {static_cast<double>(sign_), 0.0, 0.0};
    ay_ = {0.0, 1.0, 0.0};
    return;
  }
  az_ = normalised(normal);
  sign_ = (normal.x == 0.0 && normal.y == 0.0) ? 1 : 0;
  constexpr double kLimit = 1.0 / 64.0;
  if (std::fabs(az_.x) < kLimit && std::fabs(az_.y) < kLimit) {
    ax_ = normalised(geom::cross(geom::Vector3d{0.0, 1.0, 0.0}, az_));
  } else {
    ax_ = normalised(geom::cross(kWorldZ, az_));
  }
  ay_ = normalised(geom::cross(az_, ax_));
  if (sign_ == 1) {  // zero normal: world XY
    az_ = kWorldZ, ax_ = {1.0, 0.0, 0.0}, ay_ = {0.0, 1.0, 0.0};
  }
}

geom::Vector3d Ocs::toWorld(geom::Vector3d v) const { return ax_ * v.x + ay_ * v.y + az_ * v.z; }

geom::Point3d Ocs::toWorld(geom::Point3d p) const {
  const geom::Vector3d v = toWorld(geom::Vector3d{p.x, p.y, p.z});
  return {v.x, v.y, v.z};
}

geom::Vector3d Ocs::toOcs(geom::Vector3d v) const {
  return {geom::dot(v, ax_), geom::dot(v, ay_), geom::dot(v, az_)};
}

geom::Point3d Ocs::toOcs(geom::Point3d p) const {
  const geom::Vector3d v = toOcs(geom::Vector3d{p.x, p.y, p.z});
  return {v.x, v.y, v.z};
}

}  // namespace cad
