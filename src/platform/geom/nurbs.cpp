#include "platform/geom/nurbs.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/geom/angle.h"
#include "platform/geom/arcmath.h"
#include "platform/geom/bulge.h"

namespace geom {
namespace {

int pointCount(const Nurbs& c) { return static_cast<int>(c.controlPoints.size()); }

double weightAt(const Nurbs& c, int i) { return c.weights.empty() ? 1.0 : c.weights[i]; }

HomPoint homAt(const Nurbs& c, int i) { return HomPoint::of(c.controlPoints[i], weightAt(c, i)); }

// Index i of the knot span [U[i], U[i+1]) that holds u, with degree <= i < count.
int findSpan(const Nurbs& c, double u) {
  const int n = pointCount(c) - 1;
  const int p = c.degree;
  const auto& U = c.knots;
  if (u >= U[n + 1]) {
    int i = n;
    while (i > p && U[i] >= U[n + 1]) --i;
    return i;
  }
  if (u <= U[p]) {
    int i = p;
    while (i < n && U[i + 1] <= u) ++i;
    return i;
  }
  const auto it = std::upper_bound(U.begin() + p, U.begin() + n + 1, u);
  return static_cast<int>(it - U.begin()) - 1;
}

// Non-zero basis functions at u and their first two derivatives: ders[k][j] is the k-th
// derivative of N_{span-p+j}.
void basisDerivs(const Nurbs& c, int span, double u, std::vector<std::array<double, 3>>& ders) {
  const int p = c.degree;
  const auto& U = c.knots;
  std::vector<std::vector<double>> ndu(p + 1, std::vector<double>(p + 1));
  std::vector<double> left(p + 1), right(p + 1);
  ndu[0][0] = 1.0;
  for (int j = 1; j <= p; ++j) {
    left[j] = u - U[span + 1 - j];
    right[j] = U[span + j] - u;
    double saved = 0.0;
    for (int r = 0; r < j; ++r) {
      ndu[j][r] = right[r + 1] + left[j - r];
      const double temp = ndu[j][r] == 0.0 ? 0.0 : ndu[r][j - 1] / ndu[j][r];
      ndu[r][j] = saved + right[r + 1] * temp;
      saved = left[j - r] * temp;
    }
    ndu[j][j] = saved;
  }
  ders.assign(p + 1, {0.0, 0.0, 0.0});
  for (int j = 0; j <= p; ++j) ders[j][0] = ndu[j][p];
  const int maxK = std::min(2, p);
  std::array<std::vector<double>, 2> a{std::vector<double>(p + 1), std::vector<double>(p + 1)};
  for (int r = 0; r <= p; ++r) {
    int s1 = 0, s2 = 1;
    std::fill(a[0].begin(), a[0].end(), 0.0);
    a[0][0] = 1.0;
    for (int k = 1; k <= maxK; ++k) {
      double d = 0.0;
      const int rk = r - k, pk = p - k;
      if (r >= k) {
        a[s2][0] = ndu[pk + 1][rk] == 0.0 ? 0.0 : a[s1][0] / ndu[pk + 1][rk];
        d = a[s2][0] * ndu[rk][pk];
      }
      const int j1 = rk >= -1 ? 1 : -rk;
      const int j2 = (r - 1 <= pk) ? k - 1 : p - r;
      for (int j = j1; j <= j2; ++j) {
        a[s2][j] =
            ndu[pk + 1][rk + j] == 0.0 ? 0.0 : (a[s1][j] - a[s1][j - 1]) / ndu[pk + 1][rk + j];
        d += a[s2][j] * ndu[rk + j][pk];
      }
      if (r <= pk) {
        a[s2][k] = ndu[pk + 1][r] == 0.0 ? 0.0 : -a[s1][k - 1] / ndu[pk + 1][r];
        d += a[s2][k] * ndu[r][pk];
      }
      ders[r][k] = d;
      std::swap(s1, s2);
    }
  }
  double factor = p;
  for (int k = 1; k <= maxK; ++k) {
    for (int j = 0; j <= p; ++j) ders[j][k] *= factor;
    factor *= (p - k);
  }
}

}  // namespace

bool isValid(const Nurbs& c) {
  const int n = pointCount(c);
  if (c.degree < 1 || n < c.degree + 1) return false;
  if (static_cast<int>(c.knots.size()) != n + c.degree + 1) return false;
  if (!c.weights.empty() && static_cast<int>(c.weights.size()) != n) return false;
  for (double w : c.weights)
    if (!(w > 0.0) || !std::isfinite(w)) return false;
  for (size_t i = 0; i < c.knots.size(); ++i) {
    if (!std::isfinite(c.knots[i])) return false;
    if (i > 0 && c.knots[i] < c.knots[i - 1]) return false;
  }
  return c.knots[c.degree] < c.knots[n];
}

ParamRange domain(const Nurbs& c) { return {c.knots[c.degree], c.knots[pointCount(c)]}; }

Point3d evaluate(const Nurbs& c, double u) {
  const ParamRange r = domain(c);
  u = std::clamp(u, r.lo, r.hi);
  const int p = c.degree;
  const int k = findSpan(c, u);
  const auto& U = c.knots;
  std::array<HomPoint, 16> small;
  std::vector<HomPoint> big;
  HomPoint* d = small.data();
  if (p + 1 > static_cast<int>(small.size())) {
    big.resize(p + 1);
    d = big.data();
  }
  for (int j = 0; j <= p; ++j) d[j] = homAt(c, k - p + j);
  for (int rr = 1; rr <= p; ++rr) {
    for (int j = p; j >= rr; --j) {
      const double den = U[j + 1 + k - rr] - U[j + k - p];
      const double alpha = den == 0.0 ? 0.0 : (u - U[j + k - p]) / den;
      d[j] = d[j - 1].lerp(d[j], alpha);
    }
  }
  return d[p].point();
}

NurbsDerivs derivatives(const Nurbs& c, double u) {
  const ParamRange r = domain(c);
  u = std::clamp(u, r.lo, r.hi);
  const int p = c.degree;
  const int span = findSpan(c, u);
  std::vector<std::array<double, 3>> ders;
  basisDerivs(c, span, u, ders);
  std::array<HomPoint, 3> a{HomPoint{0, 0, 0, 0}, HomPoint{0, 0, 0, 0}, HomPoint{0, 0, 0, 0}};
  for (int k = 0; k < 3; ++k) {
    for (int j = 0; j <= p; ++j) {
      const HomPoint h = homAt(c, span - p + j);
      const double b = ders[j][k];
      a[k] = {a[k].x + h.x * b, a[k].y + h.y * b, a[k].z + h.z * b, a[k].w + h.w * b};
    }
  }
  const Point3d pt = a[0].point();
  const Vector3d pv{pt.x, pt.y, pt.z};
  const double w = a[0].w;
  const Vector3d a1{a[1].x, a[1].y, a[1].z};
  const Vector3d a2{a[2].x, a[2].y, a[2].z};
  const Vector3d d1 = (a1 - pv * a[1].w) / w;
  const Vector3d d2 = (a2 - d1 * (2.0 * a[1].w) - pv * a[2].w) / w;
  return {pt, d1, d2};
}

Nurbs insertKnot(const Nurbs& c, double u, int times) {
  const int p = c.degree;
  const auto& U = c.knots;
  // Largest k with U[k] <= u, so that the s existing copies of u sit at k-s+1 .. k.
  const int k = static_cast<int>(std::upper_bound(U.begin(), U.end(), u) - U.begin()) - 1;
  if (k < p || k >= static_cast<int>(U.size()) - 1) return c;
  const int s = static_cast<int>(std::count(U.begin(), U.end(), u));
  const int r = std::min(times, p - s);
  if (r <= 0) return c;
  const int np = pointCount(c) - 1;
  std::vector<HomPoint> P(np + 1);
  for (int i = 0; i <= np; ++i) P[i] = homAt(c, i);
  std::vector<HomPoint> Q(np + 1 + r);
  std::vector<double> UQ(U.size() + r);
  for (int i = 0; i <= k; ++i) UQ[i] = U[i];
  for (int i = 1; i <= r; ++i) UQ[k + i] = u;
  for (size_t i = k + 1; i < U.size(); ++i) UQ[i + r] = U[i];
  for (int i = 0; i <= k - p; ++i) Q[i] = P[i];
  for (int i = k - s; i <= np; ++i) Q[i + r] = P[i];
  std::vector<HomPoint> R(p + 1);
  for (int i = 0; i <= p - s; ++i) R[i] = P[k - p + i];
  int L = 0;
  for (int j = 1; j <= r; ++j) {
    L = k - p + j;
    for (int i = 0; i <= p - j - s; ++i) {
      const double alpha = (u - U[L + i]) / (U[i + k + 1] - U[L + i]);
      R[i] = R[i].lerp(R[i + 1], alpha);
    }
    Q[L] = R[0];
    Q[k + r - j - s] = R[p - j - s];
  }
  for (int i = L + 1; i < k - s; ++i) Q[i] = R[i - L];
  Nurbs out;
  out.degree = p;
  out.knots = std::move(UQ);
  out.controlPoints.resize(Q.size());
  const bool rational = !c.weights.empty();
  if (rational) out.weights.resize(Q.size());
  for (size_t i = 0; i < Q.size(); ++i) {
    out.controlPoints[i] = Q[i].point();
    if (rational) out.weights[i] = Q[i].w;
  }
  return out;
}

namespace {

// Decomposition of a clamped curve whose inner knots have multiplicity <= degree, in one
// sweep over the knots (Boehm insertion done in place per span).
std::vector<BezierSegment> decomposeClamped(const Nurbs& c) {
  const int p = c.degree;
  const auto& U = c.knots;
  const int m = static_cast<int>(U.size()) - 1;
  std::vector<BezierSegment> out;
  std::vector<HomPoint> cur(p + 1), next(p + 1);
  std::vector<double> alphas(p + 1);
  for (int i = 0; i <= p; ++i) cur[i] = homAt(c, i);
  int a = p, b = p + 1;
  while (b < m) {
    const int i0 = b;
    while (b < m && U[b + 1] == U[b]) ++b;
    const int mult = b - i0 + 1;
    if (mult < p) {
      const double numer = U[b] - U[a];
      for (int j = p; j > mult; --j) alphas[j - mult - 1] = numer / (U[a + j] - U[a]);
      const int r = p - mult;
      for (int j = 1; j <= r; ++j) {
        const int save = r - j, s = mult + j;
        for (int k = p; k >= s; --k) cur[k] = cur[k - 1].lerp(cur[k], alphas[k - s]);
        if (b < m) next[save] = cur[p];
      }
    }
    if (U[a] < U[b]) out.push_back({U[a], U[b], cur});
    if (b < m) {
      for (int i = p - mult; i <= p; ++i) next[i] = homAt(c, b - p + i);
      std::swap(cur, next);
      a = b;
      ++b;
    }
  }
  return out;
}

bool clampedSimple(const Nurbs& c) {
  const int p = c.degree;
  const auto& U = c.knots;
  const size_t m = U.size() - 1;
  if (U[0] != U[p] || U[m] != U[m - p]) return false;
  int run = 1;
  for (size_t i = p + 1; i + p + 1 <= m; ++i) {
    run = U[i] == U[i - 1] ? run + 1 : 1;
    if (run > p) return false;
  }
  return true;
}

}  // namespace

std::vector<BezierSegment> bezierSegments(const Nurbs& c) {
  if (clampedSimple(c)) return decomposeClamped(c);
  Nurbs work = c;
  const ParamRange dom = domain(c);
  const int p = c.degree;
  std::vector<double> distinct;
  for (double k : c.knots)
    if (k >= dom.lo && k <= dom.hi && (distinct.empty() || distinct.back() != k))
      distinct.push_back(k);
  for (double k : distinct) work = insertKnot(work, k, p);
  std::vector<BezierSegment> out;
  const auto& U = work.knots;
  const int n = pointCount(work);
  for (int i = p; i < n; ++i) {
    if (!(U[i] < U[i + 1])) continue;
    BezierSegment seg;
    seg.u0 = U[i];
    seg.u1 = U[i + 1];
    for (int j = i - p; j <= i; ++j) seg.points.push_back(homAt(work, j));
    out.push_back(std::move(seg));
  }
  return out;
}

HomPoint bezierPoint(std::span<const HomPoint> pts, double t) {
  std::array<HomPoint, 16> small;
  std::vector<HomPoint> big;
  HomPoint* d = small.data();
  if (pts.size() > small.size()) {
    big.resize(pts.size());
    d = big.data();
  }
  std::copy(pts.begin(), pts.end(), d);
  for (size_t r = 1; r < pts.size(); ++r)
    for (size_t j = 0; j + r < pts.size(); ++j) d[j] = d[j].lerp(d[j + 1], t);
  return d[0];
}

void splitBezier(std::span<const HomPoint> pts, double t, std::vector<HomPoint>& left,
                 std::vector<HomPoint>& right) {
  const size_t n = pts.size();
  std::vector<HomPoint> d(pts.begin(), pts.end());
  left.resize(n);
  right.resize(n);
  left[0] = d[0];
  right[n - 1] = d[n - 1];
  for (size_t r = 1; r < n; ++r) {
    for (size_t j = 0; j + r < n; ++j) d[j] = d[j].lerp(d[j + 1], t);
    left[r] = d[0];
    right[n - 1 - r] = d[n - 1 - r];
  }
}

namespace {

// Rational quadratic pieces of the ellipse c + u cos t + v sin t for t in [t0, t0 + sweep],
// with knots spread evenly over [k0, k1].
Nurbs conicArc(Point3d c, Vector3d u, Vector3d v, double t0, double sweep, double k0, double k1) {
  if (!std::isfinite(t0) || !std::isfinite(sweep) || !std::isfinite(k0) || !std::isfinite(k1) ||
      std::abs(sweep) > 2 * kTwoPi)
    return {};
  const int pieces = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / (kPi / 2) - 1e-9)));
  const double step = sweep / pieces;
  const double wMid = std::cos(step / 2);
  auto at = [&](double t, double scale) { return c + (u * std::cos(t) + v * std::sin(t)) * scale; };
  Nurbs n;
  n.degree = 2;
  n.knots = {k0, k0, k0};
  for (int i = 0; i < pieces; ++i) {
    const double ta = t0 + step * i;
    n.controlPoints.push_back(at(ta, 1.0));
    n.weights.push_back(1.0);
    n.controlPoints.push_back(at(ta + step / 2, 1.0 / wMid));
    n.weights.push_back(wMid);
    const double k = i + 1 == pieces ? k1 : k0 + (k1 - k0) * (i + 1) / pieces;
    n.knots.push_back(k);
    n.knots.push_back(k);
  }
  n.controlPoints.push_back(at(t0 + sweep, 1.0));
  n.weights.push_back(1.0);
  n.knots.push_back(k1);
  return n;
}

double ccwSweep(double from, double to) {
  const double s = normalizeAngle(to - from);
  return s == 0.0 ? kTwoPi : s;
}

}  // namespace

Nurbs toNurbs(const CircularArc& a) {
  const double sweep =
      a.normalZ < 0 ? ccwSweep(a.endAngle, a.startAngle) : ccwSweep(a.startAngle, a.endAngle);
  const double dir = a.normalZ < 0 ? -1.0 : 1.0;
  return conicArc(a.centre, {a.radius, 0, 0}, {0, a.radius, 0}, a.startAngle, dir * sweep,
                  a.startAngle, a.startAngle + sweep);
}

Nurbs toNurbs(const Circle& c) {
  const double dir = c.normalZ < 0 ? -1.0 : 1.0;
  Nurbs n = conicArc(c.centre, {c.radius, 0, 0}, {0, c.radius, 0}, 0.0, dir * kTwoPi, 0.0, kTwoPi);
  if (!n.controlPoints.empty()) n.controlPoints.back() = n.controlPoints.front();
  return n;
}

Nurbs toNurbs(const BulgeArc& a) {
  const Vector2d chord = a.end - a.start;
  const double L = chord.length();
  if (a.bulge == 0.0 || L == 0.0) return toNurbs(LineSeg{withZ(a.start, a.z), withZ(a.end, a.z)});
  const BulgeCircle c = bulgeCircle(a.start, a.end, a.bulge);
  const double r = c.radius;
  Nurbs n = conicArc(withZ(c.centre, a.z), {r, 0, 0}, {0, r, 0}, c.startAngle, c.sweep, 0.0, 1.0);
  if (n.controlPoints.empty()) return n;  // non-finite input
  n.controlPoints.front() = withZ(a.start, a.z);
  n.controlPoints.back() = withZ(a.end, a.z);
  return n;
}

Nurbs toNurbs(const EllipseArc& e) {
  const double nz = e.normalZ < 0 ? -1.0 : 1.0;
  const Vector3d minor{-nz * e.majorAxis.y * e.ratio, nz * e.majorAxis.x * e.ratio, 0.0};
  const double end = detail::ellipseEnd(e);
  return conicArc(e.centre, e.majorAxis, minor, e.startParam, end - e.startParam, e.startParam,
                  end);
}

Nurbs toNurbs(const LineSeg& s) {
  Nurbs n;
  n.degree = 1;
  n.knots = {0.0, 0.0, 1.0, 1.0};
  n.controlPoints = {s.start, s.end};
  return n;
}

namespace {

// Gaussian elimination without pivoting on a banded system (the collocation matrix of a
// B-spline basis is totally positive, so pivoting is not needed). Row i keeps the columns
// i - 2 .. i + 2 at offsets 0 .. 4.
bool solveBanded(std::vector<std::array<double, 5>>& m, std::vector<Vector3d>& rhs) {
  const int n = static_cast<int>(m.size());
  auto at = [&](int row, int col) -> double& { return m[row][col - row + 2]; };
  for (int k = 0; k < n; ++k) {
    const double piv = at(k, k);
    if (std::abs(piv) < 1e-300) return false;
    for (int i = k + 1; i <= std::min(n - 1, k + 2); ++i) {
      const double f = at(i, k) / piv;
      if (f == 0.0) continue;
      for (int j = k; j <= std::min(n - 1, k + 2); ++j) {
        if (j - i < -2 || j - i > 2) continue;
        at(i, j) -= f * at(k, j);
      }
      rhs[i] = rhs[i] - rhs[k] * f;
    }
  }
  for (int k = n - 1; k >= 0; --k) {
    Vector3d v = rhs[k];
    for (int j = k + 1; j <= std::min(n - 1, k + 2); ++j) v = v - rhs[j] * at(k, j);
    rhs[k] = v / at(k, k);
  }
  return true;
}

Vector3d unit(Vector3d v) {
  const double l = v.length();
  return l > 0 ? v / l : v;
}

}  // namespace

std::optional<Nurbs> interpolateCubic(std::span<const Point3d> fitPoints,
                                      std::optional<Vector3d> startTangent,
                                      std::optional<Vector3d> endTangent) {
  std::vector<Point3d> q;
  for (const Point3d& p : fitPoints)
    if (q.empty() || (p - q.back()).length() > 0.0) q.push_back(p);
  if (q.size() < 2) return std::nullopt;
  const int last = static_cast<int>(q.size()) - 1;
  std::vector<double> u(q.size(), 0.0);
  for (int i = 1; i <= last; ++i) u[i] = u[i - 1] + (q[i] - q[i - 1]).length();
  if (!std::isfinite(u[last])) return std::nullopt;
  // A tangent that is not finite gives no direction; the end is then estimated.
  auto finite = [](const Vector3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) &&
           std::isfinite(v.length());
  };
  if (startTangent && !finite(*startTangent)) startTangent.reset();
  if (endTangent && !finite(*endTangent)) endTangent.reset();

  auto estimate = [&](int i0, int i1, int i2) {
    const double h1 = u[i1] - u[i0], h2 = u[i2] - u[i1];
    const Vector3d d1 = (q[i1] - q[i0]) / h1, d2 = (q[i2] - q[i1]) / h2;
    return (d1 * (2 * h1 + h2) - d2 * h1) / (h1 + h2);
  };
  Vector3d d0, dn;
  if (startTangent && startTangent->length() > 0)
    d0 = unit(*startTangent);
  else
    d0 = last >= 2 ? estimate(0, 1, 2) : (q[1] - q[0]) / u[1];
  if (endTangent && endTangent->length() > 0) {
    dn = unit(*endTangent);
  } else if (last >= 2) {
    const double h1 = u[last] - u[last - 1], h0 = u[last - 1] - u[last - 2];
    const Vector3d a = (q[last - 1] - q[last - 2]) / h0, b = (q[last] - q[last - 1]) / h1;
    dn = (b * (2 * h1 + h0) - a * h1) / (h0 + h1);
  } else {
    dn = (q[1] - q[0]) / u[1];
  }

  Nurbs n;
  n.degree = 3;
  n.knots = {0, 0, 0, 0};
  for (int i = 1; i < last; ++i) n.knots.push_back(u[i]);
  for (int i = 0; i < 4; ++i) n.knots.push_back(u[last]);
  const int count = last + 3;
  n.controlPoints.assign(count, Point3d{});

  std::vector<std::array<double, 5>> m(count, {0, 0, 0, 0, 0});
  std::vector<Vector3d> rhs(count);
  auto set = [&](int row, int col, double v) { m[row][col - row + 2] = v; };
  auto asVec = [](Point3d p) { return Vector3d{p.x, p.y, p.z}; };
  set(0, 0, 1.0);
  rhs[0] = asVec(q[0]);
  set(1, 0, -1.0);
  set(1, 1, 1.0);
  rhs[1] = d0 * (u[1] / 3.0);
  std::vector<std::array<double, 3>> ders;
  for (int k = 1; k < last; ++k) {
    const int span = findSpan(n, u[k]);
    basisDerivs(n, span, u[k], ders);
    const int row = k + 1;
    for (int j = 0; j <= 3; ++j) {
      const int col = span - 3 + j;
      if (col - row >= -2 && col - row <= 2) set(row, col, ders[j][0]);
    }
    rhs[row] = asVec(q[k]);
  }
  set(count - 2, count - 2, -1.0);
  set(count - 2, count - 1, 1.0);
  rhs[count - 2] = dn * ((u[last] - u[last - 1]) / 3.0);
  set(count - 1, count - 1, 1.0);
  rhs[count - 1] = asVec(q[last]);
  if (!solveBanded(m, rhs)) return std::nullopt;
  for (int i = 0; i < count; ++i) {
    // Coordinates near the end of the double range overflow on the way; such a result
    // would be no curve at all.
    if (!std::isfinite(rhs[i].x) || !std::isfinite(rhs[i].y) || !std::isfinite(rhs[i].z)) {
      return std::nullopt;
    }
    n.controlPoints[i] = {rhs[i].x, rhs[i].y, rhs[i].z};
  }
  n.controlPoints.front() = q.front();
  n.controlPoints.back() = q.back();
  return n;
}

}  // namespace geom
