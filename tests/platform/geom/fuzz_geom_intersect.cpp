// Arbitrary curves of every kind through the kernel's entry points: nothing may crash,
// hang or read out of bounds, whatever the numbers (NaN, infinities, huge, degenerate).

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/geom/bounds.h"
#include "platform/geom/evaluate.h"
#include "platform/geom/intersect.h"
#include "platform/geom/measure.h"
#include "platform/geom/nurbs.h"
#include "platform/geom/transform.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  double number() {
    // Mostly small integers and halves (so that curves meet), sometimes raw doubles.
    if (byte() % 4 != 0) return (static_cast<int>(byte()) - 128) / 8.0;
    double d = 0;
    for (size_t i = 0; i < sizeof d; ++i) reinterpret_cast<uint8_t*>(&d)[i] = byte();
    return d;
  }
  geom::Point3d point() { return {number(), number(), number()}; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

geom::Curve curve(Input& in) {
  using namespace geom;
  switch (in.byte() % 9) {
    case 0:
      return LineSeg{in.point(), in.point()};
    case 1:
      return BulgeArc{in.point().xy(), in.point().xy(), in.number(), in.number()};
    case 2:
      return Circle{in.point(), in.number(), in.number()};
    case 3:
      return CircularArc{in.point(), in.number(), in.number(), in.number(), in.number()};
    case 4:
      return EllipseArc{in.point(),  {in.number(), in.number(), 0},
                        in.number(), in.number(),
                        in.number(), in.number()};
    case 5: {
      std::vector<Point3d> fit(in.byte() % 8);
      for (auto& p : fit) p = in.point();
      if (auto n = interpolateCubic(fit)) return *n;
      return LineSeg{};
    }
    case 6: {
      Nurbs n;
      n.degree = in.byte() % 4 + 1;
      n.controlPoints.resize(in.byte() % 8);
      for (auto& p : n.controlPoints) p = in.point();
      n.knots.resize(n.controlPoints.size() + n.degree + 1);
      double k = 0;
      for (auto& v : n.knots) v = k += in.byte() % 3;
      if (in.byte() % 2) {
        n.weights.resize(n.controlPoints.size());
        for (auto& w : n.weights) w = in.byte() / 64.0;
      }
      return n;
    }
    case 7: {
      Polyline2d p;
      p.vertices.resize(in.byte() % 10);
      for (auto& v : p.vertices) v = {in.point().xy(), in.number()};
      p.closed = in.byte() % 2;
      p.elevation = in.number();
      return p;
    }
    default: {
      Polyline3d p;
      p.vertices.resize(in.byte() % 10);
      for (auto& v : p.vertices) v = in.point();
      p.closed = in.byte() % 2;
      return p;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const geom::Curve a = curve(in), b = curve(in);
  const auto ab = geom::intersect(a, b);
  const auto ba = geom::intersect(b, a);
  (void)geom::extents(a);
  const double len = geom::length(b);
  (void)geom::pointAtDistance(b, len / 3);
  for (const auto& p : ab.points) (void)geom::distanceAtPoint(a, p.xy);
  (void)ba;
  (void)geom::transformed(a, geom::Matrix3d::rotationZ(0.3, {1, 2, 0}));
  geom::Matrix3d shear;
  shear.m[0][1] = in.number();
  shear.m[2][0] = in.number();
  (void)geom::transformed(b, shear);
  return 0;
}
