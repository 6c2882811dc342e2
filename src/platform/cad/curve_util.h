#pragma once
// Curve helpers the entities share: plane curves in a tilted object coordinate system
// become rational quadratic NURBS (exact for lines, circular and elliptical arcs).

#include <vector>

#include "platform/cad/ocs.h"
#include "platform/geom/curves.h"

namespace cad::detail {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2.0 * kPi;
inline constexpr double kDegree = kPi / 180.0;

double normaliseAngle(double a);  // into [0, 2*pi)

// Builds one degree-2 rational curve from straight and elliptical pieces, each given by
// the affine frame (centre, u, v) of the unit circle it maps.
class QuadraticPath {
 public:
  void lineTo(geom::Point3d from, geom::Point3d to);
  // c + u cos t + v sin t for t from t0 to t1 (t1 > t0, or t1 < t0 for the other sense).
  void arc(geom::Point3d c, geom::Vector3d u, geom::Vector3d v, double t0, double t1);
  geom::Nurbs take();

 private:
  void piece(geom::Point3d a, geom::Point3d b, geom::Point3d c, double wMid);
  geom::Nurbs n_{2, {}, {}, {}};
};

// A 2-D bulge segment of an OCS into `path` (world coordinates).
void addBulgeSegment(QuadraticPath& path, const Ocs& ocs, geom::Point2d a, geom::Point2d b,
                     double bulge, double z);

}  // namespace cad::detail
