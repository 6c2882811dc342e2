#pragma once
// A painter that remembers what it was asked to paint.

#include <vector>

#include "ruvo/drawing/preview_painter.h"

namespace testing_painter {

struct Stroke {
  enum Kind { kPolyline, kRectangle } kind;
  int penWidth;
  ruvo::PreviewColor color;
  std::vector<ruvo::PreviewPoint> points;  // a rectangle as its two corners
};

class RecordingPainter final : public ruvo::PreviewPainter {
 public:
  std::vector<Stroke> strokes;

  void SetPen(int width, ruvo::PreviewColor color) override {
    width_ = width;
    color_ = color;
  }
  void Polyline(std::span<const ruvo::PreviewPoint> points) override {
    strokes.push_back({Stroke::kPolyline, width_, color_, {points.begin(), points.end()}});
  }
  void Rectangle(const ruvo::PreviewRect& r) override {
    strokes.push_back({Stroke::kRectangle, width_, color_, {{r.left, r.top}, {r.right, r.bottom}}});
  }

 private:
  int width_ = 1;
  ruvo::PreviewColor color_ = 0;
};

}  // namespace testing_painter
