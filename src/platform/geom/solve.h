#pragma once
// Helpers shared by the piece solvers (not a public header).

#include "platform/geom/pieces.h"

namespace geom::detail {

struct Nearest {
  double s = 0.0;
  double dist = 0.0;
};

// The local parameter of the shape point nearest to p.
Nearest nearestOn(const Shape& s, Point2d p);

// Records a hit; parameters within the tolerance of a piece end are snapped to that end
// and the point to the end point (the first operand's end wins).
void addHit(const Shape& a, const Shape& b, double sA, double sB, Point2d p, const Tolerance& tol,
            HitSink& out);

// Hits where an end point of one piece lies on the other.
void endpointHits(const Shape& a, const Shape& b, const Tolerance& tol, HitSink& out);

// Pairs without a closed form.
void solveGeneric(const Shape& a, const Shape& b, const Tolerance& tol, HitSink& out);

}  // namespace geom::detail
