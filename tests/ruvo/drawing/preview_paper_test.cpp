#include "ruvo/drawing/preview_paper.h"

#include <gtest/gtest.h>

namespace {

using ruvo::CPreviewPaper;

TEST(PreviewPaper, DefaultsAndFrameKinds) {
  CPreviewPaper p;
  EXPECT_EQ(p.nFrameType, 2);
  EXPECT_EQ(p.GetFrameBlockName(), "RUVOA3LS");
  p.SetFrameType(9);
  EXPECT_EQ(p.GetFrameBlockName(), "RUVOA0PT");
  EXPECT_EQ(p.dPaperWidth, 841);
  EXPECT_EQ(p.dPaperHeight, 1189);
  EXPECT_EQ(p.nOrientation, CPreviewPaper::kPortrait);
  p.SetFrameType(17);  // unknown kinds behave as A3 landscape
  EXPECT_EQ(p.GetFrameBlockName(), "RUVOA3LS");
  EXPECT_EQ(p.dPaperWidth, 420);
  p.ResetPreview();
  EXPECT_FALSE(p.bHasProfile);
  EXPECT_EQ(p.nOrientation, CPreviewPaper::kLandscape);
  EXPECT_EQ(p.nFrameType, 17);
}

TEST(PreviewPaper, AreaGivesSheetSizesInIntegerArithmetic) {
  CPreviewPaper p;
  p.SetArea(132, 104);
  EXPECT_EQ(p.nSheetWidthL, 118);
  EXPECT_EQ(p.nSheetHeightL, 83);
  EXPECT_EQ(p.nSheetWidthP, 65);
  EXPECT_EQ(p.nSheetHeightP, 93);
  const auto outline = p.SheetOutline();
  ASSERT_EQ(outline.size(), 6u);
  EXPECT_EQ(outline[0].x, 66 - 59 + 12);  // cut corner
  EXPECT_EQ(outline[1].x, 66 + 59);
  EXPECT_EQ(outline[2].y, 52 + 41);
  EXPECT_EQ(p.SheetFold().size(), 3u);
}

TEST(PreviewPaper, FittingBoxesAndShrinking) {
  CPreviewPaper p;
  p.SetArea(132, 104);
  p.SetProfileBox(300, 150);  // fits an A3 sheet: 118/420 pixels per mm
  p.SetFrameType(2);
  EXPECT_DOUBLE_EQ(p.dZoom, 1.0);
  EXPECT_NEAR(p.dProfileWidth, 300 * 118.0 / 420, 1e-12);
  EXPECT_TRUE(p.bHasProfile);

  p.SetProfileBox(2000, 300);  // wider than the area: everything shrinks alike
  p.SetFrameType(2);
  EXPECT_NEAR(p.dZoom, 127 / (2000 * 118.0 / 420), 1e-12);
  const auto box = p.ProfileBox();
  EXPECT_LE(box.right - box.left, 127);

  CPreviewPaper tiny;
  tiny.SetArea(20, 20);
  EXPECT_EQ(tiny.SheetOutline()[0].x, tiny.SheetOutline()[3].x);  // no cut corner
  EXPECT_TRUE(tiny.SheetFold().empty());
}

// Choosing another kind after a fit must refit the millimetre extent; scaling the fitted
// pixel box again would shrink it with every change.
TEST(PreviewPaper, ChangingKindRefitsTheSameExtent) {
  CPreviewPaper p;
  p.SetArea(132, 104);
  p.dProfileWidth = 300;  // the page may also set the box fields directly
  p.dProfileHeight = 150;
  p.SetFrameType(2);
  const double a3 = p.dProfileWidth;
  p.SetFrameType(0);
  p.SetFrameType(2);
  EXPECT_DOUBLE_EQ(p.dProfileWidth, a3);
  p.dProfileWidth = 100;  // a fresh extent after a fit is taken as millimetres
  p.dProfileHeight = 50;
  p.SetFrameType(2);
  EXPECT_NEAR(p.dProfileWidth, 100 * 118.0 / 420, 1e-12);
}

}  // namespace
