#pragma once
// The drawing view: the current view, temporary vectors and screen updates.

#include "platform/geom/vec.h"
#include "platform/host/status.h"

namespace host {

// A view as centre and size in drawing units (world coordinates, plan view).
struct ViewRecord {
  geom::Point2d center;
  double height = 0.0;
  double width = 0.0;
};

// Colour numbers of the host's palette (1 red ... 7 white/black, 256 by layer).
using ColourIndex = int;

class Display {
 public:
  virtual ~Display() = default;
  // The host fits the record into the view: the shown area covers the record's width and
  // height at the screen's aspect ratio. InvalidInput when width and height are both zero
  // or any value is not finite; the view is then unchanged.
  virtual Status setCurrentView(const ViewRecord& view) = 0;
  virtual ViewRecord currentView() const = 0;
  // A vector drawn over the drawing until the next redraw. `highlight` draws it dashed.
  virtual Status drawVector(geom::Point3d from, geom::Point3d to, ColourIndex colour,
                            bool highlight = false) = 0;
  // Shows what changed in the drawing; temporary vectors stay.
  virtual void updateDisplay() = 0;
  // Draws the view anew; temporary vectors are gone afterwards.
  virtual void redraw() = 0;
};

}  // namespace host
