#pragma once
// The paper frame chosen for a document, the fitting of the profile's box into the small
// sheet preview of the drawing page and the painting of that preview.

#include <string>
#include <vector>

#include "platform/cad/object_id.h"
#include "ruvo/drawing/preview_painter.h"

namespace host {
class Host;
}

namespace ruvo {

class CPreviewPaper {
 public:
  static constexpr int kLandscape = 100;
  static constexpr int kPortrait = 110;

  virtual ~CPreviewPaper() = default;

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

  // Paints the sheet and, once a box has been fitted, the profile box into an area of
  // width x height pixels (already cleared by the caller).
  virtual void Draw(PreviewPainter& dc, int width, int height);
  virtual void DrawSheet(PreviewPainter& dc);
  virtual void DrawProfileBox(PreviewPainter& dc);

  // Copies the current kind's frame block from the frame drawing beside the module into the
  // current document and inserts it on layer "RVTK" so that the sheet is centred on a
  // profile area of W x H. "TK.dwg" is read when it exists, "TK.dxf" otherwise. A null id
  // when no frame was inserted (an unreadable file is reported on the command line).
  // `folder` overrides the module's folder.
  cad::ObjectId InsertFrame(host::Host& host, double W, double H,
                            const std::string& folder = {}) const;

  // The sizes of the preview area, as the first step of painting (pixels).
  void SetArea(int width, int height);

  // Painting geometry, centred in the area: the sheet outline with its cut corner (closed,
  // first point repeated), the fold line (empty for a sheet too small for a fold), and the
  // profile box.
  std::vector<PreviewPoint> SheetOutline() const;
  std::vector<PreviewPoint> SheetFold() const;
  PreviewRect ProfileBox() const;

  // Sheet size of a kind in millimetres and its orientation.
  struct FrameKind {
    const char* blockName;
    double width;
    double height;
    int orientation;
  };
  static const FrameKind& Kind(int index);

 private:
  struct SheetHalf {
    int cx, cy, a, b;
  };
  SheetHalf Sheet() const;
  double dBoxWidthMm = 100;
  double dBoxHeightMm = 100;
  double dFittedWidth = 0;
  double dFittedHeight = 0;
};

}  // namespace ruvo
