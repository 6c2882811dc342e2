#pragma once
// The little the frame preview needs from a painting surface: solid pens, polylines and
// rectangle outlines, in pixels with y growing downwards. The drawing page paints with it
// onto its widget; tests record what was painted.

#include <cstdint>
#include <span>

namespace ruvo {

struct PreviewPoint {
  int x = 0;
  int y = 0;
  bool operator==(const PreviewPoint&) const = default;
};

struct PreviewRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const PreviewRect&) const = default;
};

// Colour in the host's byte order: red in the low byte (0x0000FF red, 0xFF0000 blue).
using PreviewColor = std::uint32_t;

class PreviewPainter {
 public:
  virtual ~PreviewPainter() = default;
  virtual void SetPen(int width, PreviewColor color) = 0;
  virtual void Polyline(std::span<const PreviewPoint> points) = 0;
  // Outline only; the inside is left as it is.
  virtual void Rectangle(const PreviewRect& rect) = 0;
};

}  // namespace ruvo
