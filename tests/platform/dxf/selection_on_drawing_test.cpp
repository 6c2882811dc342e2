// Crossing selection on a real topographic drawing against a brute-force scan of every
// model space entity, and cadtool's select command against the library. The windows cut
// long contours between vertices in the middle of an index run, clip the caps of arcs,
// circles, ellipses and splines, and fall at random over the sheet.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>

#include "platform/cad/database.h"
#include "platform/cad/queries.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/out_tags.h"
#include "platform/geom/evaluate.h"
#include "support/shared_data.h"

namespace dxf {
namespace {

using geom::Extents2d;
using geom::Point2d;

enum class Verdict { In, Out, Unsure };

constexpr double kEdge = 1e-6;    // straight segments: doubt only on the boundary itself
constexpr double kMargin = 0.01;  // sampled curves: chords stay within this of the curve
constexpr double kStep = 0.05;    // sample spacing along curved pieces (drawing units)

Extents2d grown(const Extents2d& r, double d) {
  return {{r.min.x - d, r.min.y - d}, {r.max.x + d, r.max.y + d}};
}

// Liang-Barsky: whether segment ab meets the closed rectangle.
bool segmentMeets(Point2d a, Point2d b, const Extents2d& r) {
  double t0 = 0.0, t1 = 1.0;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const std::array<double, 4> p{-dx, dx, -dy, dy};
  const std::array<double, 4> q{a.x - r.min.x, r.max.x - a.x, a.y - r.min.y, r.max.y - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  return true;
}

// An entity as the brute force sees it: chains of points joined by chords, each with the
// doubt band its chords carry, or a box for what is not a curve.
struct Shape {
  cad::ObjectId id;
  std::string type;
  std::vector<std::pair<std::vector<Point2d>, double>> chains;
  Extents2d box;
  bool isBox = false;
};

void sampleInto(std::vector<Point2d>& out, const geom::Curve& c, double lo, double hi) {
  double length = 0.0;
  Point2d prev = geom::pointAt(c, lo).xy();
  for (int k = 1; k <= 256; ++k) {
    const Point2d p = geom::pointAt(c, lo + (hi - lo) * k / 256).xy();
    length += std::hypot(p.x - prev.x, p.y - prev.y);
    prev = p;
  }
  const int n = std::clamp(static_cast<int>(length / kStep), 256, 400000);
  for (int k = 0; k <= n; ++k) out.push_back(geom::pointAt(c, lo + (hi - lo) * k / n).xy());
}

std::string kindName(cad::ObjectKind k) {
  switch (k) {
    case cad::ObjectKind::LwPolyline:
      return "LWPOLYLINE";
    case cad::ObjectKind::Polyline2d:
    case cad::ObjectKind::Polyline3d:
      return "POLYLINE";
    case cad::ObjectKind::Arc:
      return "ARC";
    case cad::ObjectKind::Circle:
      return "CIRCLE";
    case cad::ObjectKind::Ellipse:
      return "ELLIPSE";
    case cad::ObjectKind::Spline:
      return "SPLINE";
    default:
      return "entity";
  }
}

Shape shapeOf(const cad::Database& db, const cad::Entity& e) {
  Shape s{e.id(), kindName(e.kind()), {}, {}, false};
  const auto* curveEntity = cad::objectCast<cad::CurveEntity>(&e);
  if (curveEntity == nullptr) {
    s.isBox = true;
    s.box = db.modelExtents().of(e.id()).xy();
    return s;
  }
  const geom::Curve c = curveEntity->curve();
  if (const auto* p = std::get_if<geom::Polyline2d>(&c)) {
    const int segments = geom::segmentCount(*p);
    std::vector<Point2d> straight{};
    for (int i = 0; i < segments; ++i) {
      const Point2d a = p->vertices[i].point;
      const Point2d b = p->vertices[(i + 1) % p->vertices.size()].point;
      if (p->vertices[i].bulge == 0.0) {
        s.chains.push_back({{a, b}, kEdge});
      } else {
        std::vector<Point2d> arc;
        sampleInto(arc, c, i, i + 1);
        s.chains.push_back({std::move(arc), kMargin});
      }
    }
    if (segments == 0 && !p->vertices.empty()) {
      s.chains.push_back({{p->vertices[0].point, p->vertices[0].point}, kEdge});
    }
  } else if (const auto* p3 = std::get_if<geom::Polyline3d>(&c)) {
    std::vector<Point2d> pts;
    for (const auto& v : p3->vertices) pts.push_back(v.xy());
    if (p3->closed && !pts.empty()) pts.push_back(pts.front());
    s.chains.push_back({std::move(pts), kEdge});
  } else if (const auto* l = std::get_if<geom::LineSeg>(&c)) {
    s.chains.push_back({{l->start.xy(), l->end.xy()}, kEdge});
  } else {
    const geom::ParamRange r = geom::paramRange(c);
    std::vector<Point2d> pts;
    sampleInto(pts, c, r.lo, r.hi);
    s.chains.push_back({std::move(pts), kMargin});
  }
  for (const auto& chain : s.chains) {
    for (const Point2d& q : chain.first) s.box.add(q);
  }
  return s;
}

Verdict bruteCrossing(const Shape& s, const Extents2d& r) {
  if (s.isBox) {
    if (s.box.empty()) return Verdict::Out;
    const auto overlaps = [&](const Extents2d& w) {
      return s.box.min.x <= w.max.x && s.box.max.x >= w.min.x && s.box.min.y <= w.max.y &&
             s.box.max.y >= w.min.y;
    };
    if (overlaps(grown(r, -kEdge))) return Verdict::In;
    return overlaps(grown(r, kEdge)) ? Verdict::Unsure : Verdict::Out;
  }
  const Extents2d outer = grown(r, kMargin);
  if (s.box.empty() || s.box.max.x < outer.min.x || s.box.min.x > outer.max.x ||
      s.box.max.y < outer.min.y || s.box.min.y > outer.max.y) {
    return Verdict::Out;
  }
  bool unsure = false;
  for (const auto& [pts, doubt] : s.chains) {
    const Extents2d inner = grown(r, -doubt), wide = grown(r, doubt);
    for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
      if (segmentMeets(pts[i], pts[i + 1], inner)) return Verdict::In;
      unsure = unsure || segmentMeets(pts[i], pts[i + 1], wide);
    }
  }
  return unsure ? Verdict::Unsure : Verdict::Out;
}

std::vector<Point2d> polygonOf(const Extents2d& r) {
  return {{r.max.x, r.max.y}, {r.min.x, r.max.y}, {r.min.x, r.min.y}, {r.max.x, r.min.y}};
}

Extents2d around(Point2d c, double hw, double hh) {
  return {{c.x - hw, c.y - hh}, {c.x + hw, c.y + hh}};
}

const char* const kDrawing = KESTRA_SHARED_DATA "/topo/topo_small.dxf";

class DrawingSelection : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing_support::HaveSharedData()) return;
    ReadReport report;
    db_ = readDrawing(kDrawing, report).release();
    ASSERT_NE(db_, nullptr) << report.message;
    shapes_ = new std::vector<Shape>();
    db_->forEachEntity(db_->modelSpaceId(), [](const cad::Entity& e) {
      shapes_->push_back(shapeOf(*db_, e));
      return true;
    });
  }
  void SetUp() override { KESTRA_REQUIRE_SHARED_DATA(); }
  static void TearDownTestSuite() {
    delete db_;
    delete shapes_;
  }

  // Compares one window; returns how many entities the brute force was sure of.
  static int compare(const Extents2d& r, const std::string& what) {
    const std::vector<cad::ObjectId> got = cad::selectCrossing(*db_, polygonOf(r));
    int sure = 0;
    for (const Shape& s : *shapes_) {
      const Verdict v = bruteCrossing(s, r);
      if (v == Verdict::Unsure) continue;
      ++sure;
      const bool hit = std::binary_search(got.begin(), got.end(), s.id);
      EXPECT_EQ(hit, v == Verdict::In)
          << what << ": " << s.type << " " << handleText(s.id.handle());
    }
    return sure;
  }

  static const Shape& longestPolyline() {
    const Shape* best = nullptr;
    for (const Shape& s : *shapes_) {
      if (s.type == "LWPOLYLINE" && (best == nullptr || s.chains.size() > best->chains.size())) {
        best = &s;
      }
    }
    return *best;
  }

  static inline cad::Database* db_ = nullptr;
  static inline std::vector<Shape>* shapes_ = nullptr;
};

TEST_F(DrawingSelection, WindowsBetweenTheVerticesOfALongContour) {
  const Shape& contour = longestPolyline();
  ASSERT_GT(contour.chains.size(), 200u) << "the drawing should have a long contour";
  int selected = 0;
  // Segments in the middle of a run of the index and at the seam between two runs.
  for (std::size_t seg : {16u, 48u, 95u, 96u, 143u, 160u}) {
    const auto& chord = contour.chains[seg].first;
    if (chord.size() != 2) continue;  // a bulged piece
    const Point2d a = chord.front(), b = chord.back();
    const Point2d mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
    const double half = 0.2 * std::hypot(b.x - a.x, b.y - a.y);
    const Extents2d r = around(mid, half, half);
    ASSERT_FALSE(r.contains(a) || r.contains(b));
    compare(r, "segment " + std::to_string(seg));
    const auto got = cad::selectCrossing(*db_, polygonOf(r));
    selected += std::binary_search(got.begin(), got.end(), contour.id);
  }
  EXPECT_GE(selected, 5);
}

TEST_F(DrawingSelection, WindowsThatClipTheCapsOfCurves) {
  int curves = 0;
  for (const Shape& s : *shapes_) {
    if (s.type != "ARC" && s.type != "CIRCLE" && s.type != "ELLIPSE" && s.type != "SPLINE" &&
        s.type != "POLYLINE") {
      continue;
    }
    ++curves;
    // The sample that reaches highest: a window whose lower edge lies just below it takes
    // in only the cap of the curve; one just above takes nothing of it.
    Point2d top{0, -1e300};
    for (const auto& chain : s.chains) {
      for (const Point2d& p : chain.first) {
        if (p.y > top.y) top = p;
      }
    }
    const double w = std::max(1.0, 0.05 * (s.box.max.x - s.box.min.x));
    const std::string name = s.type + " " + handleText(s.id.handle());
    const Extents2d cap{{top.x - w, top.y - 0.05}, {top.x + w, top.y + 5}};
    const Extents2d above{{top.x - w, top.y + 0.05}, {top.x + w, top.y + 5}};
    compare(cap, name + " cap");
    compare(above, name + " above");
    const auto hits = cad::selectCrossing(*db_, polygonOf(cap));
    EXPECT_TRUE(std::binary_search(hits.begin(), hits.end(), s.id)) << name;
    // A small window on the curve away from its ends.
    const auto& pts = s.chains[s.chains.size() / 2].first;
    compare(around(pts[pts.size() / 2], 0.5, 0.3), name + " middle");
  }
  EXPECT_GE(curves, 15);
}

TEST_F(DrawingSelection, RandomWindowsOverTheSheet) {
  const Extents2d sheet = db_->modelExtents().update().xy();
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> fx(sheet.min.x, sheet.max.x), fy(sheet.min.y, sheet.max.y);
  std::uniform_real_distribution<double> size(0.5, 120.0);
  int sure = 0;
  for (int q = 0; q < 60; ++q) {
    const Point2d c{fx(rng), fy(rng)};
    sure += compare(around(c, size(rng), size(rng)), "window " + std::to_string(q));
  }
  EXPECT_GT(sure, 60 * 400);
}

// cadtool select prints what the library selects, in the same order.
TEST_F(DrawingSelection, CadtoolSelectsTheSame) {
  const auto& chord = longestPolyline().chains[40].first;
  const Point2d c{(chord.front().x + chord.back().x) / 2, (chord.front().y + chord.back().y) / 2};
  for (double half : {0.1, 40.0, 250.0}) {
    const Extents2d r = around(c, half, half * 0.7);
    char window[200];
    std::snprintf(window, sizeof window, "%.17g,%.17g,%.17g,%.17g", r.min.x, r.min.y, r.max.x,
                  r.max.y);
    const std::string command =
        std::string("'") + KESTRA_CADTOOL + "' select '" + kDrawing + "' --crossing " + window;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
    // One entity a line: its handle, then its type and layer.
    std::string handles;
    for (std::size_t at = 0; at < out.size();) {
      const std::size_t end = out.find('\n', at);
      handles += out.substr(at, out.find(' ', at) - at).substr(0, end - at) + "\n";
      at = end == std::string::npos ? out.size() : end + 1;
    }
    out = handles;
    std::string expected;
    for (cad::ObjectId id : cad::selectCrossing(*db_, polygonOf(r))) {
      expected += handleText(id.handle()) + "\n";
    }
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(out, expected) << window;
  }
}

}  // namespace
}  // namespace dxf
