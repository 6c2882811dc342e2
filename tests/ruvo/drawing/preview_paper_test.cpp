#include <gtest/gtest.h>

#include "recording_painter.h"
#include "ruvo/drawing/preview_layout.h"

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
  const auto outline = ruvo::SheetOutline(p);
  ASSERT_EQ(outline.size(), 6u);
  EXPECT_EQ(outline[0].x, 66 - 59 + 12);  // cut corner
  EXPECT_EQ(outline[1].x, 66 + 59);
  EXPECT_EQ(outline[2].y, 52 + 41);
  EXPECT_EQ(ruvo::SheetFold(p).size(), 3u);
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
  const auto box = ruvo::ProfileBox(p);
  EXPECT_LE(box.right - box.left, 127);

  CPreviewPaper tiny;
  tiny.SetArea(20, 20);
  EXPECT_EQ(ruvo::SheetOutline(tiny)[0].x, ruvo::SheetOutline(tiny)[3].x);  // no cut corner
  EXPECT_TRUE(ruvo::SheetFold(tiny).empty());
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

namespace {

using testing_painter::RecordingPainter;
using testing_painter::Stroke;

TEST(PreviewPaper, PaintsSheetWithFoldAndBoxOnlyAfterAFit) {
  CPreviewPaper p;
  RecordingPainter before;
  ruvo::Draw(p, before, 132, 104);
  ASSERT_EQ(before.strokes.size(), 2u);  // outline and fold, no box yet
  EXPECT_EQ(before.strokes[0].penWidth, 2);
  EXPECT_EQ(before.strokes[0].color, 0x000000u);
  EXPECT_EQ(before.strokes[0].points.front(), before.strokes[0].points.back());
  // landscape 118 x 83 centred at (66, 52): half sizes 59 and 41
  EXPECT_EQ(before.strokes[0].points[2], (ruvo::PreviewPoint{125, 93}));
  EXPECT_EQ(before.strokes[1].points[1], (ruvo::PreviewPoint{66 - 59 + 14, 52 - 41 + 14}));

  p.SetProfileBox(300 + 35, 150 + 60);
  p.SetFrameType(3);  // portrait A3: 93 pixels for 420 mm
  RecordingPainter after;
  ruvo::Draw(p, after, 132, 104);
  ASSERT_EQ(after.strokes.size(), 3u);
  const Stroke& box = after.strokes[2];
  EXPECT_EQ(box.kind, Stroke::kRectangle);
  EXPECT_EQ(box.penWidth, 1);
  EXPECT_EQ(box.color, 0xFF0000u);
  const int a = static_cast<int>(335 * 93.0 / 420 * 0.5),
            b = static_cast<int>(210 * 93.0 / 420 * 0.5);
  EXPECT_EQ(box.points[0], (ruvo::PreviewPoint{66 - a, 52 - b}));
  EXPECT_EQ(box.points[1], (ruvo::PreviewPoint{66 + a, 52 + b}));
  // the portrait sheet: 65 x 93
  EXPECT_EQ(after.strokes[0].points[2], (ruvo::PreviewPoint{66 + 32, 52 + 46}));

  p.ResetPreview();
  RecordingPainter reset;
  ruvo::Draw(p, reset, 132, 104);
  EXPECT_EQ(reset.strokes.size(), 2u);
}

TEST(PreviewPaper, ShrunkSheetAndBoxKeepTheirProportions) {
  CPreviewPaper p;
  p.SetArea(132, 104);
  p.SetProfileBox(1200, 300);
  p.SetFrameType(2);
  ASSERT_LT(p.dZoom, 1.0);
  RecordingPainter dc;
  ruvo::Draw(p, dc, 132, 104);
  const auto& sheet = dc.strokes[0].points;
  const auto& box = dc.strokes.back().points;
  const double sheetWidth = sheet[1].x - sheet[3].x, boxWidth = box[1].x - box[0].x;
  EXPECT_NEAR(boxWidth / sheetWidth, 1200.0 / 420, 0.05);
  EXPECT_LE(boxWidth, 132 - 5);
}

}  // namespace
