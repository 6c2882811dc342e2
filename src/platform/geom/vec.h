#pragma once
// Plane and space points and vectors of the geometry kernel.
//
// Points and vectors are separate types so that the compiler catches "point + point".
// Everything is a plain aggregate; no invariants.

#include <cmath>

namespace geom {

struct Vector2d {
  double x = 0.0;
  double y = 0.0;

  constexpr Vector2d operator+(Vector2d o) const { return {x + o.x, y + o.y}; }
  constexpr Vector2d operator-(Vector2d o) const { return {x - o.x, y - o.y}; }
  constexpr Vector2d operator-() const { return {-x, -y}; }
  constexpr Vector2d operator*(double s) const { return {x * s, y * s}; }
  constexpr Vector2d operator/(double s) const { return {x / s, y / s}; }
  constexpr bool operator==(const Vector2d&) const = default;
  double length() const { return std::hypot(x, y); }
  constexpr double lengthSquared() const { return x * x + y * y; }
};

constexpr double dot(Vector2d a, Vector2d b) { return a.x * b.x + a.y * b.y; }
// z component of the cross product: > 0 when b turns counter-clockwise from a.
constexpr double cross(Vector2d a, Vector2d b) { return a.x * b.y - a.y * b.x; }
constexpr Vector2d perp(Vector2d a) { return {-a.y, a.x}; }

struct Point2d {
  double x = 0.0;
  double y = 0.0;

  constexpr Point2d operator+(Vector2d v) const { return {x + v.x, y + v.y}; }
  constexpr Point2d operator-(Vector2d v) const { return {x - v.x, y - v.y}; }
  constexpr Vector2d operator-(Point2d o) const { return {x - o.x, y - o.y}; }
  constexpr bool operator==(const Point2d&) const = default;
};

inline double distance(Point2d a, Point2d b) { return std::hypot(a.x - b.x, a.y - b.y); }
constexpr Point2d midpoint(Point2d a, Point2d b) { return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5}; }

struct Vector3d {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  constexpr Vector3d operator+(Vector3d o) const { return {x + o.x, y + o.y, z + o.z}; }
  constexpr Vector3d operator-(Vector3d o) const { return {x - o.x, y - o.y, z - o.z}; }
  constexpr Vector3d operator-() const { return {-x, -y, -z}; }
  constexpr Vector3d operator*(double s) const { return {x * s, y * s, z * s}; }
  constexpr Vector3d operator/(double s) const { return {x / s, y / s, z / s}; }
  constexpr bool operator==(const Vector3d&) const = default;
  double length() const { return std::sqrt(x * x + y * y + z * z); }
  constexpr Vector2d xy() const { return {x, y}; }
};

constexpr double dot(Vector3d a, Vector3d b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Vector3d cross(Vector3d a, Vector3d b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Point3d {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  constexpr Point3d operator+(Vector3d v) const { return {x + v.x, y + v.y, z + v.z}; }
  constexpr Point3d operator-(Vector3d v) const { return {x - v.x, y - v.y, z - v.z}; }
  constexpr Vector3d operator-(Point3d o) const { return {x - o.x, y - o.y, z - o.z}; }
  constexpr bool operator==(const Point3d&) const = default;
  constexpr Point2d xy() const { return {x, y}; }
};

constexpr Point3d withZ(Point2d p, double z) { return {p.x, p.y, z}; }

}  // namespace geom
