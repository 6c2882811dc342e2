#include "ruvo/drawing/draw_profile.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "platform/dxf/dxf_reader.h"
#include "platform/host/headless/headless_host.h"
#include "profile_test_data.h"
#include "ruvo/drawing/profile_geometry.h"

namespace {

using namespace ruvo;
using host::headless::ScriptAnswer;

const std::string kFrames = std::string(KESTRA_SOURCE_DIR) + "/resources/frames";

class DrawProfileTest : public ::testing::Test {
 protected:
  DrawProfileTest() : host_(Options()) {
    host_.documents().newDocument();
    // W = 300 (150 units at 1:500), H = 150 (range 10..80 with the step 5)
    doc_ = profile_test::MakeDoc({{0, 12, 0, 0, 0}, {80, 50, 0, 80, 0}, {150, 79, 0, 150, 0}});
    doc_.bDirection2 = 1;
    ComputeHighRange(doc_);
  }
  host::headless::HeadlessOptions Options() {
    host::headless::HeadlessOptions o;
    o.output = &out_;
    o.supportFolders = {std::string(KESTRA_SOURCE_DIR) + "/resources"};
    o.files.read = [](const std::string& file) -> cad::Result<std::unique_ptr<cad::Database>> {
      dxf::ReadReport report;
      auto db = dxf::readDrawing(file, report);
      if (!db) return cad::Status::FileError;
      return db;
    };
    return o;
  }
  cad::Database& Db() { return host_.documents().curDocument()->database(); }
  std::size_t ModelSpaceCount() {
    std::size_t n = 0;
    Db().forEachEntity(Db().modelSpaceId(), [&](const cad::Entity&) { return ++n, true; });
    return n;
  }

  std::ostringstream out_;
  host::headless::HeadlessHost host_;
  CDocData doc_;
};

TEST_F(DrawProfileTest, PlacedRunMovesEverythingWithTheFrame) {
  ASSERT_EQ(MakeGeometry(doc_).H, 150);
  host_.script().push(ScriptAnswer::dragTo({1000, 500, 0}));
  const DrawProfileResult r = DrawProfile(host_, doc_, true, {kFrames});
  ASSERT_EQ(r.outcome, DrawProfileResult::Placed);
  EXPECT_EQ(ModelSpaceCount(), r.ids.size());
  EXPECT_EQ(r.ids.front().handle(), r.ids.front().handle());

  const auto frame = Db().openForRead<cad::BlockReference>(r.frame);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->blockName(), "RUVOA3LS");
  EXPECT_EQ(frame->layer(), "RVTK");
  EXPECT_EQ(frame->position(), (geom::Point3d{1000 - 60, 500 - 105.5, 0}));
  EXPECT_TRUE(Db().blocks().has("RUVOA3LS"));

  const auto line = Db().openForRead<cad::LwPolyline>(r.ids.front());
  ASSERT_TRUE(line);
  EXPECT_EQ(line->layer(), "RUVO");
  EXPECT_EQ(line->pointAt(0), (geom::Point2d{1005, 500 + (12 - 10 + 5) * 2}));
  EXPECT_EQ(line->pointAt(2).x, 1305);

  bool title = false, arrow = false;
  for (const cad::ObjectId id : r.ids) {
    const auto t = Db().openForRead<cad::Text>(id);
    if (!t) continue;
    EXPECT_EQ(t->style(), "RUVOZT");
    if (t->value() == "剖面图") {
      title = true;
      EXPECT_EQ(t->alignmentPoint(), (geom::Point3d{1000 + 155, 500 + 150 + 18, 0}));
      EXPECT_EQ(t->height(), 4.0);
      EXPECT_EQ(t->horizontalMode(), 4);
      EXPECT_EQ(t->verticalMode(), 1);
    }
    if (t->value() == "90.0%%d") arrow = true;
  }
  EXPECT_TRUE(title);
  EXPECT_TRUE(arrow);
  EXPECT_EQ(out_.str().find("图框太小"), std::string::npos);
}

TEST_F(DrawProfileTest, CancelledDragLeavesLayersStyleAndBlockOnly) {
  host_.script().push(ScriptAnswer::dragCancel());
  const DrawProfileResult r = DrawProfile(host_, doc_, true, {kFrames});
  EXPECT_EQ(r.outcome, DrawProfileResult::Cancelled);
  EXPECT_EQ(ModelSpaceCount(), 0u);
  EXPECT_TRUE(Db().layers().has("RUVO"));
  EXPECT_TRUE(Db().layers().has("RVTK"));
  EXPECT_TRUE(Db().textStyles().has("RUVOZT"));
  EXPECT_TRUE(Db().blocks().has("RUVOA3LS"));
  EXPECT_EQ(host_.documents().curDocument()->lockMode(), host::LockMode::None);
}

TEST_F(DrawProfileTest, FrameProblemsAreReportedAndTheRunGoesOn) {
  host_.script().push(ScriptAnswer::dragTo({0, 0, 0}));
  DrawProfileResult r = DrawProfile(host_, doc_, true, {"/nonexistent-folder"});
  EXPECT_EQ(r.outcome, DrawProfileResult::Placed);
  EXPECT_TRUE(r.frame.isNull());
  EXPECT_NE(out_.str().find("命令:读取图框文件失败\n"), std::string::npos);

  doc_.paperPreview.SetFrameType(0);  // A4 is too small for W = 300, H = 150
  host_.script().push(ScriptAnswer::dragTo({0, 0, 0}));
  r = DrawProfile(host_, doc_, true, {kFrames});
  EXPECT_FALSE(r.frame.isNull());  // inserted as asked
  EXPECT_NE(out_.str().find("图框太小，建议使用A3图框(横向)"), std::string::npos);

  CDocData one = profile_test::MakeDoc({{0, 5}});
  EXPECT_EQ(DrawProfile(host_, one, true, {kFrames}).outcome, DrawProfileResult::NothingDrawn);
}

}  // namespace

namespace {

// One wild elevation would ask for rulers of hundreds of thousands of ticks (gigabytes of
// entities); such a profile is refused before anything is made, with the reason.
TEST_F(DrawProfileTest, AbsurdElevationRangesAreRefusedBeforeAnythingIsMade) {
  for (const double wild : {1e6, 2147483648.0, 1e308}) {
    CDocData doc = doc_;
    doc.pointList[1].dHigh = wild;
    ComputeHighRange(doc);
    host_.script().push(ScriptAnswer::dragTo({0, 0, 0}));
    const DrawProfileResult r = DrawProfile(host_, doc, true, {kFrames});
    EXPECT_EQ(r.outcome, DrawProfileResult::NothingDrawn) << wild;
    EXPECT_FALSE(r.refused.empty());
    if (wild == 1e6) {
      EXPECT_NE(r.refused.find("ruler ticks"), std::string::npos) << r.refused;
    }
    EXPECT_EQ(ModelSpaceCount(), 0u);
  }
  CDocData doc = doc_;
  doc.YScale = 1e-300;  // a stored scale the page lets through, whose sizes overflow
  EXPECT_FALSE(ProfileLimitProblem(doc).empty());
  EXPECT_EQ(DrawProfile(host_, doc, false).outcome, DrawProfileResult::NothingDrawn);
}

// Stored settings the page would not take get the page's replacement values, each named.
TEST(ProfileSettings, UnusableStoredValuesAreReplacedAsThePageDoes) {
  CDocData doc;
  doc.RodWidth = 1e308;
  doc.txtX = 0;
  doc.XScale = 0;
  doc.bXYEqual = 1;
  doc.YScale = 1e-300;
  doc.SideDistance = 0x7fffffff;
  doc.XYScale = std::numeric_limits<double>::quiet_NaN();
  const auto notes = ReplaceUnusableSettings(doc);
  EXPECT_EQ(doc.RodWidth, 3.0);
  EXPECT_EQ(doc.txtX, 5.0);
  EXPECT_EQ(doc.XScale, 500.0);
  EXPECT_EQ(doc.YScale, 500.0);
  EXPECT_EQ(doc.SideDistance, 10);
  EXPECT_EQ(doc.XYScale, 1000.0);
  ASSERT_EQ(notes.size(), 6u);
  EXPECT_EQ(notes[1], "XScale 0 replaced by 500");
  EXPECT_TRUE(ReplaceUnusableSettings(doc).empty());
  EXPECT_TRUE(ProfileLimitProblem(doc).empty());
}

}  // namespace
