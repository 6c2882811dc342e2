#include "ruvo/drawing/entity_ops.h"

#include <gtest/gtest.h>

#include "ruvo/drawing/profile_entities.h"

namespace {

using namespace ruvo;

const std::string kLin = std::string(KESTRA_SOURCE_DIR) + "/resources/acadiso.lin";

TEST(EntityOps, LayersAreCreatedOrMadeUsable) {
  cad::Database db;
  const cad::ObjectId id = EnsureLayer(db, "RVTK");
  ASSERT_FALSE(id.isNull());
  {
    auto layer = db.openForWrite<cad::Layer>(id);
    layer->setFrozen(true);
    layer->setOff(true);
    layer->setLocked(true);
    layer->setFrozenInNewViewports(true);
  }
  EXPECT_EQ(EnsureLayer(db, "rvtk"), id);  // names compare without case
  const auto layer = db.openForRead<cad::Layer>(id);
  EXPECT_FALSE(layer->isFrozen());
  EXPECT_FALSE(layer->isOff());
  EXPECT_FALSE(layer->isLocked());
  EXPECT_FALSE(layer->isFrozenInNewViewports());
  // a usable layer is left untouched (no change for undo or the view to follow)
  const std::uint64_t revision = layer->revision();
  EXPECT_EQ(EnsureLayer(db, "RVTK"), id);
  EXPECT_EQ(db.openForRead<cad::Layer>(id)->revision(), revision);
}

TEST(EntityOps, TextsPolylinesSplinesInModelSpace) {
  cad::Database db;
  EnsureLayer(db, "RVTK");
  const cad::ObjectId t = AddText(db, {5, -3}, "0", 2.5, kCentre, kMiddle, "RVTK");
  const auto text = db.openForRead<cad::Text>(t);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->style(), "RUVOZT");
  EXPECT_EQ(text->layer(), "RVTK");
  EXPECT_EQ(text->colour(), cad::kColourByLayer);
  EXPECT_EQ(text->horizontalMode(), 1);
  EXPECT_EQ(text->verticalMode(), 2);
  EXPECT_EQ(text->alignmentPoint(), (geom::Point3d{5, -3, 0}));
  EXPECT_EQ(text->owner(), db.modelSpaceId());
  const auto style = db.openForRead<cad::TextStyle>(db.textStyles().getIdAt("RUVOZT"));
  ASSERT_TRUE(style);
  EXPECT_EQ(style->typeface(), "宋体");
  EXPECT_EQ(style->charset(), 134);
  EXPECT_EQ(style->widthFactor(), 0.8);

  const std::vector<geom::Point2d> pts = {{0, 0}, {10, 5}, {20, 0}};
  const auto pl = db.openForRead<cad::LwPolyline>(AddPolyline(db, pts, 1.5, "RVTK"));
  ASSERT_TRUE(pl);
  EXPECT_EQ(pl->vertexCount(), 3u);
  EXPECT_FALSE(pl->isClosed());
  EXPECT_EQ(pl->widthsAt(2).start, 1.5);
  EXPECT_EQ(pl->widthsAt(1).end, 1.5);
  EXPECT_TRUE(AddPolyline(db, {}, 0, "RVTK").isNull());

  const auto sp = db.openForRead<cad::Spline>(AddSpline(db, pts, "RUVO"));
  ASSERT_TRUE(sp);
  EXPECT_EQ(sp->degree(), 3);  // order 4
  EXPECT_EQ(sp->fitPoints().size(), 3u);
  EXPECT_EQ(sp->fitTolerance(), 0);
  ASSERT_FALSE(sp->controlPoints().empty());
  EXPECT_EQ(sp->controlPoints().back(), (geom::Point3d{20, 0, 0}));
}

TEST(EntityOps, MissingLinetypeIsLoadedOnce) {
  cad::Database db;
  ProfileShapes shapes;
  shapes.push_back(ShapePolyline{{{0, 0}, {10, 0}}, 0, "RVTK", "ACAD_ISO10W100", 0.5});
  shapes.push_back(ShapePolyline{{{0, 1}, {10, 1}}, 0, "RVTK", "ACAD_ISO10W100", 0.5});
  shapes.push_back(ShapeText{{0, 0}, "x", 2.5, kLeft, kBottom, "RVTK"});
  std::vector<cad::ObjectId> ids;
  CreateShapes(db, shapes, kLin, ids);
  ASSERT_EQ(ids.size(), 3u);
  EXPECT_TRUE(db.linetypes().has("ACAD_ISO10W100"));
  const auto line = db.openForRead<cad::Entity>(ids[1]);
  EXPECT_EQ(line->linetype(), "ACAD_ISO10W100");
  EXPECT_EQ(line->linetypeScale(), 0.5);

  cad::Database noFile;
  const cad::ObjectId id = AddPolyline(noFile, std::vector<geom::Point2d>{{0, 0}, {1, 0}}, 0, "0");
  EXPECT_FALSE(SetLinetype(noFile, id, "ACAD_ISO10W100", "/nonexistent/acadiso.lin"));
  EXPECT_EQ(noFile.openForRead<cad::Entity>(id)->linetype(), "ByLayer");
}

}  // namespace
