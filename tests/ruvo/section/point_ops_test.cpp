#include <gtest/gtest.h>

#include "platform/cad/table_records.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "section_host.h"

namespace {

using namespace ruvo;
using host::headless::ScriptAnswer;
using section_testing::pv;
using section_testing::SectionHostTest;
using section_testing::v;

class PointOpsTest : public SectionHostTest {
 protected:
  // A bent section line (0,0) -> (50,0) -> (50,50) with contours 100 at x = 20 and 110 on
  // the second leg at y = 30.
  PointOpsTest() {
    contour = polyline({v(20, -5), v(20, 5)}, 100);
    polyline({v(45, 30), v(55, 30)}, 110);
    section = polyline({v(0, 0), v(50, 0), v(50, 50)});
    EXPECT_TRUE(acquire(doc, section));
    doc.bFromDrawing = 1;
    take();
  }
  int addPoint(geom::Point3d a, geom::Point3d b) {
    script().push(ScriptAnswer::pointAt(a));
    script().push(ScriptAnswer::pointAt(b));
    return CGetData(host()).AddPoint(doc);
  }

  CDocData doc;
  cad::ObjectId contour, section;
};

TEST_F(PointOpsTest, AddedPointsAreInsertedInOrderAndRenumbered) {
  // start 0, 100 @ 20, knee @ 50, 110 @ 80, end @ 100
  ASSERT_EQ(doc.pointList.size(), 5u);
  EXPECT_EQ(addPoint({50, 10, 120.5}, {45, 10, 0}), 3);  // on the second leg, object snap Z
  ASSERT_EQ(doc.pointList.size(), 6u);
  const CDataStruct& added = doc.pointList[3];
  EXPECT_EQ(added.nType, PT_ADDED);
  EXPECT_EQ(added.strNote, "加点");
  EXPECT_EQ(added.strLayer, "加点层");
  EXPECT_EQ(added.dHigh, 120.5);
  EXPECT_DOUBLE_EQ(added.dDist, 60.0);
  EXPECT_EQ(added.idObject, 0u);
  for (std::size_t i = 0; i < doc.pointList.size(); ++i) {
    EXPECT_EQ(doc.pointList[i].nNo, static_cast<int>(i));
  }
  EXPECT_EQ(doc.layerList, (std::vector<std::string>{"DGX", "加点层"}));

  // Z = 0: interpolated between the usable neighbours (the knee is not one at KneePnt 0).
  EXPECT_EQ(addPoint({35, -1, 0}, {35, 1, 0}), 2);
  EXPECT_DOUBLE_EQ(doc.pointList[2].dHigh, 100 + 20.5 / 40 * 15);
  EXPECT_EQ(doc.pointList[2].bRevised, 1u);
  EXPECT_FALSE(host().headlessDisplay().temporaryVectors().empty());
}

TEST_F(PointOpsTest, CancelledOrMissingLinesAddNothing) {
  const std::size_t count = doc.pointList.size();
  script().push(ScriptAnswer::cancel());
  EXPECT_EQ(CGetData(host()).AddPoint(doc), -1);
  EXPECT_NE(take().find(kMsgCancelled), std::string::npos);
  script().push(ScriptAnswer::pointAt({1, 1, 0}));
  script().push(ScriptAnswer::cancel());
  EXPECT_EQ(CGetData(host()).AddPoint(doc), -1);
  EXPECT_EQ(addPoint({200, 200, 0}, {210, 210, 0}), -1);  // crosses nothing
  EXPECT_EQ(doc.pointList.size(), count);

  CDocData loaded = doc;
  loaded.vertexList.clear();  // as after reading a version 3.0 file
  script().push(ScriptAnswer::pointAt({35, -1, 0}));
  script().push(ScriptAnswer::pointAt({35, 1, 0}));
  EXPECT_EQ(CGetData(host()).AddPoint(loaded), -1);
  EXPECT_EQ(loaded.pointList.size(), count);
}

TEST_F(PointOpsTest, TypedElevationsGoBackIntoTheirObjectsWhenAsked) {
  CGetData getData(host());
  const std::size_t at = 1;  // the crossing with the contour at x = 20
  ASSERT_EQ(doc.pointList[at].idObject, contour.handle());
  doc.pointList[at].bRevised = 1;
  EXPECT_TRUE(getData.CommitTypedHeight(doc, at, 123.0));
  EXPECT_EQ(doc.pointList[at].bRevised, 0u);
  EXPECT_EQ(db().openForRead<cad::LwPolyline>(contour)->elevation(), 100.0);  // bSetHigh off

  doc.bSetHigh = 1;
  EXPECT_TRUE(getData.CommitTypedHeight(doc, at, 124.0));
  EXPECT_EQ(db().openForRead<cad::LwPolyline>(contour)->elevation(), 124.0);

  doc.bFromDrawing = 0;  // points read from a file: the drawing is not theirs
  EXPECT_TRUE(getData.CommitTypedHeight(doc, at, 125.0));
  EXPECT_EQ(db().openForRead<cad::LwPolyline>(contour)->elevation(), 124.0);
  doc.bFromDrawing = 1;

  // On a locked layer the object stays as it is; the point takes the elevation all the same.
  auto layer = std::make_unique<cad::Layer>("LOCKED");
  layer->setLocked(true);
  db().addTableRecord(std::move(layer));
  db().openForWrite<cad::Entity>(contour)->setLayer("LOCKED");
  EXPECT_TRUE(getData.CommitTypedHeight(doc, at, 126.0));
  EXPECT_EQ(doc.pointList[at].dHigh, 126.0);
  EXPECT_EQ(db().openForRead<cad::LwPolyline>(contour)->elevation(), 124.0);
  EXPECT_FALSE(getData.CommitTypedHeight(doc, 99, 1.0));
}

TEST(AssignHeightToObject, EveryKindReadsBackWhatWasWritten) {
  std::vector<std::unique_ptr<cad::Entity>> objects;
  auto lw = std::make_unique<cad::LwPolyline>();
  lw->addVertex({});
  objects.push_back(std::move(lw));
  auto spline = std::make_unique<cad::Spline>();
  spline->setNurbs(1, {0, 0, 1, 1}, {{0, 0, 1}, {1, 0, 2}}, {});
  objects.push_back(std::move(spline));
  objects.push_back(std::make_unique<cad::Line>(geom::Point3d{0, 0, 1}, geom::Point3d{1, 0, 2}));
  objects.push_back(std::make_unique<cad::Polyline2d>());
  auto p3 = std::make_unique<cad::Polyline3d>();
  p3->addVertex(pv(0, 0, 1));
  p3->addVertex(pv(1, 0, 2));
  objects.push_back(std::move(p3));
  auto arc = std::make_unique<cad::Arc>();
  arc->setRadius(1);
  objects.push_back(std::move(arc));
  objects.push_back(std::make_unique<cad::Ellipse>());
  auto circle = std::make_unique<cad::Circle>();
  circle->setRadius(1);
  objects.push_back(std::move(circle));
  for (auto& object : objects) {
    EXPECT_TRUE(AssignHeightToObject(*object, 321.5)) << static_cast<int>(object->kind());
    EXPECT_EQ(ObjectElevation(*object), 321.5) << static_cast<int>(object->kind());
  }
  auto& splineRef = static_cast<cad::Spline&>(*objects[1]);
  EXPECT_EQ(splineRef.controlPoints()[1].z, 321.5);
  auto& lineRef = static_cast<cad::Line&>(*objects[2]);
  EXPECT_EQ(lineRef.end().z, 321.5);

  cad::PointEntity point({0, 0, 5});
  EXPECT_FALSE(AssignHeightToObject(point, 1.0));
  EXPECT_FALSE(ObjectElevation(point).has_value());
}

// A spline stored by its fit points alone stays so: its fit points take the elevation, and
// the written file differs from the read one in exactly those values.
TEST(AssignHeightToObject, FitPointSplineTakesItIntoItsFitPointsOnly) {
  const std::string head =
      "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$HANDSEED\n5\n30\n0\nENDSEC\n"
      "0\nSECTION\n2\nENTITIES\n0\nSPLINE\n5\n2A\n100\nAcDbEntity\n8\nDGX\n100\nAcDbSpline\n"
      "70\n8\n71\n3\n72\n0\n73\n0\n74\n3\n";
  // Changed tags are written in the writer's own form (group codes right-aligned).
  auto fit = [](const char* code, const char* z) {
    return std::string("11\n0\n21\n0\n") + code + "\n" + z + "\n11\n5\n21\n2\n" + code + "\n" + z +
           "\n11\n9\n21\n0\n" + code + "\n" + z + "\n";
  };
  const std::string tail = "0\nENDSEC\n0\nEOF\n";
  dxf::ReadReport report;
  auto db = dxf::readDrawingBytes(head + fit("31", "12.5") + tail, report);
  ASSERT_TRUE(db) << report.message;
  auto spline = db->openForWrite<cad::Spline>(cad::ObjectId(0x2A));
  ASSERT_TRUE(spline);
  EXPECT_EQ(ObjectElevation(*spline), 12.5);
  EXPECT_TRUE(AssignHeightToObject(*spline, 321.5));
  EXPECT_EQ(ObjectElevation(*spline), 321.5);
  EXPECT_TRUE(spline->controlPoints().empty());
  spline.close();
  dxf::WriteReport written;
  EXPECT_EQ(dxf::renderDrawing(*db, written), head + fit(" 31", "321.5") + tail);
}

}  // namespace
