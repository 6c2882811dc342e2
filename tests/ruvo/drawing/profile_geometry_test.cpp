#include "ruvo/drawing/profile_geometry.h"

#include <gtest/gtest.h>

#include "profile_test_data.h"

namespace {

using namespace ruvo;
using profile_test::EastSection;
using profile_test::MakeDoc;

TEST(ProfileRange, SnapsFollowTheCRemainder) {
  EXPECT_EQ(SnapUp(100, 5), 105);
  EXPECT_EQ(SnapDown(80, 5), 80);
  EXPECT_EQ(SnapDown(87.6, 2.5), 87);  // fmod 0.1, floor(87.5): not a multiple of the step
  EXPECT_EQ(SnapDown(-3.2, 5), 0);     // the remainder keeps the dividend's sign
  EXPECT_EQ(SnapDown(-7, 5), -5);
  EXPECT_EQ(SnapUp(101.3, 5), 105);
}

TEST(ProfileRange, ComputedFromThePointsThatCount) {
  CDocData doc = MakeDoc({{0, 90}, {10, 100}, {20, 80}, {30, 300}, {40, 500, PT_KNEE}, {50, 95}});
  doc.pointList[3].bDelete = 1;  // left out
  ComputeHighRange(doc);
  EXPECT_EQ(doc.dHighMax, 100);
  EXPECT_EQ(doc.dHighMin, 80);
  EXPECT_EQ(doc.dRangeTop, 105);
  EXPECT_EQ(doc.dRangeBottom, 80);
  EXPECT_EQ(doc.dUserTop, 105);
  EXPECT_EQ(doc.dUserBottom, 80);
  const ProfileGeometry g = MakeGeometry(doc);
  EXPECT_EQ(g.H, 30 * g.Ky);  // the baseline stands for 75
  EXPECT_EQ(g.Y(75), 0);
  EXPECT_EQ(g.Y(105), g.H);

  doc.KneePnt = 1;  // the knee at 500 now counts
  ComputeHighRange(doc);
  EXPECT_EQ(doc.dHighMax, 500);

  doc.bUserRange = 1;
  doc.dUserTop = 121;
  doc.dUserBottom = 33;
  ComputeHighRange(doc);
  EXPECT_EQ(doc.dRangeTop, 125);
  EXPECT_EQ(doc.dRangeBottom, 30);
  EXPECT_EQ(doc.dUserTop, 121);  // typed values stay

  CDocData empty;
  ComputeHighRange(empty);
  EXPECT_EQ(empty.dRangeTop, 10);
}

TEST(ProfileRange, PageVariantIsOneStepLowerAtTheBottom) {
  CDocData doc;
  doc.dHighMax = 101.3;
  doc.dHighMin = 87.6;
  PageRangeRecompute(doc);
  EXPECT_EQ(doc.dRangeTop, 105);
  EXPECT_EQ(doc.dRangeBottom, 80);
}

TEST(ProfileGeometry, ScalesAndMapping) {
  CDocData doc = EastSection();
  ComputeHighRange(doc);
  ProfileGeometry g = MakeGeometry(doc);
  EXPECT_EQ(g.Kx, 2);
  EXPECT_EQ(g.Ky, 2);
  EXPECT_EQ(g.W, 300);
  EXPECT_EQ(g.Tx, 10);
  EXPECT_EQ(g.X(0), 5);
  EXPECT_EQ(g.X(150), 305);
  doc.bReverse = 1;
  g = MakeGeometry(doc);
  EXPECT_EQ(g.X(150), 5);  // the last point at s
  EXPECT_EQ(g.X(0), 305);
  EXPECT_EQ(g.LineX(50), 205);

  doc.XYScale = 2000;
  doc.XScale = 1000;
  doc.YScale = 250;
  g = MakeGeometry(doc);
  EXPECT_EQ(g.Kx, 2);
  EXPECT_EQ(g.Ky, 4);
  EXPECT_EQ(g.Tx, 5);  // from the metres of txtX, not the plan scale
}

TEST(ProfileGeometry, SideDistanceBelowFiveShiftsTheRows) {
  CDocData doc = EastSection();
  doc.SideDistance = 3;
  ProfileGeometry g = MakeGeometry(doc);
  EXPECT_EQ(g.sRows, 5);
  EXPECT_EQ(g.x0Rows, -2);
  EXPECT_EQ(g.x0Rows - 25, -27);
  EXPECT_EQ(g.RowsEnd(), g.W + g.r + 8);
  doc.SideDistance = 7;
  g = MakeGeometry(doc);
  EXPECT_EQ(g.x0Rows, 0);
  EXPECT_EQ(g.RowsEnd(), 2 * 7 + g.W + g.r);  // the outer edge of the right ruler
}

TEST(ProfileGeometry, FrameInsertionPointAndCaptions) {
  ProfileGeometry g;
  g.W = 300;
  g.H = 150;
  const geom::Point2d at = FrameInsertionPoint(g, 420, 297);
  EXPECT_EQ(at.x, -60);
  EXPECT_EQ(at.y, -105.5);
  EXPECT_EQ(ProfileBoxSize(g).x, 335);

  EXPECT_EQ(FrameCaption(6), "A1图框(横向)");
  EXPECT_EQ(FrameCaption(3), "A3图框(纵向)");
}

}  // namespace
