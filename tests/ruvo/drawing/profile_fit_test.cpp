#include "ruvo/drawing/profile_fit.h"

#include <gtest/gtest.h>

#include "profile_test_data.h"
#include "ruvo/drawing/frame_sheet.h"

namespace {

using namespace ruvo;

// The straight east section (W = 300, H = 50) with all four rows under the baseline.
CDocData AllRows() {
  CDocData doc = profile_test::EastSection();
  doc.bXScale = doc.bDistAndHigh = doc.bKneePosition = doc.bDirection1 = doc.bDirection2 = 1;
  return doc;
}

struct Fitted {
  ProfileGeometry g;
  geom::Extents2d extent;
};

Fitted Lay(CDocData& doc) {
  ComputeHighRange(doc);
  const ProfileLayout layout = LayoutProfile(doc);
  return {layout.geometry, ProfileExtent(layout)};
}

TEST(FrameSheet, InnerBorderWithBindingMarginAndTitleBlock) {
  const FrameSheet a3 = FrameSheetOf(2);
  EXPECT_EQ(a3.sheet.max, (geom::Point2d{420, 297}));
  EXPECT_EQ(a3.inner.min, (geom::Point2d{25, 5}));
  EXPECT_EQ(a3.inner.max, (geom::Point2d{415, 292}));
  EXPECT_EQ(a3.title.min, (geom::Point2d{275, 5}));
  EXPECT_EQ(a3.title.max, (geom::Point2d{415, 37}));
  const FrameSheet a0p = FrameSheetOf(9);
  EXPECT_EQ(a0p.inner.max, (geom::Point2d{831, 1179}));
  EXPECT_EQ(FrameSheetOf(42).sheet.max, a3.sheet.max);
}

TEST(ProfileFit, ExtentReachesFromTheCaptionColumnToTheTitleAndTheRulerCaption) {
  CDocData doc = AllRows();
  const Fitted f = Lay(doc);
  ASSERT_EQ(f.g.W, 300);
  EXPECT_EQ(f.extent.min.x, -25);  // the rows' caption column
  EXPECT_EQ(f.extent.min.y, -40);  // four rows: 8 + 16 + 8 + 8
  // The title, 4 high, is centred on H + 18; the right ruler's caption "高程(m)" stands
  // beyond the rows' right end.
  EXPECT_NEAR(f.extent.max.y, f.g.H + 18 + 0.65 * 4, 1e-9);
  EXPECT_GT(f.extent.max.x, f.g.RowsEnd());
}

TEST(ProfileFit, WorkedExampleFitsAndAWiderProfileCrossesTheBindingBorder) {
  CDocData doc = AllRows();
  Fitted f = Lay(doc);
  EXPECT_TRUE(FitsFrame(2, f.g, f.extent));  // sheet from x = -60: the rows start at 35
  EXPECT_EQ(FrameTooSmallMessage(2, f.g, f.extent), "");
  EXPECT_EQ(SmallestFittingFrame(0, f.g, f.extent), 2);  // A4 is too small: A3 landscape
  EXPECT_EQ(SmallestFittingFrame(1, f.g, f.extent), 5);  // upright, 297 wide is too narrow

  // W = 353: W + 35 is within the 420 mm sheet, but centred on the graph the caption column
  // starts 8.5 mm from the sheet's edge, inside the 25 mm binding margin.
  doc.XScale = 425;
  f = Lay(doc);
  ASSERT_NEAR(f.g.W, 352.94, 0.01);
  EXPECT_LE(f.g.W + 35, 420);
  EXPECT_FALSE(FitsFrame(2, f.g, f.extent));
  EXPECT_EQ(FrameTooSmallMessage(2, f.g, f.extent), "\n命令:图框太小，建议使用A2图框(横向)\n");
}

TEST(ProfileFit, TallProfilesAndProfilesNoSheetHolds) {
  CDocData doc = AllRows();
  doc.YScale = 100;  // H = 250: the title would stand above the A3 sheet's inner border
  Fitted f = Lay(doc);
  ASSERT_EQ(f.g.H, 250);
  EXPECT_FALSE(FitsFrame(2, f.g, f.extent));
  EXPECT_EQ(SmallestFittingFrame(2, f.g, f.extent), 4);
  EXPECT_EQ(SmallestFittingFrame(5, f.g, f.extent), 5);

  doc.XScale = 50;  // W = 3000
  f = Lay(doc);
  EXPECT_EQ(SmallestFittingFrame(8, f.g, f.extent), std::nullopt);
  EXPECT_EQ(FrameTooSmallMessage(1, f.g, f.extent),
            "\n命令:图框太小，A0图框(纵向)也放不下剖面图\n");
}

}  // namespace
