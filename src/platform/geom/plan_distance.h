#pragma once
// Plan (XY) distance from a point to a curve, for picking. Lines, arcs, circles and bulge
// segments are measured exactly; ellipses and splines through a fine polyline, which is
// plenty for deciding what lies under the cursor.

#include "platform/geom/curves.h"
#include "platform/geom/extents.h"

namespace geom {

double planDistance(geom::Point2d p, const geom::Curve& curve);
// 0 inside the box; infinity for an empty box.
double planDistance(geom::Point2d p, const geom::Extents2d& box);

}  // namespace geom
