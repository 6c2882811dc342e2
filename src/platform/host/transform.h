#pragma once
// An affine map of space as a drag callback hands it back: p' = M p + t.

#include "platform/geom/vec.h"

namespace host {

struct Transform {
  double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  geom::Vector3d t;

  static Transform translation(geom::Vector3d v) {
    Transform x;
    x.t = v;
    return x;
  }
  bool isTranslation() const {
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        if (m[i][j] != (i == j ? 1.0 : 0.0)) return false;
      }
    }
    return true;
  }
  geom::Point3d apply(geom::Point3d p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + t.x,
            m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + t.y,
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + t.z};
  }
};

}  // namespace host
