#pragma once
// What a drawing run creates, as plain data: the layout functions produce these, and the run
// turns each into one drawing entity, in order.

#include <string>
#include <variant>
#include <vector>

#include "platform/geom/vec.h"

namespace ruvo {

inline constexpr const char* kLineLayer = "RUVO";   // the profile line only
inline constexpr const char* kFrameLayer = "RVTK";  // everything else
inline constexpr const char* kTextStyle = "RUVOZT";
inline constexpr const char* kDashedLinetype = "ACAD_ISO10W100";

// Text alignment modes of the host.
enum TextHorizontal { kLeft = 0, kCentre = 1, kRight = 2, kMid = 4 };
enum TextVertical { kBottom = 1, kMiddle = 2 };

struct ShapePolyline {
  std::vector<geom::Point2d> points;
  double width = 0;  // constant width at every vertex
  std::string layer = kFrameLayer;
  std::string linetype;  // empty: by layer
  double linetypeScale = 1.0;
};

struct ShapeSpline {
  std::vector<geom::Point2d> fitPoints;
  std::string layer = kLineLayer;
};

struct ShapeText {
  geom::Point2d position;
  std::string text;
  double height = 2.5;
  int horizontal = kLeft;
  int vertical = kBottom;
  std::string layer = kFrameLayer;
};

using ProfileShape = std::variant<ShapePolyline, ShapeSpline, ShapeText>;
using ProfileShapes = std::vector<ProfileShape>;

// Helpers the layout code uses to append shapes on the frame layer.
inline void AddLine(ProfileShapes& out, std::vector<geom::Point2d> points, double width = 0) {
  out.push_back(ShapePolyline{std::move(points), width, kFrameLayer, {}, 1.0});
}
inline void AddLabel(ProfileShapes& out, geom::Point2d at, std::string text, double height,
                     int horizontal, int vertical) {
  out.push_back(ShapeText{at, std::move(text), height, horizontal, vertical, kFrameLayer});
}

}  // namespace ruvo
