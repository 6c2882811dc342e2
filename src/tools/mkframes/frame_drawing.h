#pragma once
// The frame drawing: one block per paper kind ("RUVOA4LS" ... "RUVOA0PT"), each a sheet of
// the kind's size in millimetres with its base point at the sheet's lower-left corner, an
// inner border (25 mm binding margin on the left; 10 mm elsewhere for A0 and A1, 5 mm for
// A2 to A4) and a title block in the inner border's lower-right corner, all where
// ruvo::FrameSheetOf says.

#include <memory>

#include "platform/cad/database.h"

namespace frames {

std::unique_ptr<cad::Database> BuildFrameDrawing();

}  // namespace frames
