#include "ruvo/drawing/profile_layout.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "profile_test_data.h"
#include "ruvo/drawing/number_text.h"

namespace {

using namespace ruvo;
using profile_test::EastSection;
using profile_test::MakeDoc;
using profile_test::P;

std::vector<ShapeText> Texts(const ProfileShapes& shapes) {
  std::vector<ShapeText> out;
  for (const auto& s : shapes) {
    if (const auto* t = std::get_if<ShapeText>(&s)) out.push_back(*t);
  }
  return out;
}

std::vector<ShapePolyline> Lines(const ProfileShapes& shapes) {
  std::vector<ShapePolyline> out;
  for (const auto& s : shapes) {
    if (const auto* l = std::get_if<ShapePolyline>(&s)) out.push_back(*l);
  }
  return out;
}

const ShapeText* Find(const std::vector<ShapeText>& texts, const std::string& text) {
  for (const auto& t : texts) {
    if (t.text == text) return &t;
  }
  return nullptr;
}

int Count(const std::vector<ShapeText>& texts, const std::string& text) {
  return static_cast<int>(std::count_if(texts.begin(), texts.end(),
                                        [&](const ShapeText& t) { return t.text == text; }));
}

TEST(NumberText, TrimmedNumbersAndAzimuths) {
  EXPECT_EQ(FormatTrimmed(100.0), "100");
  EXPECT_EQ(FormatTrimmed(87.5), "87.5");
  EXPECT_EQ(FormatTrimmed(0.0), "0");
  EXPECT_EQ(FormatTrimmed(12.3456, 3), "12.346");
  EXPECT_EQ(AzimuthText(Azimuth(0, 0, 10, 0)), "90.0%%d");   // east
  EXPECT_EQ(AzimuthText(Azimuth(10, 0, 0, 0)), "270.0%%d");  // west
  EXPECT_EQ(AzimuthText(Azimuth(0, 0, 0, 10)), "0.0%%d");    // north, not 360.0
  EXPECT_EQ(AzimuthText(Azimuth(0, 0, 0, -10)), "180.0%%d");
  EXPECT_EQ(AzimuthText(Azimuth(0, 0, 10, 10)), "45.0%%d");
}

TEST(ProfileGraph, LineFollowsDirectionKindAndFilters) {
  CDocData doc = MakeDoc({{0, 100}, {40, 90, PT_KNEE, 0, 0, 0, "拐点"}, {70, 95}, {150, 101}});
  doc.pointList[2].bDelete = 1;
  doc.pointList[2].strNote = "del";
  ComputeHighRange(doc);
  const ProfileGeometry g = MakeGeometry(doc);
  ProfileShapes out;
  LayoutProfileLine(doc, g, out);
  ASSERT_EQ(out.size(), 1u);
  auto line = std::get<ShapePolyline>(out[0]);
  EXPECT_EQ(line.layer, "RUVO");
  ASSERT_EQ(line.points.size(), 2u);  // knee (KneePnt 0) and deleted point left out
  EXPECT_EQ(line.points[0], (geom::Point2d{5, g.Y(100)}));
  EXPECT_EQ(line.points[1], (geom::Point2d{5 + 300, g.Y(101)}));

  doc.bReverse = 1;
  doc.KneePnt = 1;
  doc.bLineType = 1;
  const ProfileGeometry r = MakeGeometry(doc);
  out.clear();
  LayoutProfileLine(doc, r, out);
  const auto spline = std::get<ShapeSpline>(out[0]);
  ASSERT_EQ(spline.fitPoints.size(), 3u);
  EXPECT_EQ(spline.fitPoints[0], (geom::Point2d{5, r.Y(101)}));
  EXPECT_EQ(spline.fitPoints[1].x, 5 + 110 * 2);

  out.clear();
  LayoutRemarks(doc, r, out);  // the knee's label only: not the ends, not the deleted point
  const auto texts = Texts(out);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "拐点");
  EXPECT_EQ(texts[0].position, (geom::Point2d{225, r.Y(90) + 7}));
  EXPECT_EQ(texts[0].horizontal, kCentre);
}

TEST(ProfileGraph, TitleScaleLineAndRulers) {
  CDocData doc = MakeDoc({{0, 10}, {50, 16}});
  doc.strPmName = "";
  doc.XScale = 1000;
  doc.YScale = 250.5;
  ComputeHighRange(doc);  // 10..20 -> H = 3 Ty
  const ProfileGeometry g = MakeGeometry(doc);
  ASSERT_NEAR(g.H, 3 * g.Ty, 1e-9);
  ProfileShapes out;
  LayoutGraphFrame(doc, g, out);
  const auto texts = Texts(out);
  const ShapeText* title = Find(texts, "");  // an empty title is still created
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->height, 4.0);
  EXPECT_EQ(title->horizontal, kMid);
  EXPECT_EQ(title->vertical, kBottom);
  EXPECT_NE(Find(texts, "比例尺 水平 1:1000 垂直 1:250.5"), nullptr);
  EXPECT_EQ(Count(texts, "高程(m)"), 2);

  const auto bars = Lines(out);
  const auto filled = std::count_if(bars.begin(), bars.end(), [](auto& l) { return l.width > 0; });
  EXPECT_EQ(filled, 2);  // one bar each side, from Ty to 2 Ty
  EXPECT_EQ(Count(texts, "10"), 2);
  EXPECT_EQ(Count(texts, "15"), 0);

  doc.Interval = 1;
  out.clear();
  LayoutGraphFrame(doc, g, out);
  const auto both = Texts(out);
  EXPECT_EQ(Count(both, "15"), 2);  // upper end at 2 Ty, below the top
  EXPECT_NEAR(Find(both, "15")->position.y, 2 * g.Ty, 1e-9);
  EXPECT_EQ(Find(both, "15")->horizontal, kRight);
}

// The highest and lowest points the page shows do not depend on the tick step: a stored
// step of 0 leaves the range to snap alone.
TEST(ProfileRange, HighestAndLowestWhateverTheTickStep) {
  CDocData doc = MakeDoc({{0, 795, 0, 0, 0}, {50, 880.22, 0, 50, 0}});
  doc.txtY = 0;
  ComputeHighRange(doc);
  EXPECT_EQ(doc.dHighMax, 880.22);
  EXPECT_EQ(doc.dHighMin, 795);
  EXPECT_EQ(doc.dRangeTop, 10.0);  // as it was
}

TEST(ProfileMarks, StraightSectionArrowsAndAzimuthRow) {
  CDocData doc = EastSection();
  doc.bDirection2 = 1;
  ComputeHighRange(doc);
  const ProfileGeometry g = MakeGeometry(doc);
  ProfileShapes arrows;
  LayoutAzimuthArrows(doc, g, arrows);
  const auto texts = Texts(arrows);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "90.0%%d");
  EXPECT_EQ(texts[0].position, (geom::Point2d{5, g.H + 0.5}));
  EXPECT_EQ(texts[1].text, "270.0%%d");
  EXPECT_EQ(texts[1].position, (geom::Point2d{305 - 10, g.H + 0.5}));
  EXPECT_EQ(Lines(arrows)[1].points[2], (geom::Point2d{305 - 13, g.H}));

  ProfileShapes row;
  LayoutAzimuthRow(doc, g, -16, row);
  const auto rowTexts = Texts(row);
  ASSERT_EQ(rowTexts.size(), 3u);
  EXPECT_EQ(rowTexts[0].text, "方位(°)");
  EXPECT_EQ(rowTexts[1].text, "270.0%%d");  // back towards the start at the left end
  EXPECT_EQ(rowTexts[1].position, (geom::Point2d{5 + 8, -16 - 4.5}));
  EXPECT_EQ(rowTexts[2].text, "90.0%%d");
  EXPECT_EQ(rowTexts[2].position, (geom::Point2d{305 - 17, -20.5}));
}

TEST(ProfileMarks, KneedSectionLegsReversedAndNorth) {
  // east 100 units, then north 50
  CDocData doc = MakeDoc({{0, 10, 0, 0, 0}, {100, 11, PT_KNEE, 100, 0}, {150, 12, 0, 100, 50}});
  ComputeHighRange(doc);
  ProfileShapes out;
  LayoutAzimuthArrows(doc, MakeGeometry(doc), out);
  auto texts = Texts(out);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].text, "90.0%%d");
  EXPECT_EQ(texts[1].text, "0.0%%d");
  EXPECT_EQ(texts[1].position.x, 205);
  EXPECT_EQ(texts[2].text, "180.0%%d");

  doc.bReverse = 1;  // now drawn from the end: south, then west
  out.clear();
  LayoutAzimuthArrows(doc, MakeGeometry(doc), out);
  texts = Texts(out);
  EXPECT_EQ(texts[0].text, "180.0%%d");
  EXPECT_EQ(texts[1].text, "270.0%%d");
  EXPECT_EQ(texts[1].position.x, 5 + 50 * 2);
}

TEST(ProfileRows, DistanceRowTicks) {
  CDocData doc = EastSection();  // W 300, Tx 10
  ProfileGeometry g = MakeGeometry(doc);
  ProfileShapes out;
  LayoutDistanceRow(g, doc.txtX, out);
  auto texts = Texts(out);
  EXPECT_EQ(texts[0].text, "距离(m)");
  EXPECT_EQ(texts[0].position, (geom::Point2d{-12.5, -4}));
  EXPECT_EQ(texts[0].height, 3.4);
  EXPECT_EQ(texts[1].text, "0");
  EXPECT_EQ(texts.size(), 2u + 15u);  // labels 10, 20, ... 150 at every second step
  EXPECT_EQ(texts.back().text, "150");
  EXPECT_EQ(texts.back().position, (geom::Point2d{305, -3}));
  const auto lines = Lines(out);
  EXPECT_EQ(lines[0].points.size(), 5u);  // outline of the row
  EXPECT_EQ(lines[0].points[1].x, 2 * 5 + 1.5 + 300);
  EXPECT_EQ(lines[4].points[1], (geom::Point2d{15, 1}));  // first minor tick

  g.W = 15;  // narrower than two steps: only the zero tick
  out.clear();
  LayoutDistanceRow(g, doc.txtX, out);
  EXPECT_EQ(Texts(out).size(), 2u);
}

TEST(ProfileRows, SpacingRowInMetresBetweenMarkedPoints) {
  CDocData doc = MakeDoc({{0, 100}, {60, 90}, {160, 95.25, 0, 0, 0, 1}, {200, 101}});
  doc.XYScale = 500;  // Kx = 1
  ComputeHighRange(doc);
  const ProfileGeometry g = MakeGeometry(doc);
  ProfileShapes out;
  LayoutSpacingRows(doc, g, -8, out);
  const auto texts = Texts(out);
  EXPECT_NE(Find(texts, "间距(m)"), nullptr);
  EXPECT_EQ(Find(texts, "标高(m)")->position.y, -20);
  EXPECT_EQ(Find(texts, "100")->position, (geom::Point2d{5, -20}));
  const ShapeText* spacing = Find(texts, "80");  // 160 units at 1:500
  ASSERT_NE(spacing, nullptr);
  EXPECT_EQ(spacing->position, (geom::Point2d{5 + 80, -12}));
  EXPECT_EQ(Find(texts, "95.25")->position.x, 165);
  EXPECT_EQ(Find(texts, "20")->position.x, 5 + 180);  // 40 units to the end
  EXPECT_EQ(Find(texts, "90"), nullptr);              // unmarked point: no column

  CDocData ends = MakeDoc({{0, 1}, {100, 2}});
  ProfileShapes one;
  LayoutSpacingRows(ends, MakeGeometry(ends), 0, one);
  const auto oneTexts = Texts(one);
  const ShapeText* full = Find(oneTexts, "100");  // the full length in metres, centred
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full->position.x, 5 + 100);

  // A kneed section as cut, with knees shown: knees are not marked, so the rows keep only
  // the two end columns, one spacing and the two end elevations.
  CDocData kneed = MakeDoc({{0, 10}, {40, 12, PT_KNEE}, {70, 11}, {100, 13, PT_KNEE}, {150, 14}});
  kneed.KneePnt = 1;
  ProfileShapes rows;
  LayoutSpacingRows(kneed, MakeGeometry(kneed), 0, rows);
  std::vector<std::string> labels;
  for (const ShapeText& t : Texts(rows)) labels.push_back(t.text);
  EXPECT_EQ(labels, (std::vector<std::string>{"间距(m)", "标高(m)", "10", "14", "150"}));
}

TEST(ProfileRows, CoordinateRowColumns) {
  CDocData doc = MakeDoc({{0, 1, 0, 10, 20},
                          {30, 2, PT_KNEE, 40.5, 20.25, 1},
                          {60, 3, PT_HIDDEN, 70, 20, 1},
                          {90, 4, 0, 100, 20}});
  doc.bKneePosition = doc.bRemarkPosition = 1;
  doc.bReverse = 1;
  const ProfileGeometry g = MakeGeometry(doc);
  ProfileShapes out;
  LayoutCoordinateRow(doc, g, -24, out);
  const auto texts = Texts(out);
  // surveying order: X is the drawing's Y
  const ShapeText* left = Find(texts, "Y:100.00");
  ASSERT_NE(left, nullptr);  // the last point stands at the left when reversed
  EXPECT_EQ(left->position, (geom::Point2d{6, -30}));
  EXPECT_EQ(Find(texts, "Y:10.00")->horizontal, kRight);
  EXPECT_EQ(Count(texts, "X:20.25"), 2);  // a marked knee with both options: twice
  EXPECT_EQ(Count(texts, "Y:70.00"), 1);  // hidden kind does not filter this row
  const auto lines = Lines(out);
  EXPECT_EQ(lines[2].linetype, "ACAD_ISO10W100");
  EXPECT_EQ(lines[2].linetypeScale, 0.5);
}

TEST(ProfileRows, StackedRowsAndNarrowSideDistance) {
  CDocData doc = EastSection();
  doc.bXScale = doc.bDistAndHigh = doc.bKneePosition = doc.bDirection1 = 1;
  doc.SideDistance = 2;
  ComputeHighRange(doc);
  const ProfileGeometry g = MakeGeometry(doc);
  ProfileShapes out;
  LayoutRows(doc, g, out);
  std::vector<double> tops;
  for (const auto& l : Lines(out)) {
    if (l.points.size() == 5 && l.points[0].x == -28) tops.push_back(l.points[0].y);
  }
  EXPECT_EQ(tops, (std::vector<double>{0, -8, -24, -32}));
  EXPECT_EQ(Lines(out)[0].points[1].x, 300 + 1.5 + 7);
  EXPECT_EQ(Find(Texts(out), "方位(°)")->position.y, -36);
}

TEST(ProfileLayoutRun, FewerThanTwoPointsLayNothingOut) {
  CDocData doc = MakeDoc({{0, 5}});
  const ProfileLayout layout = LayoutProfile(doc);
  EXPECT_TRUE(layout.graph.empty());
  EXPECT_TRUE(layout.marks.empty());
  CDocData two = EastSection();
  two.bDirection2 = 1;
  ComputeHighRange(two);
  const ProfileLayout full = LayoutProfile(two);
  EXPECT_TRUE(std::holds_alternative<ShapePolyline>(full.graph.front()));
  EXPECT_EQ(std::get<ShapePolyline>(full.graph.front()).layer, "RUVO");
  EXPECT_EQ(std::get<ShapePolyline>(full.marks.front()).points[0].y, full.geometry.H - 2);
}

}  // namespace
