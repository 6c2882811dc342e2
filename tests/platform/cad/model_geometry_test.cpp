// Geometry the database works out from its index and caches: the intersection of an
// entity with a prepared curve (only the runs near it are cut) must equal the kernel's
// cut of the entity's world curve, and the kept model-space extents must follow every
// change as a fresh measure would.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/cad/database.h"
#include "platform/cad/queries.h"

namespace cad {
namespace {

void expectSame(const geom::Intersections& got, const geom::Intersections& want) {
  ASSERT_EQ(got.kind, want.kind);
  ASSERT_EQ(got.points.size(), want.points.size());
  for (size_t i = 0; i < got.points.size(); ++i) {
    EXPECT_EQ(got.points[i].xy, want.points[i].xy) << i;
    EXPECT_EQ(got.points[i].paramA, want.points[i].paramA) << i;
    EXPECT_EQ(got.points[i].paramB, want.points[i].paramB) << i;
    EXPECT_EQ(got.points[i].zB, want.points[i].zB) << i;
  }
}

// A wavy contour of 1000 vertices at survey coordinates; every 32nd vertex (a run
// boundary of the index) lies on y = 5e5.
std::unique_ptr<LwPolyline> contour(bool bulged) {
  auto p = std::make_unique<LwPolyline>();
  for (int i = 0; i <= 1000; ++i) {
    const double y = i % 32 == 0 ? 0.0 : 40 * std::sin(i * 0.05) + 3;
    p->addVertex({{3.5e6 + i * 2.0, 5e5 + y}, bulged && i % 3 == 1 ? 0.4 : 0.0});
  }
  p->setElevation(850);
  return p;
}

geom::Intersections wholeCut(const Database& db, ObjectId id, const geom::Cutter& c) {
  auto e = db.openForRead<CurveEntity>(id);
  return c.cut(e->curve());
}

geom::Intersections dbCut(const Database& db, ObjectId id, const geom::Cutter& c) {
  auto e = db.openForRead<Entity>(id);
  return cad::intersectWith(db, *e, c);
}

TEST(IntersectWith, NearRunsOfIndexedPolylinesGiveTheWholeCut) {
  Database db;
  const ObjectId plain = *db.appendToModelSpace(contour(false));
  const ObjectId bulged = *db.appendToModelSpace(contour(true));
  auto mirrored = contour(true);
  mirrored->setExtrusion({{0, 0, -1}});
  const ObjectId flipped = *db.appendToModelSpace(std::move(mirrored));
  const ObjectId line = *db.appendToModelSpace(std::make_unique<Line>(
      geom::Point3d{3.5e6 + 100, 5e5 - 100, 0}, geom::Point3d{3.5e6 + 100, 5e5 + 100, 0}));
  const ObjectId block = *db.addTableRecord(std::make_unique<BlockRecord>("B"));
  const ObjectId inBlock = *db.appendEntity(block, contour(true));
  db.modelIndex().build();

  const geom::Cutter legs[] = {
      geom::Cutter(geom::LineSeg{{3.5e6 - 10, 5e5, 0}, {3.5e6 + 2010, 5e5, 0}}),  // on vertices
      geom::Cutter(geom::LineSeg{{3.5e6 + 64, 5e5 - 60, 0}, {3.5e6 + 64, 5e5 + 60, 0}}),
      geom::Cutter(geom::BulgeArc{{3.5e6 + 300, 5e5 - 50}, {3.5e6 + 900, 5e5 + 50}, 0.3, 0}),
  };
  size_t hits = 0;
  for (const geom::Cutter& leg : legs) {
    for (ObjectId id : {plain, bulged, flipped, line, inBlock}) {
      const geom::Intersections want = wholeCut(db, id, leg);
      expectSame(dbCut(db, id, leg), want);
      hits += want.points.size();
    }
  }
  EXPECT_GT(hits, 100u);

  // A change moves the runs with it.
  ASSERT_EQ(db.openForWrite<LwPolyline>(bulged)->translate({0, 7, 0}), Status::Ok);
  for (const geom::Cutter& leg : legs)
    expectSame(dbCut(db, bulged, leg), wholeCut(db, bulged, leg));
  // So does a change not yet closed (the index cannot know it).
  auto open = db.openForWrite<LwPolyline>(plain);
  open->translate({0, 11, 0});
  expectSame(cad::intersectWith(db, *open, legs[1]), legs[1].cut(open->curve()));
}

TEST(IntersectWith, NonCurvesHaveNoIntersections) {
  Database db;
  const ObjectId text = *db.appendToModelSpace(std::make_unique<Text>());
  const geom::Cutter leg(geom::LineSeg{{-10, 0, 0}, {10, 0, 0}});
  EXPECT_EQ(dbCut(db, text, leg).kind, geom::IntersectionKind::None);
}

geom::Extents3d measured(const Database& db) {
  geom::Extents3d box;
  db.forEachEntity(db.modelSpaceId(), [&](const Entity& e) {
    box.add(db.modelExtents().of(e.id()));
    return true;
  });
  return box;
}

void expectMeasured(Database& db) {
  const geom::Extents3d kept = db.modelExtents().update(), fresh = measured(db);
  EXPECT_EQ(kept.min, fresh.min);
  EXPECT_EQ(kept.max, fresh.max);
}

std::unique_ptr<Line> line(double x0, double y0, double x1, double y1, double z = 0) {
  return std::make_unique<Line>(geom::Point3d{x0, y0, z}, geom::Point3d{x1, y1, z});
}

TEST(ModelExtents, KeptInStepWithEveryKindOfChange) {
  Database db;
  const ObjectId inner = *db.appendToModelSpace(line(10, 10, 20, 20, 5));
  const ObjectId edge = *db.appendToModelSpace(line(0, 0, 100, 50, 0));
  expectMeasured(db);

  // A section line at elevation 0 on the border, appended and erased again.
  const ObjectId section = *db.appendToModelSpace(line(-50, 5, 60, 5, 0));
  expectMeasured(db);
  ASSERT_EQ(db.erase(section), Status::Ok);
  expectMeasured(db);
  EXPECT_EQ(db.modelExtents().update().min.x, 0);
  ASSERT_EQ(db.erase(inner), Status::Ok);
  expectMeasured(db);
  ASSERT_EQ(db.unerase(inner), Status::Ok);
  expectMeasured(db);

  // The border entity shrinks, then a change is measured while it is still open.
  ASSERT_EQ(db.openForWrite<Line>(edge)->translate({-30, 0, 0}), Status::Ok);
  expectMeasured(db);
  // It grows on one side while leaving the other.
  ASSERT_EQ(db.openForWrite<Line>(edge)->translate({60, 0, 0}), Status::Ok);
  expectMeasured(db);
  ASSERT_EQ(db.openForWrite<Line>(edge)->translate({-30, 0, 0}), Status::Ok);
  expectMeasured(db);
  {
    auto open = db.openForWrite<Line>(edge);
    open->setZ(-9);
    EXPECT_EQ(db.modelExtents().update().min.z, -9);
  }
  expectMeasured(db);

  // A reference follows its block, and a block renamed under it.
  const ObjectId block = *db.addTableRecord(std::make_unique<BlockRecord>("B"));
  const ObjectId part = *db.appendEntity(block, line(0, 0, 1, 1));
  auto ref = std::make_unique<BlockReference>();
  ref->setBlockName("B");
  ref->setPosition({500, 500, 0});
  db.appendToModelSpace(std::move(ref));
  expectMeasured(db);
  ASSERT_EQ(db.openForWrite<Line>(part)->translate({300, 0, 0}), Status::Ok);
  expectMeasured(db);
  EXPECT_EQ(db.modelExtents().update().max.x, 801);
  ASSERT_EQ(db.renameTableRecord(block, "C"), Status::Ok);
  expectMeasured(db);
}

}  // namespace
}  // namespace cad
