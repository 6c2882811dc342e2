#pragma once
// Lengths along curves. Distances are true 3-D arc lengths measured from the start of the
// parameter range (for plane curves the plan length). Lines and arcs use closed forms,
// ellipses and NURBS adaptive Gauss-Legendre quadrature to about 1e-13 relative.
// Point look-ups are made in plan (XY). For lines, bulge arcs and polylines they are
// worked relative to the segment's start point, where survey coordinates (X ~ 3.5e6)
// subtract exactly, so a point computed elsewhere (an intersection) is found on the
// curve to ~1e-12 and not lost to the rounding of the large coordinates.

#include <optional>

#include "platform/geom/curves.h"
#include "platform/geom/tolerance.h"

namespace geom {

double length(const Curve& c);

// Distance along the curve from its start to the parameter (clamped to the range).
double distanceAtParam(const Curve& c, double param);

// The parameter at a distance from the start; nothing when the distance is negative or
// longer than the curve (by more than the tolerance).
std::optional<double> paramAtDistance(const Curve& c, double dist, const Tolerance& tol = {});
std::optional<Point3d> pointAtDistance(const Curve& c, double dist, const Tolerance& tol = {});

// The parameter of the curve point nearest to p in plan, when that point lies within the
// tolerance of p; nothing otherwise. Where a closed curve passes its start point the
// start parameter is returned.
std::optional<double> paramAtPoint(const Curve& c, Point2d p, const Tolerance& tol = {});

// distanceAtParam(paramAtPoint(...)): the curve distance at a point on the curve.
std::optional<double> distanceAtPoint(const Curve& c, Point2d p, const Tolerance& tol = {});

}  // namespace geom
