#include "ruvo/section/paper_choice.h"

#include <algorithm>
#include <array>

namespace ruvo {

namespace {

constexpr std::array<CPreviewPaper::FrameKind, 10> kKinds = {{
    {"RUVOA4LS", 297, 210, CPreviewPaper::kLandscape},
    {"RUVOA4PT", 210, 297, CPreviewPaper::kPortrait},
    {"RUVOA3LS", 420, 297, CPreviewPaper::kLandscape},
    {"RUVOA3PT", 297, 420, CPreviewPaper::kPortrait},
    {"RUVOA2LS", 594, 420, CPreviewPaper::kLandscape},
    {"RUVOA2PT", 420, 594, CPreviewPaper::kPortrait},
    {"RUVOA1LS", 841, 594, CPreviewPaper::kLandscape},
    {"RUVOA1PT", 594, 841, CPreviewPaper::kPortrait},
    {"RUVOA0LS", 1189, 841, CPreviewPaper::kLandscape},
    {"RUVOA0PT", 841, 1189, CPreviewPaper::kPortrait},
}};

}  // namespace

const CPreviewPaper::FrameKind& CPreviewPaper::Kind(int index) {
  return index >= 0 && index < static_cast<int>(kKinds.size())
             ? kKinds[static_cast<std::size_t>(index)]
             : kKinds[2];
}

void CPreviewPaper::SetProfileBox(double widthMm, double heightMm) {
  dBoxWidthMm = dProfileWidth = widthMm;
  dBoxHeightMm = dProfileHeight = heightMm;
  bHasProfile = false;
}

void CPreviewPaper::SetFrameType(int index) {
  const FrameKind& kind = Kind(index);
  // A box in millimetres, set since the last fit (directly or through SetProfileBox),
  // becomes the extent to fit; a box still holding the last fit's pixels is refitted from
  // the millimetres it came from.
  if (!bHasProfile || dProfileWidth != dFittedWidth || dProfileHeight != dFittedHeight) {
    dBoxWidthMm = dProfileWidth;
    dBoxHeightMm = dProfileHeight;
  }
  nFrameType = index;
  dPaperWidth = kind.width;
  dPaperHeight = kind.height;
  nOrientation = kind.orientation;
  const double f =
      nOrientation == kLandscape ? nSheetWidthL / dPaperWidth : nSheetHeightP / dPaperHeight;
  dZoom = 1.0;
  dProfileWidth = dBoxWidthMm * f;
  dProfileHeight = dBoxHeightMm * f;
  if (dProfileWidth > nCtrlWidth - 5 || dProfileHeight > nCtrlHeight - 5) {
    dZoom = std::min((nCtrlWidth - 5) / dProfileWidth, (nCtrlHeight - 5) / dProfileHeight);
  }
  dFittedWidth = dProfileWidth;
  dFittedHeight = dProfileHeight;
  bHasProfile = true;
}

std::string CPreviewPaper::GetFrameBlockName() const { return Kind(nFrameType).blockName; }

void CPreviewPaper::ResetPreview() {
  bHasProfile = false;
  dZoom = 1.0;
  nOrientation = kLandscape;
}

void CPreviewPaper::SetArea(int width, int height) {
  nCtrlWidth = width;
  nCtrlHeight = height;
  nSheetWidthL = static_cast<int>(0.9 * width);
  nSheetHeightL = nSheetWidthL * 297 / 420;
  nSheetHeightP = static_cast<int>(0.9 * height);
  nSheetWidthP = nSheetHeightP * 297 / 420;
}

}  // namespace ruvo
