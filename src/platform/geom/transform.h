#pragma once
// Affine transformations of points and curves.

#include "platform/geom/curves.h"

namespace geom {

// An affine map p -> A p + t, stored row-major as the 3x4 matrix [A | t].
struct Matrix3d {
  double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};

  static Matrix3d identity() { return {}; }
  static Matrix3d translation(Vector3d v);
  static Matrix3d scaling(double s, Point3d about = {});
  // Rotation about the Z axis through `about`, counter-clockwise seen from +Z.
  static Matrix3d rotationZ(double angle, Point3d about = {});
  // Mirror in the plane x = `x` (what an extrusion of (0,0,-1) does to object coordinates).
  static Matrix3d mirrorX(double x = 0.0);

  Point3d apply(Point3d p) const;
  Vector3d applyVector(Vector3d v) const;
  // This map after `first`: (a * b)(p) = a(b(p)).
  Matrix3d operator*(const Matrix3d& first) const;
  // Keeps planes z = const as such planes and acts on them as a similarity (rotation,
  // uniform scale, optional mirror).
  bool isPlanSimilarity() const;
  // Keeps planes z = const as such planes.
  bool keepsPlanes() const;
  double planDeterminant() const { return m[0][0] * m[1][1] - m[0][1] * m[1][0]; }
};

// The curve moved by v. Exact per coordinate (one addition each); the curve keeps its type.
Curve translated(const Curve& c, Vector3d v);

// The curve under a general affine map. Plane curves keep their type under plan
// similarities (a mirror reverses their sense); under other maps circles and arcs become
// ellipses and, when planes are not kept, NURBS curves (an exact rational form), as do
// 2-D polylines with arc segments.
Curve transformed(const Curve& c, const Matrix3d& m);

}  // namespace geom
