#pragma once
// Curves of the kernel as point runs for painting, within a chordal tolerance.

#include <vector>

#include "platform/geom/curves.h"

namespace render {

// The curve's points in world XY, from start to end; a closed curve repeats its first
// point at the end. `tolerance` is the largest distance allowed between the curve and the
// chords (world units, > 0).
std::vector<geom::Point2d> tessellate(const geom::Curve& curve, double tolerance);

// The number of chords that keeps an arc of the given radius and sweep within tolerance.
int arcSteps(double radius, double sweep, double tolerance);

}  // namespace render
