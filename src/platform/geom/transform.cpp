#include "platform/geom/transform.h"

#include <cmath>

#include "platform/geom/arcmath.h"
#include "platform/geom/nurbs.h"
#include "platform/geom/overload.h"

namespace geom {

using detail::Overload;
namespace {

Point2d add(Point2d p, Vector3d v) { return {p.x + v.x, p.y + v.y}; }

Nurbs mapNurbs(Nurbs n, const Matrix3d& m) {
  for (Point3d& p : n.controlPoints) p = m.apply(p);
  return n;
}

// Degree-2 NURBS of a 2-D polyline: lines get a middle control point, arcs their exact form.
Nurbs polylineNurbs(const Polyline2d& p) {
  Nurbs out;
  out.degree = 2;
  const size_t n = p.vertices.size();
  const size_t segs = n < 2 ? 0 : (p.closed ? n : n - 1);
  if (segs == 0) return out;
  out.knots = {0, 0, 0};
  for (size_t i = 0; i < segs; ++i) {
    const auto& v0 = p.vertices[i];
    const auto& v1 = p.vertices[(i + 1) % n];
    Nurbs piece = toNurbs(BulgeArc{v0.point, v1.point, v0.bulge, p.elevation});
    if (piece.controlPoints.empty()) return Nurbs{};  // non-finite input
    if (piece.degree == 1) {
      piece.degree = 2;
      piece.controlPoints = {piece.controlPoints[0],
                             withZ(midpoint(v0.point, v1.point), p.elevation),
                             piece.controlPoints[1]};
      piece.weights = {1, 1, 1};
      piece.knots = {0, 0, 0, 1, 1, 1};
    }
    // Knot values of the polyline parameter: piece knots rescaled onto [i, i + 1].
    const double k0 = piece.knots.front(), k1 = piece.knots.back();
    const size_t first = out.controlPoints.empty() ? 0 : 1;
    for (size_t j = first; j < piece.controlPoints.size(); ++j) {
      out.controlPoints.push_back(piece.controlPoints[j]);
      out.weights.push_back(piece.weights.empty() ? 1.0 : piece.weights[j]);
    }
    for (size_t j = 3; j + 3 < piece.knots.size(); ++j)
      out.knots.push_back(i + (piece.knots[j] - k0) / (k1 - k0));
    const double end = static_cast<double>(i + 1);
    out.knots.push_back(end);
    out.knots.push_back(end);
  }
  out.knots.push_back(static_cast<double>(segs));
  return out;
}

// The ellipse c + u cos t + v sin t (any conjugate pair) over [t0, t1] in the form of
// EllipseArc: perpendicular axes, the major one first.
EllipseArc ellipseFromConjugates(Point3d c, Vector2d u, Vector2d v, double t0, double t1) {
  // Shift the parameter by tau so that the new pair is perpendicular.
  const double tau = 0.5 * std::atan2(2 * dot(u, v), u.lengthSquared() - v.lengthSquared());
  Vector2d a = u * std::cos(tau) + v * std::sin(tau);
  Vector2d b = v * std::cos(tau) - u * std::sin(tau);
  double shift = tau;
  if (b.length() > a.length()) {
    const Vector2d na = b, nb = -a;
    a = na;
    b = nb;
    shift += kPi / 2;
  }
  EllipseArc e;
  e.centre = c;
  e.majorAxis = {a.x, a.y, 0};
  e.ratio = a.length() > 0 ? b.length() / a.length() : 1.0;
  e.normalZ = cross(a, b) < 0 ? -1.0 : 1.0;
  e.startParam = t0 - shift;
  e.endParam = t1 - shift;
  return e;
}

}  // namespace

Matrix3d Matrix3d::translation(Vector3d v) {
  Matrix3d r;
  r.m[0][3] = v.x;
  r.m[1][3] = v.y;
  r.m[2][3] = v.z;
  return r;
}

Matrix3d Matrix3d::scaling(double s, Point3d about) {
  Matrix3d r;
  for (int i = 0; i < 3; ++i) r.m[i][i] = s;
  r.m[0][3] = about.x * (1 - s);
  r.m[1][3] = about.y * (1 - s);
  r.m[2][3] = about.z * (1 - s);
  return r;
}

Matrix3d Matrix3d::rotationZ(double angle, Point3d about) {
  Matrix3d r;
  const double c = std::cos(angle), s = std::sin(angle);
  r.m[0][0] = c;
  r.m[0][1] = -s;
  r.m[1][0] = s;
  r.m[1][1] = c;
  r.m[0][3] = about.x - c * about.x + s * about.y;
  r.m[1][3] = about.y - s * about.x - c * about.y;
  return r;
}

Matrix3d Matrix3d::mirrorX(double x) {
  Matrix3d r;
  r.m[0][0] = -1;
  r.m[0][3] = 2 * x;
  return r;
}

Point3d Matrix3d::apply(Point3d p) const {
  return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
          m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
          m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
}

Vector3d Matrix3d::applyVector(Vector3d v) const {
  return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
          m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
          m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

Matrix3d Matrix3d::operator*(const Matrix3d& b) const {
  Matrix3d r;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      double s = j == 3 ? m[i][3] : 0.0;
      for (int k = 0; k < 3; ++k) s += m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  }
  return r;
}

bool Matrix3d::keepsPlanes() const { return m[2][0] == 0.0 && m[2][1] == 0.0; }

bool Matrix3d::isPlanSimilarity() const {
  if (!keepsPlanes()) return false;
  const double a = m[0][0], b = m[0][1], c = m[1][0], d = m[1][1];
  const double n1 = a * a + c * c, n2 = b * b + d * d;
  const double scale = std::max(n1, n2);
  return scale > 0 && std::abs(n1 - n2) <= 1e-12 * scale &&
         std::abs(a * b + c * d) <= 1e-12 * scale;
}

Curve translated(const Curve& curve, Vector3d v) {
  return std::visit(
      Overload{
          [&](LineSeg s) -> Curve {
            return LineSeg{s.start + v, s.end + v};
          },
          [&](BulgeArc a) -> Curve {
            return BulgeArc{add(a.start, v), add(a.end, v), a.bulge, a.z + v.z};
          },
          [&](Circle c) -> Curve {
            c.centre = c.centre + v;
            return c;
          },
          [&](CircularArc a) -> Curve {
            a.centre = a.centre + v;
            return a;
          },
          [&](EllipseArc e) -> Curve {
            e.centre = e.centre + v;
            return e;
          },
          [&](const Nurbs& n) -> Curve { return mapNurbs(n, Matrix3d::translation(v)); },
          [&](Polyline2d p) -> Curve {
            for (auto& vx : p.vertices) vx.point = add(vx.point, v);
            p.elevation += v.z;
            return p;
          },
          [&](Polyline3d p) -> Curve {
            for (auto& vx : p.vertices) vx = vx + v;
            return p;
          },
      },
      curve);
}

Curve transformed(const Curve& curve, const Matrix3d& m) {
  const bool similar = m.isPlanSimilarity();
  const bool planes = m.keepsPlanes();
  const double mirror = m.planDeterminant() < 0 ? -1.0 : 1.0;
  const double scale = std::sqrt(std::abs(m.planDeterminant()));
  const Vector3d ex = m.applyVector({1, 0, 0});
  const double rot = std::atan2(ex.y, ex.x);
  return std::visit(
      Overload{
          [&](LineSeg s) -> Curve {
            return LineSeg{m.apply(s.start), m.apply(s.end)};
          },
          [&](BulgeArc a) -> Curve {
            if (!similar) return mapNurbs(toNurbs(a), m);
            const Point3d s = m.apply(withZ(a.start, a.z)), e = m.apply(withZ(a.end, a.z));
            return BulgeArc{s.xy(), e.xy(), a.bulge * mirror, s.z};
          },
          [&](Circle c) -> Curve {
            if (similar) {
              // The parameter origin turns with the map; the point set is what is kept.
              c.centre = m.apply(c.centre);
              c.radius *= scale;
              c.normalZ *= mirror;
              return c;
            }
            if (!planes) return mapNurbs(toNurbs(c), m);
            const double nz = c.normalZ < 0 ? -1.0 : 1.0;
            return ellipseFromConjugates(m.apply(c.centre), m.applyVector({c.radius, 0, 0}).xy(),
                                         m.applyVector({0, nz * c.radius, 0}).xy(), 0, kTwoPi);
          },
          [&](CircularArc a) -> Curve {
            if (similar) {
              const double s = mirror > 0 ? a.startAngle + rot : rot - a.startAngle;
              const double e = mirror > 0 ? a.endAngle + rot : rot - a.endAngle;
              return CircularArc{m.apply(a.centre), a.radius * scale, s, e, a.normalZ * mirror};
            }
            if (!planes) return mapNurbs(toNurbs(a), m);
            const double sweep = detail::arcSweep(a);
            const double dir = sweep < 0 ? -1.0 : 1.0;
            // Parametrise by the running angle from startAngle: c + u cos t + v sin t.
            const Vector3d u{a.radius * std::cos(a.startAngle), a.radius * std::sin(a.startAngle),
                             0};
            const Vector3d v{-dir * u.y, dir * u.x, 0};
            return ellipseFromConjugates(m.apply(a.centre), m.applyVector(u).xy(),
                                         m.applyVector(v).xy(), 0, std::abs(sweep));
          },
          [&](EllipseArc e) -> Curve {
            if (!planes) return mapNurbs(toNurbs(e), m);
            const Vector3d minor{detail::ellipseMinor(e).x, detail::ellipseMinor(e).y, 0};
            return ellipseFromConjugates(m.apply(e.centre), m.applyVector(e.majorAxis).xy(),
                                         m.applyVector(minor).xy(), e.startParam,
                                         detail::ellipseEnd(e));
          },
          [&](const Nurbs& n) -> Curve { return mapNurbs(n, m); },
          [&](Polyline2d p) -> Curve {
            bool straight = true;
            for (const auto& v : p.vertices) straight = straight && v.bulge == 0.0;
            if (!planes || (!similar && !straight)) return mapNurbs(polylineNurbs(p), m);
            double z = p.elevation;
            for (auto& v : p.vertices) {
              const Point3d q = m.apply(withZ(v.point, p.elevation));
              v.point = q.xy();
              v.bulge *= mirror;
              z = q.z;
            }
            p.elevation = p.vertices.empty() ? m.apply({0, 0, p.elevation}).z : z;
            return p;
          },
          [&](Polyline3d p) -> Curve {
            for (auto& v : p.vertices) v = m.apply(v);
            return p;
          },
      },
      curve);
}

}  // namespace geom
