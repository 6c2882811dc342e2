#pragma once
// Tight geometric extents of curves: arcs and ellipses include exactly their extreme
// points, NURBS curves are bounded by the curve itself (to about 1e-12 of their size),
// not by their control points.

#include "platform/geom/curves.h"
#include "platform/geom/extents.h"

namespace geom {

Extents3d extents(const Curve& c);

// The plan box of the arc from p0 to p1 with the given bulge.
Extents2d bulgeExtents(Point2d p0, Point2d p1, double bulge);

}  // namespace geom
