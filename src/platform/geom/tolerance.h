#pragma once
// The tolerance that kernel operations take explicitly.

namespace geom {

struct Tolerance {
  // Points closer than this (in drawing units) are the same point: a curve passing within
  // it of another touches it, an end point within it of a curve lies on the curve.
  double distance = 1e-9;
};

}  // namespace geom
