#include "platform/host/headless/headless_display.h"

#include <algorithm>
#include <cmath>

namespace host::headless {
namespace {

bool finite(geom::Point3d p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

HeadlessDisplay::HeadlessDisplay() = default;

Status HeadlessDisplay::setCurrentView(const ViewRecord& view) {
  double h = std::fabs(view.height), w = std::fabs(view.width);
  if (!std::isfinite(view.center.x) || !std::isfinite(view.center.y) || !std::isfinite(h) ||
      !std::isfinite(w) || (h == 0.0 && w == 0.0)) {
    return Status::InvalidInput;
  }
  double aspect = screen_.x / screen_.y;
  centre_ = view.center;
  height_ = std::max(h, w / aspect);
  return Status::Normal;
}

ViewRecord HeadlessDisplay::currentView() const {
  return ViewRecord{centre_, height_, height_ * screen_.x / screen_.y};
}

Status HeadlessDisplay::drawVector(geom::Point3d from, geom::Point3d to, ColourIndex colour,
                                   bool highlight) {
  // -1 draws in the inverse of what is under it; 0 to 256 are palette and logical colours.
  if (colour < -1 || colour > 256 || !finite(from) || !finite(to)) return Status::InvalidInput;
  vectors_.push_back(TemporaryVector{from, to, colour, highlight});
  return Status::Normal;
}

Status HeadlessDisplay::setScreenSize(geom::Point2d pixels) {
  if (!(pixels.x >= 1.0) || !(pixels.y >= 1.0) || !std::isfinite(pixels.x) ||
      !std::isfinite(pixels.y)) {
    return Status::InvalidInput;
  }
  screen_ = pixels;
  return Status::Normal;
}

}  // namespace host::headless
