// Cutting a polyline held elsewhere (a view of points and bulges) and cutting only the runs
// of segments near the prepared curve: both must give the whole cut of the copied
// polyline bit for bit, also where hits sit on the vertices between runs.

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "platform/geom/bounds.h"
#include "platform/geom/evaluate.h"
#include "platform/geom/intersect.h"

namespace {

using namespace geom;

constexpr int kRun = 8;

void expectSame(const Intersections& got, const Intersections& want, int round) {
  ASSERT_EQ(got.kind, want.kind) << round;
  ASSERT_EQ(got.points.size(), want.points.size()) << round;
  for (size_t i = 0; i < got.points.size(); ++i) {
    const IntersectionPoint &g = got.points[i], &w = want.points[i];
    EXPECT_TRUE(g.xy == w.xy && g.paramA == w.paramA && g.paramB == w.paramB && g.zA == w.zA &&
                g.zB == w.zB)
        << round << " point " << i;
  }
  ASSERT_EQ(got.overlaps.size(), want.overlaps.size()) << round;
  for (size_t i = 0; i < got.overlaps.size(); ++i) {
    EXPECT_EQ(got.overlaps[i].from.paramB, want.overlaps[i].from.paramB) << round;
    EXPECT_EQ(got.overlaps[i].to.paramB, want.overlaps[i].to.paramB) << round;
  }
}

struct Stored {
  std::vector<Point2d> points;
  std::vector<double> bulges;
  bool closed = false;
  double elevation = 0;

  PolylineView2d view() const { return {points, bulges, closed, elevation}; }
  Polyline2d copy() const {
    Polyline2d p{{}, closed, elevation};
    for (size_t i = 0; i < points.size(); ++i) {
      p.vertices.push_back({points[i], bulges.empty() ? 0.0 : bulges[i]});
    }
    return p;
  }
};

// A contour wandering back and forth across the leg, with vertices on the leg at run
// boundaries, stretches along it, arcs and straight parts.
Stored contour(std::mt19937& rng, Point2d a, Point2d b, bool bulged) {
  std::uniform_real_distribution<double> t(-0.2, 1.2), off(-30, 30), bulge(-1.5, 1.5);
  const Vector2d d = b - a, n = perp(d) / d.length();
  Stored s;
  s.elevation = 812.5;
  for (int i = 0; i < 12 * kRun + 3; ++i) {
    const double along = t(rng);
    double side = off(rng);
    if (i % kRun == 0 || i % 7 == 3) side = 0.0;  // on the leg (a run boundary, or not)
    s.points.push_back(a + d * along + n * side);
    if (bulged) s.bulges.push_back(i % 3 == 0 ? 0.0 : bulge(rng));
  }
  return s;
}

// The runs whose boxes come near the prepared curve, neighbours merged, as an index
// would find them.
std::vector<SegmentRange> nearRuns(const Polyline2d& p, const Cutter& c) {
  Extents2d reach = c.box();
  reach = {reach.min - Vector2d{1e-6, 1e-6}, reach.max + Vector2d{1e-6, 1e-6}};
  const int segs = segmentCount(p), n = static_cast<int>(p.vertices.size());
  std::vector<SegmentRange> runs;
  for (int first = 0; first < segs; first += kRun) {
    const int last = std::min(segs, first + kRun);
    Extents2d box;
    for (int i = first; i < last; ++i) {
      box.add(
          bulgeExtents(p.vertices[i].point, p.vertices[(i + 1) % n].point, p.vertices[i].bulge));
    }
    if (!box.intersects(reach)) continue;
    if (!runs.empty() && runs.back().last == first) {
      runs.back().last = last;
    } else {
      runs.push_back({first, last});
    }
  }
  return runs;
}

TEST(PolylineCut, ViewsAndNearRunsGiveTheWholeCut) {
  std::mt19937 rng(20240607);
  std::uniform_real_distribution<double> coord(0, 400);
  const Vector2d far{3.5e6, 5e5};
  size_t hits = 0, skipped = 0;
  Intersections reused;  // one result written over and over, as a batch cut keeps it
  for (int round = 0; round < 200; ++round) {
    const Point2d a = Point2d{coord(rng), coord(rng)} + far;
    const Point2d b = Point2d{coord(rng), coord(rng)} + far;
    const double legBulge = round % 4 == 3 ? 0.3 : 0.0;
    const Cutter leg(BulgeArc{a, b, legBulge, 0});
    Stored s = contour(rng, a, b, round % 2 == 0);
    s.closed = round % 3 == 0;
    const Polyline2d copy = s.copy();
    const Intersections whole = leg.cut(copy);

    expectSame(leg.cut(s.view(), SegmentRange{0, INT_MAX}), whole, round);
    const std::vector<SegmentRange> runs = nearRuns(copy, leg);
    expectSame(leg.cut(s.view(), runs), whole, round);
    expectSame(leg.cut(copy, runs), whole, round);
    leg.cut(s.view(), runs, reused);
    expectSame(reused, whole, round);
    leg.cut(copy, runs, reused);
    expectSame(reused, whole, round);
    // One run at a time keeps the single-range rules of the copy.
    for (int first = 0; first < segmentCount(copy); first += kRun) {
      const SegmentRange r{first, first + kRun};
      expectSame(leg.cut(s.view(), r), leg.cut(copy, r), round);
    }
    hits += whole.points.size();
    for (const SegmentRange& r : runs) skipped -= r.last - r.first;
    skipped += segmentCount(copy);
  }
  EXPECT_GT(hits, 1000u);
  EXPECT_GT(skipped, 0u);  // the runs leave something out
}

TEST(PolylineCut, StraightViewMatchesThe3dPolylineOfItsPoints) {
  const Point2d a{3.5e6, 5e5}, b{3.5e6 + 300, 5e5 + 120};
  const Cutter leg(LineSeg{withZ(a, 0), withZ(b, 0)});
  size_t hits = 0;
  for (int round = 0; round < 20; ++round) {
    std::mt19937 rng(round);
    const Stored s = contour(rng, a, b, false);
    Polyline3d p3{{}, false};
    for (const Point2d& p : s.points) p3.vertices.push_back(withZ(p, s.elevation));
    const Intersections whole = leg.cut(p3);
    expectSame(leg.cut(s.view(), SegmentRange{0, INT_MAX}), whole, round);
    expectSame(leg.cut(p3, std::vector<SegmentRange>{{0, 40}, {40, 200}}), whole, round);
    EXPECT_EQ(pointAt(s.view(), 17.25), pointAt(p3, 17.25));
    hits += whole.points.size();
  }
  EXPECT_GT(hits, 100u);
}

TEST(PolylineCut, AResultWrittenOverKeepsNothingOfTheLastOne) {
  const Cutter leg(LineSeg{{0, 0, 0}, {10, 0, 0}});
  const std::vector<SegmentRange> all{{0, INT_MAX}};
  const std::vector<Point2d> along{{2, 0}, {4, 0}, {4, 1}}, across{{5, -1}, {5, 1}},
      clear{{5, 2}, {6, 3}};
  Intersections out;
  leg.cut(PolylineView2d{along, {}, false, 0}, all, out);
  EXPECT_EQ(out.kind, IntersectionKind::Overlap);
  ASSERT_EQ(out.overlaps.size(), 1u);
  leg.cut(PolylineView2d{across, {}, false, 7}, all, out);
  EXPECT_EQ(out.kind, IntersectionKind::Points);
  EXPECT_TRUE(out.overlaps.empty());
  ASSERT_EQ(out.points.size(), 1u);
  EXPECT_EQ(out.points[0].xy, (Point2d{5, 0}));
  EXPECT_EQ(out.points[0].zB, 7);
  leg.cut(PolylineView2d{clear, {}, false, 0}, all, out);
  EXPECT_EQ(out.kind, IntersectionKind::None);
  EXPECT_TRUE(out.points.empty());
  EXPECT_TRUE(out.overlaps.empty());
}

TEST(PolylineCut, EmptyAndSingleVertexViews) {
  const Cutter leg(LineSeg{{0, 0, 0}, {10, 0, 0}});
  const std::vector<Point2d> one{{5, 0}};
  EXPECT_EQ(leg.cut(PolylineView2d{}, SegmentRange{0, INT_MAX}).kind, IntersectionKind::None);
  const Intersections r = leg.cut(PolylineView2d{one, {}, false, 3}, std::vector<SegmentRange>{});
  ASSERT_EQ(r.points.size(), 1u);
  EXPECT_EQ(r.points[0].zB, 3);
}

}  // namespace
