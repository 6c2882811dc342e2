#pragma once
// A drawing turned into what a picture needs: stroked paths and positioned texts in world
// coordinates, in drawing order. Back ends (SVG here, a widget later) paint these without
// knowing anything about entities.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/geom/extents.h"
#include "platform/geom/vec.h"

namespace render {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// A polyline in world XY. Width 0 is a hairline (one device pixel, whatever the zoom).
// A path with different widths along it is split into pieces of one width each.
struct Path {
  std::vector<geom::Point2d> points;
  bool closed = false;
  double width = 0.0;
  Rgb colour;
  std::vector<double> dashes;  // world lengths, dash/gap alternating; empty: solid
  bool filled = false;         // the closed area painted in the colour (solids, arrows)
};

enum class HAlign { Left, Centre, Right };
enum class VAlign { Baseline, Bottom, Middle, Top };

// Where a label's baseline lies above its anchor, in capital heights.
constexpr double baselineAbove(VAlign v) {
  switch (v) {
    case VAlign::Baseline:
      return 0;
    case VAlign::Bottom:
      return 0.3;
    case VAlign::Middle:
      return -0.5;
    case VAlign::Top:
      return -1.0;
  }
  return 0;
}

// One line of text. `anchor` is the point the alignment refers to; `height` is the
// capital height in world units; `text` is ready to show (control codes resolved).
struct Label {
  geom::Point2d anchor;
  std::string text;
  double height = 1.0;
  double rotation = 0.0;  // radians, counter-clockwise
  double widthFactor = 1.0;
  HAlign h = HAlign::Left;
  VAlign v = VAlign::Baseline;
  Rgb colour;
  // The text style's face ("SimSun", or the base name of a TrueType file); empty, or a face
  // that is not installed: the back end's CJK face.
  std::string typeface;
  bool bold = false, italic = false;
};

using Primitive = std::variant<Path, Label>;

struct Picture {
  std::vector<Primitive> items;
  // Extent of the geometry (texts by their anchors and an estimate of their size).
  geom::Extents2d extents() const;
};

}  // namespace render
