#pragma once
// Plane angles.

#include <numbers>

#include "platform/geom/vec.h"

namespace geom {

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The angle a brought into [0, 2*pi).
double normalizeAngle(double a);

// Direction of the plan line p->q in radians, counter-clockwise from +X, in [0, 2*pi).
// Coincident points give 0. Z never enters.
double planAngle(Point2d p, Point2d q);

}  // namespace geom
