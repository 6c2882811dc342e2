#pragma once
// Points, derivatives and parameter ranges of any curve, in the parameter conventions of
// curves.h.

#include "platform/geom/curves.h"

namespace geom {

// The curve's parameter interval. An empty polyline or an invalid NURBS gives [0, 0].
ParamRange paramRange(const Curve& c);

// Circles, full ellipses, closed polylines and NURBS whose ends meet exactly.
bool isClosed(const Curve& c);

// The point at a parameter (clamped to the range). The range ends give the stored end
// points exactly: a polyline's vertex i is returned bit for bit at parameter i.
Point3d pointAt(const Curve& c, double param);
// The same without wrapping a (possibly long) polyline into a Curve.
Point3d pointAt(const Polyline2d& p, double param);
Point3d pointAt(const Polyline3d& p, double param);
Point3d pointAt(const PolylineView2d& p, double param);
Point3d startPoint(const Curve& c);
Point3d endPoint(const Curve& c);

// First derivative with respect to the parameter (at a polyline vertex: of the segment
// that starts there, or of the last segment at the end).
Vector3d derivativeAt(const Curve& c, double param);

// Number of segments of a polyline (a closed one has one more than an open one).
int segmentCount(const Polyline2d& p);
int segmentCount(const Polyline3d& p);
int segmentCount(const PolylineView2d& p);

}  // namespace geom
