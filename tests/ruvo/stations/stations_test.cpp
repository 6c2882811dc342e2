#include "ruvo/stations/stations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "platform/cad/text.h"
#include "ruvo/section/data_file.h"
#include "ruvo/section/section_host.h"
#include "ruvo/stations/sheets.h"
#include "ruvo/stations/station_run.h"
#include "support/temp_dir.h"

namespace {

using namespace ruvo;
using section_testing::SectionHostTest;
using section_testing::v;

Alignment AlignmentOf(std::vector<geom::Point2d> pts, std::vector<double> bulges = {},
                      bool closed = false) {
  Alignment a;
  a.closed = closed;
  if (closed) pts.push_back(pts.front());
  for (std::size_t i = 0; i < pts.size(); ++i) {
    CPntList p;
    p.nIndex = static_cast<std::uint32_t>(i);
    p.ptPos = {pts[i].x, pts[i].y, 0};
    if (i > 0) {
      p.dBulge = i - 1 < bulges.size() ? bulges[i - 1] : 0;
      const double chord = geom::distance(pts[i - 1], pts[i]);
      const double theta = 4 * std::atan(std::fabs(p.dBulge));
      p.dDist = a.vertices.back().dDist +
                (p.dBulge == 0 ? chord : chord / (2 * std::sin(theta / 2)) * theta);
    }
    a.vertices.push_back(p);
  }
  return a;
}

std::vector<double> Chainages(const std::vector<Station>& s) {
  std::vector<double> out;
  for (const Station& st : s) out.push_back(st.chainage);
  return out;
}

TEST(Chainage, NamesAndParsing) {
  EXPECT_EQ(ChainageName(0), "K0+000");
  EXPECT_EQ(ChainageName(20), "K0+020");
  EXPECT_EQ(ChainageName(1234.5), "K1+234.5");
  EXPECT_EQ(ChainageName(12345.678), "K12+345.678");
  EXPECT_EQ(ChainageName(999.9996), "K1+000");  // rounds to the millimetre, carrying over
  EXPECT_EQ(ParseChainage("K1+234.5"), 1234.5);
  EXPECT_EQ(ParseChainage(" k0+020 \r"), 20);
  EXPECT_EQ(ParseChainage("35.5"), 35.5);
  for (const char* bad : {"K1+1000", "K+5", "K1.5+000", "abc", "-5", "+5", "K1+", "20m", ""})
    EXPECT_FALSE(ParseChainage(bad).has_value()) << bad;
}

TEST(Stations, EveryIntervalVerticesAndTheEndAcrossUnits) {
  // 100 + 50 drawing units at XYScale 500: half a metre a unit, 75 m long
  const Alignment a = AlignmentOf({{0, 0}, {100, 0}, {100, 50}});
  StationOptions o;
  o.every = 20;
  o.unitMetres = 0.5;
  o.left = o.right = 5;
  EXPECT_EQ(Chainages(PlaceStations(a, o)), (std::vector<double>{0, 20, 40, 60, 75}));
  o.atVertices = true;
  o.more = {50.0002, 33};  // a file's station within half a millimetre of the vertex is one
  const auto st = PlaceStations(a, o);
  ASSERT_EQ(Chainages(st), (std::vector<double>{0, 20, 33, 40, 50, 60, 75}));
  EXPECT_EQ(st[4].name, "K0+050");
  // at the vertex the cross-section halves the right-angle turn
  EXPECT_NEAR(st[4].dir.x, std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(st[4].dir.y, std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(st[4].at.x, 100, 1e-12);
  // K0+060 lies 20 units up the second leg; 5 m is 10 units to each side
  EXPECT_NEAR(st[5].at.y, 20, 1e-12);
  EXPECT_NEAR(st[5].left.x, 90, 1e-12);
  EXPECT_NEAR(st[5].right.x, 110, 1e-12);
  EXPECT_NEAR(st[5].left.y, 20, 1e-12);
}

TEST(Stations, OnABulgeArcTheCrossSectionRunsThroughTheCentre) {
  // a half circle below the chord from (0,0) to (20,0): centre (10,0), radius 10
  const Alignment a = AlignmentOf({{0, 0}, {20, 0}}, {1.0});
  ASSERT_NEAR(a.length(), 10 * std::numbers::pi, 1e-12);
  StationOptions o;
  o.every = 10;
  o.left = 4;
  o.right = 6;
  const auto st = PlaceStations(a, o);
  ASSERT_EQ(st.size(), 5u);  // 0, 10, 20, 30 and the end at 31.416
  // 10 m along: one radian round from (0,0)
  EXPECT_NEAR(st[1].at.x, 10 - 10 * std::cos(1.0), 1e-12);
  EXPECT_NEAR(st[1].at.y, -10 * std::sin(1.0), 1e-12);
  for (const Station& s : st) {
    // the left end lies 4 towards the centre (left of a counter-clockwise run), the right
    // end 6 away from it, both on the radius
    EXPECT_NEAR(geom::distance(s.left.xy(), {10, 0}), 6, 1e-9) << s.name;
    EXPECT_NEAR(geom::distance(s.right.xy(), {10, 0}), 16, 1e-9) << s.name;
    EXPECT_NEAR(std::fabs(s.dir.x * (s.at.x - 10) + s.dir.y * s.at.y), 0, 1e-9) << s.name;
  }
  // a clockwise arc turns the other way: its left is away from the centre
  const Alignment cw = AlignmentOf({{20, 0}, {0, 0}}, {-1.0});
  const auto back = PlaceStations(cw, o);
  EXPECT_NEAR(geom::distance(back[1].left.xy(), {10, 0}), 14, 1e-9);
}

// The count a run checks before placing anything is never below the stations placed.
TEST(Stations, CountedBeforePlacingAtLeastAsManyAsPlaced) {
  const Alignment a = AlignmentOf({{0, 0}, {100, 0}, {100, 50}});
  for (const double every : {0.0, 0.3, 7.0, 20.0, 150.0}) {
    for (const bool vertices : {false, true}) {
      StationOptions o;
      o.every = every;
      o.atVertices = vertices;
      o.more = {3, 149.5};
      EXPECT_GE(CountStations(a, o), PlaceStations(a, o).size()) << every << vertices;
    }
  }
  StationOptions tiny;
  tiny.every = 1e-9;
  EXPECT_GT(CountStations(a, tiny), kMaxStations);
}

TEST(Stations, ClosedLinesHaveNoSecondStationAtTheirStart) {
  const Alignment a = AlignmentOf({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {}, true);
  StationOptions o;
  o.every = 10;
  const auto st = PlaceStations(a, o);
  EXPECT_EQ(Chainages(st), (std::vector<double>{0, 10, 20, 30}));
  EXPECT_NEAR(st[0].dir.x, std::sqrt(0.5), 1e-12);  // between the closing leg and the first
  EXPECT_NEAR(st[0].dir.y, -std::sqrt(0.5), 1e-12);
}

TEST(Stations, AStationFileWithABadLineIsRefusedWithItsNumber) {
  testing_support::TempDir dir;
  // a byte-order mark (as spreadsheets write) and Windows line ends
  std::ofstream(dir / "good.txt") << "\xEF\xBB\xBFK0+010\r\n\r\n# comment\r\n25\r\n";
  std::ofstream(dir / "bad.txt") << "K0+010\n\n# comment\n25\nabc\n";
  std::ofstream(dir / "far.txt") << "10\nK0+120\n";
  std::string error;
  EXPECT_EQ(ReadStationFile(dir / "good.txt", 100, error), (std::vector<double>{10, 25}));
  EXPECT_FALSE(ReadStationFile(dir / "bad.txt", 100, error));
  EXPECT_NE(error.find("bad.txt:5: not a chainage: abc"), std::string::npos) << error;
  EXPECT_FALSE(ReadStationFile(dir / "far.txt", 100, error));
  EXPECT_NE(error.find("far.txt:2: K0+120 lies beyond"), std::string::npos) << error;
  EXPECT_FALSE(ReadStationFile(dir / "none.txt", 100, error));
}

class StationCut : public SectionHostTest {
 protected:
  // Contours across a centreline with an arc; the centreline lies at elevation 0.
  void SetUp() override {
    for (int i = 0; i < 12; ++i) {
      const double x = -40 + 9.5 * i;
      polyline({v(x, -60), v(x + 7, 0, 0.3), v(x + 3, 70)}, 100 + i, false,
               i % 2 ? "首曲线" : "计曲线");
    }
    polyline({v(-60, 20), v(90, 25)}, 0, false, "道路");  // a curve at elevation 0
    centre_ = polyline({v(-30, -10), v(10, 0, 0.4), v(40, 30), v(60, 30)}, 0, false, "中线");
  }
  Alignment CentreAlignment() {
    auto object = db().openForRead<cad::Entity>(centre_);
    Alignment a;
    a.vertices = *CGetData(host()).BuildVertexList(object.get());
    return a;
  }
  void CutAlikeWithFilter(int filter);
  cad::ObjectId centre_;
};

TEST_F(StationCut, EveryCrossSectionIsTheSameLineCutAlone) {
  for (int filter : {0, 1}) {
    SCOPED_TRACE(filter);
    CutAlikeWithFilter(filter);
  }
}

void StationCut::CutAlikeWithFilter(int filter) {
  CDocData settings;
  settings.FilterHeight = filter;  // the acquisition settings apply alike
  settings.FilterHMin = 50;
  const Alignment a = CentreAlignment();
  StationOptions o;
  o.every = 7;
  o.atVertices = true;
  o.left = 15;
  o.right = 25;
  const auto stations = PlaceStations(a, o);
  ASSERT_GT(stations.size(), 10u);
  std::vector<std::size_t> done;
  const auto sections = CutStations(host(), settings, stations, centre_, "中线", Edition::Current,
                                    [&](std::size_t n) { done.push_back(n); });
  ASSERT_EQ(sections.size(), stations.size());
  EXPECT_EQ(done.back(), stations.size());
  // nothing went into the drawing
  std::size_t entities = 0;
  db().forEachEntity(db().modelSpaceId(), [&](const cad::Entity&) { return ++entities, true; });
  EXPECT_EQ(entities, 14u);
  std::size_t points = 0;
  for (const CrossSection& s : sections) {
    const cad::ObjectId id = line(s.station.left, s.station.right, "剖面");
    CDocData single = settings;
    ASSERT_TRUE(acquire(single, id));
    db().erase(id);
    ASSERT_EQ(single.pointList.size(), s.data.pointList.size()) << s.station.name;
    for (std::size_t i = 0; i < single.pointList.size(); ++i) {
      const CDataStruct& p = single.pointList[i];
      const CDataStruct& q = s.data.pointList[i];
      EXPECT_EQ(p.nNo, q.nNo);
      EXPECT_EQ(p.ptPos, q.ptPos) << s.station.name << " point " << i;
      const bool centre = q.idObject == centre_.handle() && q.nType == PT_CROSS;
      // The centreline's own elevation (0) is repaired like any; where the repair has no
      // measured point on one side it leaves the 0, and the centre takes the nearest
      // measured elevation (a contour's, 100 to 111) instead.
      if (centre && p.bRevised == 1 && p.dHigh == 0) {
        const bool measured = std::any_of(
            s.data.pointList.begin(), s.data.pointList.end(),
            [](const auto& m) { return m.nType == PT_CROSS && m.bRevised == 0 && m.bDelete == 0; });
        EXPECT_TRUE(measured ? q.dHigh >= 100 : q.dHigh == 0) << s.station.name;
      } else {
        EXPECT_EQ(p.dHigh, q.dHigh);
      }
      EXPECT_EQ(p.dDist, q.dDist);
      EXPECT_EQ(p.nType, q.nType);
      EXPECT_EQ(p.bDelete, q.bDelete);
      EXPECT_EQ(p.strLayer, q.strLayer);
      EXPECT_EQ(p.idObject, q.idObject);
      // and the centreline's crossing is marked as the centre
      EXPECT_EQ(q.strNote, centre && p.strNote.empty() ? kNoteCentre : p.strNote);
    }
    EXPECT_EQ(single.vertexList.size(), 2u);
    EXPECT_EQ(single.vertexList[1].dDist, s.data.vertexList[1].dDist);
    // offsets from the centreline: the centre is at 0, the ends at -left and +right
    // the centreline (at elevation 0) is a crossing unless the elevation filter drops it
    EXPECT_EQ(s.centreCut, filter == 0);
    EXPECT_NEAR(OffsetOf(s, s.centre, 1), 0, 1e-12);
    const auto listed = ListedPoints(s);
    EXPECT_NEAR(OffsetOf(s, listed.front(), 1), -15, 1e-9);
    EXPECT_NEAR(OffsetOf(s, listed.back(), 1), 25, 1e-9);
    EXPECT_EQ(s.data.strPmName, s.station.name);
    points += listed.size();
  }
  EXPECT_GT(points, stations.size() * 5);
}

// The cross-section lines a run leaves in the drawing are neither cut by the next run nor
// drawn twice by it.
TEST_F(StationCut, TheSectionLinesOfAnEarlierRunAreLeftAlone) {
  CDocData settings;
  StationOptions o;
  o.every = 10;
  o.left = o.right = 20;
  const auto stations = PlaceStations(CentreAlignment(), o);
  const auto first = CutStations(host(), settings, stations, centre_, "中线");
  EXPECT_EQ(AddSectionLines(db(), first).size(), stations.size());
  const auto second = CutStations(host(), settings, stations, centre_, "中线");
  ASSERT_EQ(second.size(), first.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    ASSERT_EQ(second[i].data.pointList.size(), first[i].data.pointList.size()) << i;
    for (std::size_t k = 0; k < first[i].data.pointList.size(); ++k)
      EXPECT_EQ(second[i].data.pointList[k].dHigh, first[i].data.pointList[k].dHigh);
    EXPECT_EQ(second[i].data.layerList, first[i].data.layerList);
  }
  EXPECT_TRUE(AddSectionLines(db(), second).empty());
}

TEST_F(StationCut, DataFilesCsvAndSheetsWithoutOverlapInsideTheFrames) {
  CDocData settings;
  settings.FilterHeight = 1;
  settings.FilterHMin = 50;
  StationOptions o;
  o.every = 5;
  o.left = o.right = 20;
  auto sections =
      CutStations(host(), settings, PlaceStations(CentreAlignment(), o), centre_, "中线");
  ASSERT_GT(sections.size(), 20u);
  testing_support::TempDir dir;
  std::string error;
  ASSERT_TRUE(WriteStationFiles(sections, dir.path() / "out", 1, error)) << error;
  CDocData loaded;
  ASSERT_TRUE(LoadSectionFile(loaded, dir.path() / "out" / "K0+005.txt").ok());
  EXPECT_EQ(loaded.strPmName, "K0+005");
  EXPECT_EQ(loaded.pointList.size(), sections[1].data.pointList.size());
  std::ifstream csv(dir.path() / "out" / "stations.csv", std::ios::binary);
  std::string header;
  std::getline(csv, header);
  EXPECT_EQ(header, "\xEF\xBB\xBFstation,offset,elevation,remark,layer,handle,x,y\r");
  std::size_t rows = 0, centres = 0;
  for (std::string row; std::getline(csv, row);) {
    ++rows;
    if (row.find(",0.000,") != std::string::npos && row.find(kNoteCentre) != std::string::npos)
      ++centres;
  }
  std::size_t listed = 0;
  for (const auto& s : sections) listed += ListedPoints(s).size();
  EXPECT_EQ(rows, listed);
  EXPECT_EQ(centres, sections.size());

  // sheets: 1:200 both ways
  SheetOptions so;
  so.hScale = so.vScale = 200;
  so.frameFile = KESTRA_SOURCE_DIR "/resources/frames/TK.dxf";
  const SheetLayout layout = LayOutSheets(sections, so, error);
  ASSERT_TRUE(error.empty()) << error;
  ASSERT_EQ(layout.cells.size(), sections.size());
  EXPECT_GT(layout.sheets.size(), 1u);
  for (std::size_t i = 0; i < layout.cells.size(); ++i) {
    const SheetCell& c = layout.cells[i];
    EXPECT_EQ(c.section, i);
    const geom::Extents2d& sheet = layout.sheets[c.sheet];
    // inside the frame's inner border and above its title block
    EXPECT_GE(c.box.min.x, sheet.min.x + 25);
    EXPECT_LE(c.box.max.x, sheet.max.x - 5 + 1e-9);
    EXPECT_GE(c.box.min.y, sheet.min.y + 5 + 32 - 1e-9);
    EXPECT_LE(c.box.max.y, sheet.max.y - 5 + 1e-9);
    EXPECT_GE(c.content.min.x, c.box.min.x - 1e-9);
    EXPECT_LE(c.content.max.y, c.box.max.y + 1e-9);
    const geom::Vector2d need = SectionSize(sections[i], so);
    EXPECT_NEAR(c.content.max.x - c.content.min.x, need.x, 1e-9);
    for (std::size_t j = 0; j < i; ++j) {
      const geom::Extents2d& d = layout.cells[j].box;
      const bool apart = c.box.min.x >= d.max.x - 1e-9 || d.min.x >= c.box.max.x - 1e-9 ||
                         c.box.min.y >= d.max.y - 1e-9 || d.min.y >= c.box.max.y - 1e-9;
      EXPECT_TRUE(apart) << "cells " << j << " and " << i;
    }
  }
  // the sheets drawing: a frame per sheet, then the sections; a crossing too close before a
  // section's end for two texts leaves its own offset out, not the end's
  {
    CrossSection& s = sections[5];
    auto& pts = s.data.pointList;
    auto inner = std::find_if(pts.rbegin() + 1, pts.rend(),
                              [](const CDataStruct& p) { return p.nType == PT_CROSS; });
    ASSERT_NE(inner, pts.rend());
    inner->dDist = pts.back().dDist - 0.3;  // 1.5 mm on paper
  }
  cad::Database sheetsDb;
  const auto ids = DrawSheets(sheetsDb, sections, layout, so, {0, 0}, error);
  EXPECT_TRUE(error.empty()) << error;
  std::size_t frames = 0, ends = 0;
  for (cad::ObjectId id : ids) {
    if (sheetsDb.openForRead<cad::BlockReference>(id)) ++frames;
    if (auto t = sheetsDb.openForRead<cad::Text>(id); t && t->value() == "20.00") ++ends;
  }
  EXPECT_EQ(frames, layout.sheets.size());
  EXPECT_EQ(ends, sections.size());

  // an unassigned curve (elevation 0) among positive elevations is drawn without an
  // elevation: the section keeps its size on paper
  const geom::Vector2d before = SectionSize(sections[3], so);
  CDataStruct& inner = sections[3].data.pointList[sections[3].data.pointList.size() / 2];
  ASSERT_GT(inner.dHigh, 0);
  inner.dHigh = 0;
  EXPECT_EQ(SectionSize(sections[3], so).y, before.y);

  // a section too tall for the sheet is left off it; the others keep their cells
  CDataStruct& spike = sections[5].data.pointList[sections[5].data.pointList.size() / 2];
  spike.dHigh += 400;
  error.clear();
  const SheetLayout without = LayOutSheets(sections, so, error);
  EXPECT_TRUE(error.empty()) << error;
  ASSERT_EQ(without.notDrawn.size(), 1u);
  EXPECT_EQ(without.notDrawn[0].section, 5u);
  EXPECT_NE(without.notDrawn[0].reason.find("more than the sheet's"), std::string::npos);
  ASSERT_EQ(without.cells.size(), sections.size() - 1);
  for (const SheetCell& c : without.cells) EXPECT_NE(c.section, 5u);
  EXPECT_EQ(without.cells[5].section, 6u);

  // none fits: no cells, and the layout says why
  so.vScale = 5;
  const SheetLayout none = LayOutSheets(sections, so, error);
  EXPECT_TRUE(none.cells.empty());
  EXPECT_TRUE(none.sheets.empty());
  EXPECT_EQ(none.notDrawn.size(), sections.size());
  EXPECT_NE(error.find("more than the sheet's"), std::string::npos);
}

}  // namespace

namespace {

using host::headless::ScriptAnswer;

class StationCommand : public StationCut {
 protected:
  std::size_t Entities() {
    std::size_t n = 0;
    db().forEachEntity(db().modelSpaceId(), [&](const cad::Entity&) { return ++n, true; });
    return n;
  }
};

TEST(ScriptedNumbers, ReadAndWrittenInTheScriptsTextForm) {
  const auto a = host::headless::parseScriptAnswer(" number -12.5 ");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->kind, ScriptAnswer::Kind::Number);
  EXPECT_EQ(a->point.x, -12.5);
  EXPECT_EQ(host::headless::describe(*a), "number -12.5");
  EXPECT_FALSE(host::headless::parseScriptAnswer("number x"));
  EXPECT_FALSE(host::headless::parseScriptAnswer("number inf"));
}

TEST_F(StationCommand, AsksOnTheCommandLineThenDragsTheSheetsIntoPlace) {
  CDocData doc;
  doc.XScale = doc.YScale = 200;
  doc.FilterHeight = 1;  // the road at elevation 0 would make every section tall
  doc.FilterHMin = 50;
  const std::size_t before = Entities();
  script().push(ScriptAnswer::pickHandle(centre_.handle()));
  script().push(ScriptAnswer::number(-5));  // refused: asked again
  script().push(ScriptAnswer::number(10));
  script().push(ScriptAnswer::number(15));
  script().push(ScriptAnswer::nothing());  // the right width's default, 50
  script().push(ScriptAnswer::dragTo({1000, 2000, 0}));
  const StationRunResult r = RunStations(host(), doc);
  const std::string said = take();
  EXPECT_EQ(r.outcome, StationRunResult::Placed) << said;
  EXPECT_GT(r.sections, 10u);
  EXPECT_GE(r.sheets, 1u);
  EXPECT_NE(said.find("桩距(米) <20>:"), std::string::npos) << said;
  EXPECT_NE(said.find(kMsgPositive), std::string::npos);
  EXPECT_NE(said.find("右侧宽度(米) <50>:"), std::string::npos);
  EXPECT_NE(said.find("共生成横断面"), std::string::npos);
  EXPECT_GT(Entities(), before + r.sections * 5);
  // everything was moved by the drag: nothing new lies near the origin of the sheets
  db().forEachEntity(db().modelSpaceId(), [&](const cad::Entity& e) {
    if (e.layer() == "RVTK") {
      EXPECT_GE(db().modelExtents().of(e.id()).min.x, 1000 - 1e-6);
    }
    return true;
  });

  // Escape at the drag leaves the drawing as it was; the last answers are the defaults now
  const std::size_t placed = Entities();
  script().push(ScriptAnswer::pickHandle(centre_.handle()));
  script().push(ScriptAnswer::nothing());
  script().push(ScriptAnswer::nothing());
  script().push(ScriptAnswer::nothing());
  script().push(ScriptAnswer::dragCancel());
  EXPECT_EQ(RunStations(host(), doc).outcome, StationRunResult::Cancelled);
  EXPECT_NE(take().find("桩距(米) <10>:"), std::string::npos);
  EXPECT_EQ(Entities(), placed);

  // Escape at a prompt: nothing cut, nothing drawn
  script().push(ScriptAnswer::pickHandle(centre_.handle()));
  script().push(ScriptAnswer::cancel());
  EXPECT_EQ(RunStations(host(), doc).outcome, StationRunResult::Cancelled);
  EXPECT_EQ(Entities(), placed);
}

}  // namespace
