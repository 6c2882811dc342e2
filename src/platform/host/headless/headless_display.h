#pragma once
// The headless host's view, kept as numbers: a centre and a height in drawing units on a
// screen of a fixed size in pixels. Temporary vectors are recorded, not drawn.

#include <vector>

#include "platform/host/display.h"

namespace host::headless {

struct TemporaryVector {
  geom::Point3d from;
  geom::Point3d to;
  ColourIndex colour = 7;
  bool highlight = false;
};

class HeadlessDisplay final : public Display {
 public:
  HeadlessDisplay();

  Status setCurrentView(const ViewRecord& view) override;
  ViewRecord currentView() const override;
  Status drawVector(geom::Point3d from, geom::Point3d to, ColourIndex colour,
                    bool highlight) override;
  void updateDisplay() override { ++updates_; }
  void redraw() override {
    vectors_.clear();
    ++redraws_;
  }

  // Screen size in pixels (width, height); both at least 1.
  geom::Point2d screenSize() const { return screen_; }
  Status setScreenSize(geom::Point2d pixels);
  geom::Point2d viewCentre() const { return centre_; }
  double viewHeight() const { return height_; }
  // Drawing units per pixel.
  double pixelSize() const { return height_ / screen_.y; }

  const std::vector<TemporaryVector>& temporaryVectors() const { return vectors_; }
  int updateCount() const { return updates_; }
  int redrawCount() const { return redraws_; }

 private:
  geom::Point2d screen_{1280.0, 800.0};
  geom::Point2d centre_;
  double height_ = 100.0;
  std::vector<TemporaryVector> vectors_;
  int updates_ = 0;
  int redraws_ = 0;
};

}  // namespace host::headless
