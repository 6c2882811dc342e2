#pragma once
// The curve value types of the kernel and the variant that holds any of them.
//
// All curves are given in world coordinates. Plane curves (arcs, circles, ellipses,
// 2-D polylines) lie in a plane parallel to XY; `normalZ` (+1 or -1) says whether they
// run counter-clockwise (+1) or clockwise (-1) seen from +Z, which is how an entity with
// the extrusion (0,0,-1) looks after its object coordinate system has been applied.
// Curves in any other plane are handed over as NURBS (an affine map of a NURBS curve is
// the NURBS curve of the mapped control points, so nothing is lost).
//
// Parameter conventions (also the parameters reported by intersections):
//   LineSeg, BulgeArc  t in [0, 1] from start to end
//   Circle             angle in [0, 2*pi) measured from +X in the curve's running sense
//   CircularArc        angle from startAngle towards endAngle in the running sense,
//                      reported in [startAngle, startAngle + sweep]
//   EllipseArc         the ellipse parameter in [startParam, endParam] (endParam > startParam
//                      after normalisation)
//   Nurbs              the knot parameter
//   Polyline2d/3d      i + t: segment i (from vertex i to vertex i+1, the closing segment
//                      of a closed polyline has i = count - 1), t in [0, 1]

#include <span>
#include <variant>
#include <vector>

#include "platform/geom/vec.h"

namespace geom {

struct LineSeg {
  Point3d start;
  Point3d end;
};

// One segment of a lightweight polyline: from `start` to `end` with the bulge
// tan(included angle / 4), negative for clockwise arcs; 0 is a straight segment.
struct BulgeArc {
  Point2d start;
  Point2d end;
  double bulge = 0.0;
  double z = 0.0;
};

struct Circle {
  Point3d centre;
  double radius = 0.0;
  double normalZ = 1.0;
};

// Angles in radians, measured in world XY from +X; the arc runs from startAngle to
// endAngle counter-clockwise when normalZ > 0 and clockwise when normalZ < 0.
struct CircularArc {
  Point3d centre;
  double radius = 0.0;
  double startAngle = 0.0;
  double endAngle = 0.0;
  double normalZ = 1.0;
};

// As a DXF ELLIPSE: centre and major axis in world coordinates, ratio = minor / major,
// the minor axis is normal x major x ratio with normal (0, 0, normalZ).
struct EllipseArc {
  Point3d centre;
  Vector3d majorAxis;
  double ratio = 1.0;
  double startParam = 0.0;
  double endParam = 6.283185307179586;
  double normalZ = 1.0;
};

// Clamped or unclamped NURBS curve. weights is empty for a non-rational curve.
struct Nurbs {
  int degree = 3;
  std::vector<double> knots;
  std::vector<Point3d> controlPoints;
  std::vector<double> weights;
};

struct PolyVertex {
  Point2d point;
  double bulge = 0.0;  // of the segment that starts at this vertex
};

struct Polyline2d {
  std::vector<PolyVertex> vertices;
  bool closed = false;
  double elevation = 0.0;
};

struct Polyline3d {
  std::vector<Point3d> vertices;
  bool closed = false;
};

// A 2-D polyline whose vertices are stored elsewhere (a drawing entity keeps points and
// bulges apart), so that a contour of many thousand vertices is cut without a copy. Same
// geometry and parameters as the Polyline2d of these vertices; it must not outlive them.
struct PolylineView2d {
  std::span<const Point2d> points;
  std::span<const double> bulges;  // empty when every segment is straight, else one a point
  bool closed = false;
  double elevation = 0.0;

  double bulge(std::size_t i) const { return bulges.empty() ? 0.0 : bulges[i]; }
};

// A closed parameter interval [lo, hi].
struct ParamRange {
  double lo = 0.0;
  double hi = 1.0;
};

using Curve =
    std::variant<LineSeg, BulgeArc, Circle, CircularArc, EllipseArc, Nurbs, Polyline2d, Polyline3d>;

}  // namespace geom
