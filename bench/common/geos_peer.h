#pragma once
// The GEOS side of the benchmarks that measure a cut against it: a context that owns the
// geometries made in it, line strings and segments from plan points, and the collector of
// an STRtree query.

#include <geos_c.h>

#include <cstddef>
#include <vector>

#include "platform/geom/vec.h"

namespace bench {

struct Geos {
  GEOSContextHandle_t ctx = GEOS_init_r();
  std::vector<GEOSGeometry*> owned;
  Geos() = default;
  Geos(const Geos&) = delete;
  Geos& operator=(const Geos&) = delete;
  ~Geos() {
    for (GEOSGeometry* g : owned) GEOSGeom_destroy_r(ctx, g);
    GEOS_finish_r(ctx);
  }
  GEOSGeometry* LineString(const geom::Point2d* pts, std::size_t n) {
    GEOSCoordSequence* seq = GEOSCoordSeq_create_r(ctx, static_cast<unsigned>(n), 2);
    for (unsigned i = 0; i < n; ++i) GEOSCoordSeq_setXY_r(ctx, seq, i, pts[i].x, pts[i].y);
    return GEOSGeom_createLineString_r(ctx, seq);
  }
  GEOSGeometry* Segment(geom::Point2d a, geom::Point2d b) {
    const geom::Point2d pts[] = {a, b};
    return LineString(pts, 2);
  }
};

// STRtree query callback: appends the item to the vector of geometries `data` points to.
inline void Collect(void* item, void* data) {
  static_cast<std::vector<const GEOSGeometry*>*>(data)->push_back(
      static_cast<const GEOSGeometry*>(item));
}

}  // namespace bench
