#pragma once
// The paper frame chosen for a document and the fitting of the profile's extent onto the
// small sheet of the drawing page's preview. Plain numbers only, so that the section records
// can hold it: the preview's pixel shapes, their painting and the frame's insertion belong
// to the drawing code, which builds on the records.

#include <string>

namespace ruvo {

class CPreviewPaper {
 public:
  static constexpr int kLandscape = 100;
  static constexpr int kPortrait = 110;

  int nFrameType = 2;
  double dProfileWidth = 100;
  double dProfileHeight = 100;
  double dPaperWidth = 420;
  double dPaperHeight = 297;
  int nCtrlWidth = 132;
  int nCtrlHeight = 104;
  int nSheetWidthL = 114;
  int nSheetHeightL = 81;
  int nSheetWidthP = 67;
  int nSheetHeightP = 94;
  double dZoom = 1.0;
  int nOrientation = kLandscape;
  bool bHasProfile = false;

  // Sets the profile's extent in millimetres (W + 35 by H + 60), as assigning the two box
  // fields does. SetFrameType fits the extent; called again for another kind without a new
  // extent, it refits the same millimetres instead of scaling the fitted pixels again.
  void SetProfileBox(double widthMm, double heightMm);

  // Chooses the frame kind (any unknown index behaves as 2) and fits the profile box.
  void SetFrameType(int index);

  // Block name of the current kind in the frame drawing, e.g. "RUVOA3LS".
  std::string GetFrameBlockName() const;

  void ResetPreview();

  // The sizes of the preview area, as the first step of painting (pixels).
  void SetArea(int width, int height);

  // Sheet size of a kind in millimetres and its orientation.
  struct FrameKind {
    const char* blockName;
    double width;
    double height;
    int orientation;
  };
  static const FrameKind& Kind(int index);

 private:
  double dBoxWidthMm = 100;
  double dBoxHeightMm = 100;
  double dFittedWidth = 0;
  double dFittedHeight = 0;
};

}  // namespace ruvo
