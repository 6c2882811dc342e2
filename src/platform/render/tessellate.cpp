#include "platform/render/tessellate.h"

#include <algorithm>
#include <cmath>

#include "platform/geom/bulge.h"
#include "platform/geom/evaluate.h"
#include "platform/geom/nurbs.h"

namespace render {

namespace {

constexpr int kMaxArcSteps = 512;
constexpr int kMaxSplineSteps = 4096;

void sample(const geom::Curve& c, double lo, double hi, int steps,
            std::vector<geom::Point2d>& out) {
  for (int i = out.empty() ? 0 : 1; i <= steps; ++i) {
    const double t = i == steps ? hi : lo + (hi - lo) * i / steps;
    out.push_back(geom::pointAt(c, t).xy());
  }
}

template <class Vertex>
void polylineSegments(const geom::Curve& c, const std::vector<Vertex>& vertices, int segments,
                      double tolerance, std::vector<geom::Point2d>& out) {
  for (int i = 0; i < segments; ++i) {
    int steps = 1;
    if constexpr (std::is_same_v<Vertex, geom::PolyVertex>) {
      const auto& v = vertices[static_cast<std::size_t>(i)];
      const auto& w = vertices[static_cast<std::size_t>(i + 1) % vertices.size()];
      if (v.bulge != 0) {
        steps = arcSteps(geom::bulgeRadius(geom::distance(v.point, w.point), v.bulge),
                         geom::bulgeSweep(v.bulge), tolerance);
      }
    }
    sample(c, i, i + 1, steps, out);
  }
}

}  // namespace

int arcSteps(double radius, double sweep, double tolerance) {
  if (!(radius > 0) || !(tolerance > 0) || !std::isfinite(radius)) return 1;
  const double ratio = 1 - std::min(tolerance / radius, 1.0);
  const double step = 2 * std::acos(ratio);
  if (!(step > 0)) return kMaxArcSteps;
  return std::clamp(static_cast<int>(std::ceil(std::fabs(sweep) / step)), 1, kMaxArcSteps);
}

std::vector<geom::Point2d> tessellate(const geom::Curve& curve, double tolerance) {
  std::vector<geom::Point2d> out;
  const geom::ParamRange range = geom::paramRange(curve);
  std::visit(
      [&](const auto& c) {
        using T = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<T, geom::LineSeg>) {
          out = {c.start.xy(), c.end.xy()};
        } else if constexpr (std::is_same_v<T, geom::BulgeArc>) {
          const int steps =
              c.bulge == 0 ? 1
                           : arcSteps(geom::bulgeRadius(geom::distance(c.start, c.end), c.bulge),
                                      geom::bulgeSweep(c.bulge), tolerance);
          sample(curve, range.lo, range.hi, steps, out);
        } else if constexpr (std::is_same_v<T, geom::Circle> ||
                             std::is_same_v<T, geom::CircularArc>) {
          sample(curve, range.lo, range.hi, arcSteps(c.radius, range.hi - range.lo, tolerance),
                 out);
        } else if constexpr (std::is_same_v<T, geom::EllipseArc>) {
          const double major = c.majorAxis.length();
          sample(curve, range.lo, range.hi, arcSteps(major, range.hi - range.lo, tolerance), out);
        } else if constexpr (std::is_same_v<T, geom::Nurbs>) {
          if (!geom::isValid(c)) return;
          const int spans = static_cast<int>(c.controlPoints.size());
          sample(curve, range.lo, range.hi, std::clamp(spans * 16, 16, kMaxSplineSteps), out);
        } else if constexpr (std::is_same_v<T, geom::Polyline2d>) {
          if (c.vertices.empty()) return;
          if (c.vertices.size() == 1) {
            out.push_back(c.vertices.front().point);
            return;
          }
          polylineSegments(curve, c.vertices, geom::segmentCount(c), tolerance, out);
        } else if constexpr (std::is_same_v<T, geom::Polyline3d>) {
          for (const auto& v : c.vertices) out.push_back(v.xy());
          if (c.closed && c.vertices.size() > 2) out.push_back(c.vertices.front().xy());
        }
      },
      curve);
  return out;
}

}  // namespace render
