// Many section lines cut in a row give each line exactly the points a cut of it alone
// gives: the same crossings of the same objects, in the same order, bit for bit.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/dxf/dxf_reader.h"
#include "platform/host/display.h"
#include "ruvo/host/host_access.h"
#include "section_host.h"
#include "support/shared_data.h"

namespace {

using namespace ruvo;
using section_testing::pv;
using section_testing::SectionHostTest;
using section_testing::v;

std::vector<CPntList> Vertices(const std::vector<geom::Point3d>& points,
                               const std::vector<double>& bulges = {}) {
  std::vector<CPntList> out;
  for (std::size_t i = 0; i < points.size(); ++i) {
    CPntList p;
    p.nIndex = static_cast<std::uint32_t>(i);
    p.ptPos = points[i];
    if (i > 0) {
      p.dBulge = i - 1 < bulges.size() ? bulges[i - 1] : 0.0;
      p.dDist = out.back().dDist + (p.dBulge != 0 ? ArcLength(out.back().ptPos, p.ptPos, p.dBulge)
                                                  : PlanDistance(out.back().ptPos, p.ptPos));
    }
    out.push_back(p);
  }
  return out;
}

// The raw points and layers of every line cut alone, and of all of them in one batch
// (planned, and not planned: then the batch asks the index line by line).
void ExpectBatchAsAlone(host::Host& host, const std::vector<std::vector<CPntList>>& lines,
                        std::size_t* crossings = nullptr) {
  for (bool planned : {true, false}) {
    SCOPED_TRACE(planned ? "planned" : "not planned");
    CBatchCut batch(host, planned ? lines : std::vector<std::vector<CPntList>>{});
    for (std::size_t i = 0; i < lines.size(); ++i) {
      CDocData alone, batched;
      alone.vertexList = batched.vertexList = lines[i];
      CGetData(host).CutSection(alone, cad::ObjectId(), kModeCommon);
      batch.CutSection(batched, cad::ObjectId());
      ASSERT_EQ(batched.pointList.size(), alone.pointList.size()) << "line " << i;
      EXPECT_EQ(batched.layerList, alone.layerList) << "line " << i;
      for (std::size_t k = 0; k < alone.pointList.size(); ++k) {
        const CDataStruct &p = alone.pointList[k], &q = batched.pointList[k];
        EXPECT_EQ(q.ptPos, p.ptPos) << "line " << i << " point " << k;
        EXPECT_EQ(q.dDist, p.dDist) << "line " << i << " point " << k;
        EXPECT_EQ(q.dHigh, p.dHigh);
        EXPECT_EQ(q.idObject, p.idObject);
        EXPECT_EQ(q.strLayer, p.strLayer);
        EXPECT_EQ(q.nType, p.nType);
      }
      if (crossings && planned) *crossings += alone.pointList.size();
    }
  }
}

class BatchCutTest : public SectionHostTest {};

TEST_F(BatchCutTest, EveryLineAsCutAloneWithHiddenLayersTouchesAndLongContours) {
  addEveryKind();
  // Hidden: on a layer that is off, and on one that is frozen.
  for (const char* name : {"OFF", "FROZEN"}) {
    auto layer = std::make_unique<cad::Layer>(name);
    if (name[0] == 'O') layer->setOff(true);
    if (name[0] == 'F') layer->setFrozen(true);
    db().addTableRecord(std::move(layer));
  }
  polyline({v(15, -5), v(15, 5)}, 111.0, false, "OFF");
  polyline({v(25, -5), v(25, 5)}, 112.0, false, "FROZEN");
  // A long contour with arcs (many index runs) wandering across the axis, a closed ring,
  // and curves that end on the lines' ends or just beside them.
  std::vector<cad::LwVertex> wander;
  for (int i = 0; i <= 300; ++i) {
    const double x = -20 + 0.5 * i;
    wander.push_back(v(x, 8 * std::sin(x / 3.0), i % 7 == 0 ? 0.3 : 0.0));
  }
  polyline(wander, 120.0);
  polyline({v(40, -3), v(44, -3), v(44, 3), v(40, 3)}, 121.0, true);
  line({100, -1, 130}, {100, 1, 130});                // through the end of the 0..100 line
  line({100 + 5e-9, -1, 131}, {100 + 5e-9, 1, 131});  // within the tolerance beyond it
  line({100.5, -1, 132}, {100.5, 1, 132});            // beyond it

  const std::vector<std::vector<CPntList>> lines = {
      Vertices({{0, 0, 0}, {100, 0, 0}}),                // along X: a box without height
      Vertices({{30, -10, 0}, {30, 10, 0}}),             // along Y: the 3-D polyline itself
      Vertices({{-20, -12, 0}, {100, 12, 0}}),           // slanting across everything
      Vertices({{100, 0, 0}, {0, 0, 0}}),                // backwards
      Vertices({{0, -9, 0}, {50, 9, 0}, {120, -9, 0}}),  // two segments
      Vertices({{0, 0, 0}, {60, 0, 0}, {90, 0, 0}}, {0.6, -0.4}),  // arcs
      Vertices({{42, 0, 0}, {43, 0, 0}}),                          // inside the ring
      Vertices({{500, 500, 0}, {600, 600, 0}}),                    // far from everything
  };
  std::size_t crossings = 0;
  ExpectBatchAsAlone(host(), lines, &crossings);
  EXPECT_GT(crossings, 60u);
}

TEST_F(BatchCutTest, TheBatchLeavesViewAndCommandLineAlone) {
  polyline({v(50, -5), v(50, 5)}, 10);
  host().display().setCurrentView({{7, 8}, 50, 80});
  take();
  const std::vector<std::vector<CPntList>> lines = {Vertices({{0, 0, 0}, {100, 0, 0}})};
  CBatchCut batch(host(), lines);
  CDocData doc;
  doc.vertexList = lines[0];
  batch.CutSection(doc, cad::ObjectId());
  EXPECT_EQ(doc.pointList.size(), 1u);
  EXPECT_EQ(take(), "");
  EXPECT_EQ(host().display().currentView().center, (geom::Point2d{7, 8}));
}

// The sample drawing, crossed by lines in every direction and of every length.
TEST(BatchCutOnDrawing, EveryLineAsCutAlone) {
  KESTRA_REQUIRE_SHARED_DATA();
  host::headless::HeadlessOptions options;
  std::ostringstream out;
  options.output = &out;
  options.files.read = [](const std::string& file) -> cad::Result<std::unique_ptr<cad::Database>> {
    dxf::ReadReport report;
    auto db = dxf::readDrawing(file, report);
    if (!db) return cad::Status::InvalidInput;
    return db;
  };
  host::headless::HeadlessHost host(std::move(options));
  ASSERT_TRUE(host.documents().openDocument(KESTRA_SHARED_DATA "/topo/topo_small.dxf").ok());
  cad::Database& db = host.documents().curDocument()->database();
  const geom::Extents2d box = db.modelExtents().update().xy();
  const geom::Point2d c = box.centre();
  const double r = 0.5 * std::max(box.width(), box.height());
  std::vector<std::vector<CPntList>> lines;
  for (int i = 0; i < 240; ++i) {
    // a fan of directions, the axes among them, lengths from a tenth to the whole drawing
    const double angle = M_PI * (i % 24) / 12;
    const double length = r * (0.1 + 0.09 * (i % 11));
    const geom::Point2d from{c.x + r * 0.4 * std::cos(i * 0.7), c.y + r * 0.4 * std::sin(i * 1.3)};
    const geom::Point2d to{from.x + length * std::cos(angle), from.y + length * std::sin(angle)};
    lines.push_back(Vertices({{from.x, from.y, 0}, {to.x, to.y, 0}}));
  }
  std::size_t crossings = 0;
  ExpectBatchAsAlone(host, lines, &crossings);
  EXPECT_GT(crossings, 1000u);
}

}  // namespace
