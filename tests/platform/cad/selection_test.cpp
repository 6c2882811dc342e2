// The spatial index kept in step with adds, changes and erasures, and crossing / window
// selection checked against an independent brute-force scan.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/cad/crossing.h"
#include "platform/cad/database.h"
#include "platform/cad/near_segments.h"
#include "platform/cad/queries.h"
#include "platform/cad/spatial_index.h"
#include "platform/geom/evaluate.h"

namespace cad {
namespace {

std::vector<ObjectId> inBox(const Database& db, geom::Extents2d box) {
  std::vector<ObjectId> ids;
  db.modelIndex().query(box, [&](ObjectId id, int) {
    ids.push_back(id);
    return true;
  });
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

geom::Extents2d box(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y1}}; }

std::vector<geom::Point2d> rect(double x0, double y0, double x1, double y1) {
  return {{x1, y1}, {x0, y1}, {x0, y0}, {x1, y0}};
}

TEST(SpatialIndex, KeptInStepWithAddChangeAndErase) {
  Database db;
  db.modelIndex().build();  // built before the changes, so each must update it
  const ObjectId id = *db.appendToModelSpace(std::make_unique<Circle>());
  db.openForWrite<Circle>(id)->setRadius(1);
  EXPECT_EQ(inBox(db, box(-2, -2, 2, 2)), std::vector<ObjectId>{id});

  db.openForWrite<Circle>(id)->translate({100, 0, 0});
  EXPECT_TRUE(inBox(db, box(-2, -2, 2, 2)).empty());
  EXPECT_EQ(inBox(db, box(99, -1, 101, 1)), std::vector<ObjectId>{id});

  ASSERT_EQ(db.erase(id), Status::Ok);
  EXPECT_TRUE(inBox(db, box(99, -1, 101, 1)).empty());
  ASSERT_EQ(db.unerase(id), Status::Ok);
  EXPECT_EQ(inBox(db, box(99, -1, 101, 1)), std::vector<ObjectId>{id});

  // Entities of other blocks are not in the model space index.
  const ObjectId block = *db.addTableRecord(std::make_unique<BlockRecord>("B"));
  db.appendEntity(block,
                  std::make_unique<Line>(geom::Point3d{100, 0, 0}, geom::Point3d{101, 0, 0}));
  EXPECT_EQ(inBox(db, box(99, -1, 101, 1)).size(), 1u);
}

TEST(SpatialIndex, NearSegmentsHandOutTheEntitiesOfTheDatabase) {
  Database db;
  auto pl = std::make_unique<LwPolyline>();
  for (int i = 0; i <= 200; ++i) pl->addVertex({{double(i), 0.5 * std::sin(i * 0.1)}});
  const ObjectId contour = *db.appendToModelSpace(std::move(pl));
  const ObjectId line = *db.appendToModelSpace(
      std::make_unique<Line>(geom::Point3d{50, -3, 0}, geom::Point3d{50, 3, 0}));
  const ObjectId gone = *db.appendToModelSpace(
      std::make_unique<Line>(geom::Point3d{51, -3, 0}, geom::Point3d{51, 3, 0}));
  db.appendToModelSpace(std::make_unique<PointEntity>(geom::Point3d{50.5, 0, 0}));
  ASSERT_EQ(db.erase(gone), Status::Ok);
  db.modelIndex().build();

  std::vector<geom::Cutter> cuts;
  cuts.emplace_back(geom::Curve{geom::LineSeg{{45, -5, 0}, {55, 5, 0}}});
  cuts.emplace_back(geom::Curve{geom::LineSeg{{150, -5, 0}, {150, 5, 0}}});
  NearSegments near(db, cuts);
  std::vector<NearSegments::Curve> curves;
  near.near(0, curves);
  // The contour (a few of its segments) and the line; neither the erased line nor the point.
  ASSERT_EQ(curves.size(), 2u);
  EXPECT_EQ(curves[0].id, contour);
  EXPECT_FALSE(curves[0].ranges.empty());
  EXPECT_EQ(curves[1].id, line);
  for (const NearSegments::Curve& c : curves) EXPECT_EQ(c.entity, db.peek(c.id));
  near.near(1, curves);
  ASSERT_EQ(curves.size(), 1u);
  EXPECT_EQ(curves[0].entity, db.peek(contour));
}

TEST(SpatialIndex, LongPolylinesAreIndexedPerRunOfSegments) {
  Database db;
  auto pl = std::make_unique<LwPolyline>();
  for (int i = 0; i <= 1000; ++i) pl->addVertex({{double(i), std::sin(i * 0.01)}});
  const ObjectId id = *db.appendToModelSpace(std::move(pl));
  int parts = 0;
  db.modelIndex().query(box(500.5, -2, 500.6, 2), [&](ObjectId hit, int part) {
    EXPECT_EQ(hit, id);
    EXPECT_EQ(part, 500 / 32);
    ++parts;
    return true;
  });
  EXPECT_EQ(parts, 1);  // one run, not the whole contour
  EXPECT_EQ(cad::selectCrossing(db, rect(500.5, -2, 500.6, 2)), std::vector<ObjectId>{id});
  EXPECT_TRUE(cad::selectWindow(db, rect(500.5, -2, 500.6, 2)).empty());
  EXPECT_EQ(cad::selectWindow(db, rect(-1, -2, 1001, 2)), std::vector<ObjectId>{id});
}

// The parts of one id near a box, found block by block, against every part tested alone:
// after a bulk build and after an insert, with empty parts among them.
TEST(SpatialIndex, PartsNearABoxAreEveryPartWhoseBoxTouchesIt) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> step(-3, 3), size(0, 2), pos(-60, 60);
  std::vector<geom::Extents2d> parts;
  geom::Point2d at{0, 0};
  for (int i = 0; i < 700; ++i) {
    at = at + geom::Vector2d{step(rng), step(rng)};
    parts.push_back(i % 97 == 5
                        ? geom::Extents2d{}
                        : geom::Extents2d::of(at, at + geom::Vector2d{size(rng), size(rng)}));
  }
  std::vector<IndexEntry> entries;
  for (std::size_t i = 0; i < parts.size(); ++i)
    entries.push_back({parts[i], ObjectId(0x40), static_cast<int>(i)});
  SpatialIndex built(std::move(entries));
  SpatialIndex inserted;
  inserted.insert(ObjectId(0x40), parts);
  for (int q = 0; q < 300; ++q) {
    const double x = pos(rng), y = pos(rng), w = size(rng) * (q % 3 == 0 ? 20 : 2);
    const geom::Extents2d query = box(x, y, x + w, y + w);
    std::vector<int> expected;
    for (std::size_t i = 0; i < parts.size(); ++i)
      if (parts[i].intersects(query)) expected.push_back(static_cast<int>(i));
    for (const SpatialIndex* index : {&built, &inserted}) {
      std::vector<int> got, kept;
      index->partsTouching(ObjectId(0x40), query, got);
      EXPECT_EQ(got, expected) << "query " << q;
      index->partsTouching(ObjectId(0x40), query, kept,
                           [](const geom::Extents2d& b) { return b.min.x < 0; });
      std::vector<int> right;
      for (int i : expected)
        if (!(parts[i].min.x < 0)) right.push_back(i);
      EXPECT_EQ(kept, right) << "query " << q;
    }
  }
}

// ---- brute force: sample each curve finely and decide with plain geometry

std::vector<geom::Point2d> samples(const Entity& e) {
  std::vector<geom::Point2d> out;
  if (const auto* p = objectCast<PointEntity>(&e)) return {p->position().xy()};
  const geom::Curve c = static_cast<const CurveEntity&>(e).curve();
  const geom::ParamRange r = geom::paramRange(c);
  const int n = 400 * std::max(1, static_cast<int>(std::ceil(r.hi - r.lo)));
  for (int k = 0; k <= n; ++k) out.push_back(geom::pointAt(c, r.lo + (r.hi - r.lo) * k / n).xy());
  return out;
}

enum class Verdict { In, Out, Unsure };

// Crossing against an axis-aligned rectangle: some sample inside. Samples within `margin`
// of the boundary make the verdict unsure (the sampling could miss a graze).
Verdict bruteCrossing(const std::vector<geom::Point2d>& pts, const geom::Extents2d& r,
                      double margin) {
  bool near = false;
  for (const auto& p : pts) {
    const bool inside = r.contains(p);
    const double dx = std::min(std::fabs(p.x - r.min.x), std::fabs(p.x - r.max.x));
    const double dy = std::min(std::fabs(p.y - r.min.y), std::fabs(p.y - r.max.y));
    if ((dx < margin && p.y > r.min.y - margin && p.y < r.max.y + margin) ||
        (dy < margin && p.x > r.min.x - margin && p.x < r.max.x + margin)) {
      near = true;
    }
    if (inside && !near) return Verdict::In;
  }
  return near ? Verdict::Unsure : Verdict::Out;
}

TEST(CrossingSelection, AgreesWithABruteForceScanOnRandomEntities) {
  std::mt19937 rng(20240607);
  std::uniform_real_distribution<double> pos(0, 1000), small(1, 40), unit(0, 1);
  Database db;
  const geom::Vector3d offset{3.5e6, 5e5, 0};  // survey coordinates
  for (int i = 0; i < 900; ++i) {
    const geom::Point3d c = geom::Point3d{pos(rng), pos(rng), 0} + offset;
    std::unique_ptr<Entity> e;
    switch (i % 9) {
      case 0:
        e = std::make_unique<Line>(c, c + geom::Vector3d{small(rng), small(rng) - 20, 0});
        break;
      case 1: {
        auto pl = std::make_unique<LwPolyline>();
        geom::Point2d p = c.xy();
        const int n = 3 + int(unit(rng) * 80);
        for (int k = 0; k < n; ++k) {
          pl->addVertex({p, unit(rng) < 0.2 ? unit(rng) * 2 - 1 : 0.0});
          p = p + geom::Vector2d{small(rng) - 20, small(rng) - 20};
        }
        e = std::move(pl);
        break;
      }
      case 2: {
        auto circle = std::make_unique<Circle>();
        circle->setOcsCentre(c), circle->setRadius(small(rng));
        e = std::move(circle);
        break;
      }
      case 3: {
        auto arc = std::make_unique<Arc>();
        arc->setOcsCentre(c), arc->setRadius(small(rng));
        arc->setAnglesDegrees(unit(rng) * 360, unit(rng) * 360);
        e = std::move(arc);
        break;
      }
      case 4: {
        auto el = std::make_unique<Ellipse>();
        el->setCentre(c);
        el->setMajorAxis({small(rng), small(rng) - 20, 0});
        el->setRatio(0.2 + unit(rng) * 0.8);
        el->setParams(unit(rng) * 6, unit(rng) * 6);
        e = std::move(el);
        break;
      }
      default:
        e = std::make_unique<PointEntity>(c);
        break;
    }
    ASSERT_TRUE(db.appendToModelSpace(std::move(e)));
  }
  std::vector<std::pair<ObjectId, std::vector<geom::Point2d>>> all;
  db.forEachEntity(db.modelSpaceId(),
                   [&](const Entity& e) { return all.emplace_back(e.id(), samples(e)), true; });

  int compared = 0, selected = 0;
  for (int q = 0; q < 100; ++q) {
    const double x = pos(rng) + offset.x, y = pos(rng) + offset.y;
    const geom::Extents2d r = box(x, y, x + small(rng) * 3, y + small(rng) * 2);
    const std::vector<ObjectId> got =
        cad::selectCrossing(db, rect(r.min.x, r.min.y, r.max.x, r.max.y));
    for (const auto& [id, pts] : all) {
      const Verdict v = bruteCrossing(pts, r, 0.2);
      if (v == Verdict::Unsure) continue;
      ++compared;
      const bool hit = std::binary_search(got.begin(), got.end(), id);
      selected += hit;
      EXPECT_EQ(hit, v == Verdict::In) << "entity " << id.handle() << " query " << q;
    }
  }
  EXPECT_GT(compared, 80000);
  EXPECT_GT(selected, 100);
}

TEST(CrossingSelection, PolygonInsideAClosedCurveDoesNotSelectIt) {
  Database db;
  auto circle = std::make_unique<Circle>();
  circle->setRadius(100);
  const ObjectId id = *db.appendToModelSpace(std::move(circle));
  EXPECT_TRUE(cad::selectCrossing(db, rect(-1, -1, 1, 1)).empty());
  EXPECT_EQ(cad::selectCrossing(db, rect(99, -1, 101, 1)), std::vector<ObjectId>{id});
  // A triangle whose edge grazes the circle's top is a crossing.
  const std::vector<geom::Point2d> tri{{-50, 100}, {50, 100}, {0, 150}};
  EXPECT_EQ(cad::selectCrossing(db, tri), std::vector<ObjectId>{id});
  EXPECT_TRUE(cad::selectCrossing(db, std::vector<geom::Point2d>{{0, 0}, {1, 1}}).empty());
}

// A point surely inside a selection box settles a crossing: every polyline through one is
// selected (checked on contours crossing survey-sized boxes at every slant), and points on
// or just beside the boundary, or in a polygon that is no box, settle nothing.
TEST(CrossingSelection, APointSurelyInsideTheBoxSelectsEveryCurveThroughIt) {
  std::mt19937 rng(20261208);
  std::uniform_real_distribution<double> unit(0, 1);
  const geom::Point2d o{3.5e6, 5e5};
  Database db;
  std::vector<std::pair<ObjectId, std::vector<geom::Point2d>>> lines;
  for (int i = 0; i < 300; ++i) {
    auto pl = std::make_unique<LwPolyline>();
    std::vector<geom::Point2d> pts;
    geom::Point2d p = o + geom::Vector2d{unit(rng) * 200, unit(rng) * 200};
    for (int k = 0; k < 40; ++k) {
      pts.push_back(p);
      pl->addVertex({p, 0.0});
      p = p + geom::Vector2d{unit(rng) * 20 - 10, unit(rng) * 20 - 10};
    }
    lines.emplace_back(*db.appendToModelSpace(std::move(pl)), std::move(pts));
  }
  int settled = 0;
  for (int q = 0; q < 200; ++q) {
    const geom::Point2d a = o + geom::Vector2d{unit(rng) * 200, unit(rng) * 200};
    const geom::Point2d b = a + geom::Vector2d{unit(rng) * 60 - 30, unit(rng) * 60 - 30};
    const auto corners =
        rect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y));
    const detail::SelectionPolygon poly(corners);
    for (const auto& [id, pts] : lines) {
      for (std::size_t k = 0; k + 1 < pts.size(); ++k) {
        const geom::Point2d m = pts[k] + (pts[k + 1] - pts[k]) * unit(rng);
        if (!poly.surelyInside(m)) continue;
        ++settled;
        EXPECT_TRUE(cad::crossesPolygon(db, id, corners))
            << "query " << q << " entity " << id.handle();
        break;
      }
    }
  }
  EXPECT_GT(settled, 200);

  const detail::SelectionPolygon square(rect(o.x, o.y, o.x + 10, o.y + 10));
  EXPECT_TRUE(square.surelyInside(o + geom::Vector2d{5, 5}));
  EXPECT_TRUE(square.surelyInside(o + geom::Vector2d{0.01, 9.99}));
  for (geom::Vector2d v : {geom::Vector2d{0, 5}, geom::Vector2d{10, 5}, geom::Vector2d{5, 1e-12},
                           geom::Vector2d{5, 10 - 1e-12}, geom::Vector2d{-1, 5}}) {
    EXPECT_FALSE(square.surelyInside(o + v)) << v.x << ", " << v.y;
  }
  const detail::SelectionPolygon triangle(
      std::vector<geom::Point2d>{o, o + geom::Vector2d{10, 0}, o + geom::Vector2d{0, 10}});
  EXPECT_FALSE(triangle.surelyInside(o + geom::Vector2d{1, 1}));
}

TEST(WindowSelection, OnlyWhatLiesEntirelyInside) {
  Database db;
  const ObjectId inner = *db.appendToModelSpace(
      std::make_unique<Line>(geom::Point3d{1, 1, 0}, geom::Point3d{2, 2, 0}));
  const ObjectId across = *db.appendToModelSpace(
      std::make_unique<Line>(geom::Point3d{1, 1, 0}, geom::Point3d{20, 2, 0}));
  auto arc = std::make_unique<Arc>();
  arc->setOcsCentre({5, 5, 0}), arc->setRadius(4), arc->setAnglesDegrees(0, 180);
  const ObjectId arcId = *db.appendToModelSpace(std::move(arc));  // top reaches y = 9
  EXPECT_EQ(cad::selectWindow(db, rect(0, 0, 10, 10)), (std::vector<ObjectId>{inner, arcId}));
  EXPECT_EQ(cad::selectWindow(db, rect(0, 0, 10, 8.9)), std::vector<ObjectId>{inner});
  EXPECT_EQ(cad::selectCrossing(db, rect(0, 0, 10, 10)),
            (std::vector<ObjectId>{inner, across, arcId}));
}

}  // namespace
}  // namespace cad
