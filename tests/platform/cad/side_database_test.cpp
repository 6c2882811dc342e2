// Side databases: block write-out, insert as a block definition, extents.

#include <gtest/gtest.h>

#include "platform/cad/block_ops.h"
#include "platform/cad/database.h"
#include "platform/cad/queries.h"

namespace cad {
namespace {

// A frame drawing: block "A3" on layer "FRAME" (linetype "DASHED"), with a text in style
// "TITLE" and a nested block "LOGO".
struct FrameFile {
  Database db;
  ObjectId a3, logo;

  FrameFile() {
    auto lt = std::make_unique<Linetype>("DASHED");
    lt->setPattern({5, -2});
    db.addTableRecord(std::move(lt));
    auto layer = std::make_unique<Layer>("FRAME");
    layer->setColour(3);
    layer->setLinetype("DASHED");
    db.addTableRecord(std::move(layer));
    db.addTableRecord(std::make_unique<Layer>("UNUSED"));
    auto style = std::make_unique<TextStyle>("TITLE");
    style->setWidthFactor(0.8);
    db.addTableRecord(std::move(style));

    logo = *db.addTableRecord(std::make_unique<BlockRecord>("LOGO"));
    db.appendEntity(logo, std::make_unique<Line>(geom::Point3d{0, 0, 0}, geom::Point3d{5, 5, 0}));

    auto block = std::make_unique<BlockRecord>("A3");
    block->setBasePoint({10, 10, 0});
    a3 = *db.addTableRecord(std::move(block));
    auto outline = std::make_unique<LwPolyline>();
    outline->setVertices({{{10, 10}}, {{430, 10}}, {{430, 307}}, {{10, 307}}});
    outline->setClosed(true);
    outline->setLayer("FRAME");
    db.appendEntity(a3, std::move(outline));
    auto title = std::make_unique<Text>();
    title->setStyle("TITLE");
    title->setPosition({20, 280, 0});
    title->setLayer("FRAME");
    db.appendEntity(a3, std::move(title));
    db.appendEntity(a3, std::make_unique<BlockReference>("LOGO", geom::Point3d{400, 20, 0}));
    db.clearModifiedFlags();
  }
};

std::size_t countEntities(const Database& db, ObjectId block) {
  std::size_t n = 0;
  db.forEachEntity(block, [&](const Entity&) { return ++n > 0; });
  return n;
}

TEST(Wblock, WritesOneBlockOutWithWhatItUses) {
  FrameFile frame;
  const std::size_t before = frame.db.objectCount();
  auto out = cad::wblock(frame.db, frame.a3);
  ASSERT_TRUE(out);
  Database& w = **out;
  EXPECT_EQ(countEntities(w, w.modelSpaceId()), 3u);
  EXPECT_EQ(w.insertionBase(), (geom::Point3d{10, 10, 0}));
  EXPECT_TRUE(w.layers().has("FRAME"));
  EXPECT_TRUE(w.linetypes().has("DASHED"));  // named by the layer
  EXPECT_TRUE(w.textStyles().has("TITLE"));
  EXPECT_TRUE(w.blocks().has("LOGO"));
  EXPECT_FALSE(w.layers().has("UNUSED"));
  EXPECT_NEAR(w.drawingExtents().max.x, 430, 1e-9);
  w.forEachEntity(w.modelSpaceId(), [&](const Entity& e) {
    EXPECT_EQ(e.owner(), w.modelSpaceId());
    EXPECT_TRUE(e.isModified());
    return true;
  });
  // The source is untouched.
  EXPECT_EQ(frame.db.objectCount(), before);
  for (ObjectId id : frame.db.allIds()) EXPECT_FALSE(frame.db.peek(id)->isModified());

  EXPECT_EQ(cad::wblock(frame.db, ObjectId(0xBAD)).status(), Status::KeyNotFound);
}

TEST(Insert, DeepCloneWithFreshHandlesAndMergedTables) {
  FrameFile frame;
  auto side = cad::wblock(frame.db, frame.a3);
  ASSERT_TRUE(side);
  Database work;
  auto mine = std::make_unique<Layer>("frame");
  mine->setColour(1);
  work.addTableRecord(std::move(mine));
  // Fill the working drawing with handles the side database also uses.
  for (int i = 0; i < 50; ++i) work.appendToModelSpace(std::make_unique<Line>());

  const Handle seedBefore = work.handleSeed();
  const Result<ObjectId> def = cad::insertBlock(work, "RUVOA3LS", **side);
  ASSERT_TRUE(def);
  const auto rec = work.openForRead<BlockRecord>(*def);
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->basePoint(), (geom::Point3d{10, 10, 0}));
  EXPECT_EQ(countEntities(work, *def), 3u);
  for (ObjectId id : rec->entityIds()) {
    EXPECT_GE(id.handle(), seedBefore);
    EXPECT_EQ(work.peek(id)->owner(), *def);
  }
  // The working drawing's layer of that name wins; what it lacked came along.
  EXPECT_EQ(work.openForRead<Layer>(work.layers().getIdAt("FRAME"))->colour(), 1);
  EXPECT_TRUE(work.linetypes().has("DASHED"));
  EXPECT_TRUE(work.blocks().has("LOGO"));

  // A reference to the new definition has the definition's extents.
  auto ref = std::make_unique<BlockReference>("RUVOA3LS", geom::Point3d{-60, -105.5, 0});
  const ObjectId refId = *work.appendToModelSpace(std::move(ref));
  const geom::Extents3d e = work.modelExtents().of(refId);
  EXPECT_NEAR(e.min.x, -60, 1e-9);
  EXPECT_NEAR(e.max.x, 360, 1e-9);
  EXPECT_NEAR(e.max.y, 191.5, 1e-9);
  EXPECT_NEAR(work.modelExtents().update().max.x, 360, 1e-9);
}

TEST(Insert, RedefineKeepExistingAndRefusals) {
  FrameFile frame;
  auto side = cad::wblock(frame.db, frame.a3);
  ASSERT_TRUE(side);
  Database work;
  const ObjectId first = *cad::insertBlock(work, "F", **side);
  const std::size_t objects = work.objectCount();
  EXPECT_EQ(*cad::insertBlock(work, "f", **side, DuplicateBlock::KeepExisting), first);
  EXPECT_EQ(work.objectCount(), objects);
  EXPECT_EQ(*cad::insertBlock(work, "F", **side), first);  // redefined in place
  EXPECT_EQ(countEntities(work, first), 3u);               // the old contents are erased (an undo
  EXPECT_EQ(work.objectCount(), objects + 3);  // brings them back), not left in the block

  EXPECT_EQ(cad::insertBlock(work, "", **side).status(), Status::InvalidInput);
  EXPECT_EQ(cad::insertBlock(work, "G", work).status(), Status::InvalidInput);
  EXPECT_EQ(cad::insertBlock(work, "*Model_Space", **side).status(), Status::InvalidInput);

  // A drawing that references the name it is inserted under would contain itself.
  const std::size_t before = work.objectCount();
  EXPECT_EQ(cad::insertBlock(work, "LOGO", **side).status(), Status::CycleDetected);
  EXPECT_EQ(work.objectCount(), before);  // refused before anything changed
}

}  // namespace
}  // namespace cad

namespace cad {
namespace {

TEST(Extents, ABlockThatContainsItselfEndsInsteadOfRecursingForever) {
  // Damaged files can hold such a block; extents must still come back.
  Database db;
  const ObjectId loop = *db.addTableRecord(std::make_unique<BlockRecord>("LOOP"));
  db.appendEntity(loop, std::make_unique<Line>(geom::Point3d{0, 0, 0}, geom::Point3d{1, 1, 0}));
  // Two references to itself: a depth limit alone would visit 2^depth references.
  db.appendEntity(loop, std::make_unique<BlockReference>("LOOP", geom::Point3d{1, 0, 0}));
  db.appendEntity(loop, std::make_unique<BlockReference>("LOOP", geom::Point3d{0, 1, 0}));
  const ObjectId ref =
      *db.appendToModelSpace(std::make_unique<BlockReference>("loop", geom::Point3d{0, 0, 0}));
  EXPECT_FALSE(db.modelExtents().of(ref).empty());
  EXPECT_FALSE(db.modelExtents().update().empty());
  EXPECT_EQ(cad::selectCrossing(db, std::vector<geom::Point2d>{{0, 0}, {2, 0}, {2, 2}}),
            std::vector<ObjectId>{ref});
  // A reference to a block that does not exist has no extents and selects nothing.
  const ObjectId dangling =
      *db.appendToModelSpace(std::make_unique<BlockReference>("NONE", geom::Point3d{50, 50, 0}));
  EXPECT_TRUE(db.modelExtents().of(dangling).empty());
}

}  // namespace
}  // namespace cad
