#pragma once
// Object coordinate systems by the arbitrary-axis rule of the DXF format. 2-D entities
// (lightweight and old-style 2-D polylines, arcs, circles, texts, block references) keep
// their points in the system of their extrusion normal; the normal (0,0,-1) is the common
// mirrored case: OCS (x, y, z) is world (-x, y, -z).

#include "platform/geom/vec.h"

namespace cad {

class Ocs {
 public:
  // The normal need not be of unit length; a zero normal counts as (0,0,1).
  explicit Ocs(geom::Vector3d normal);

  geom::Point3d toWorld(geom::Point3d p) const;
  geom::Point3d toOcs(geom::Point3d p) const;
  geom::Vector3d toWorld(geom::Vector3d v) const;
  geom::Vector3d toOcs(geom::Vector3d v) const;

  // True when the OCS is world XY (+1) or its mirror (-1); 0 for any other plane.
  int planeSign() const { return sign_; }
  const geom::Vector3d& xAxis() const { return ax_; }
  const geom::Vector3d& yAxis() const { return ay_; }
  const geom::Vector3d& zAxis() const { return az_; }

 private:
  geom::Vector3d ax_, ay_, az_;
  int sign_ = 1;
};

constexpr geom::Vector3d kWorldZ{0.0, 0.0, 1.0};

}  // namespace cad
