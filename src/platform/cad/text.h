#pragma once
// TEXT: one line of text.

#include "platform/cad/simple_entities.h"

namespace cad {

class Text final : public Entity {
 public:
  KESTRA_CAD_OBJECT(Text, Text)
  // Horizontal modes (group 72) and vertical modes (group 73) of the file format.
  enum Horizontal { kLeft = 0, kCentre = 1, kRight = 2, kAligned = 3, kMiddle = 4, kFit = 5 };
  enum Vertical { kBaseline = 0, kBottom = 1, kMiddleV = 2, kTop = 3 };

  Text() = default;

  const std::string& value() const { return value_; }  // UTF-8
  void setValue(std::string v) { value_ = std::move(v), touch(); }
  geom::Point3d position() const { return position_; }  // OCS, group 10
  void setPosition(geom::Point3d p) { position_ = p, touch(); }
  // Group 11; absent when both modes are 0.
  std::optional<geom::Point3d> alignmentPoint() const { return alignment_; }
  void setAlignmentPoint(std::optional<geom::Point3d> p) { alignment_ = p, touch(); }
  double height() const { return height_; }
  void setHeight(double h) { height_ = h, touch(); }
  double rotationDegrees() const { return rotation_; }
  void setRotationDegrees(double r) { rotation_ = r, touch(); }
  double widthFactor() const { return widthFactor_; }
  void setWidthFactor(double w) { widthFactor_ = w, touch(); }
  double obliqueDegrees() const { return oblique_; }
  void setObliqueDegrees(double o) { oblique_ = o, touch(); }
  const std::string& style() const { return style_; }
  void setStyle(std::string s) { style_ = std::move(s), touch(); }
  int horizontalMode() const { return horizontal_; }
  int verticalMode() const { return vertical_; }
  void setModes(int horizontal, int vertical) {
    horizontal_ = horizontal, vertical_ = vertical, touch();
  }
  int generationFlags() const { return generation_; }  // 2 backwards, 4 upside down
  void setGenerationFlags(int g) { generation_ = g, touch(); }
  const Extrusion& extrusion() const { return extrusion_; }
  void setExtrusion(const Extrusion& e) { extrusion_ = e, touch(); }

  // An estimate from height, width factor and number of characters: no font metrics here.
  geom::Extents3d extents() const override;
  Status translate(geom::Vector3d offset) override;

 private:
  Text(const Text&) = default;
  std::string value_;
  geom::Point3d position_;
  std::optional<geom::Point3d> alignment_;
  double height_ = 2.5;
  double rotation_ = 0.0;
  double widthFactor_ = 1.0;
  double oblique_ = 0.0;
  std::string style_ = "Standard";
  int horizontal_ = 0;
  int vertical_ = 0;
  int generation_ = 0;
  Extrusion extrusion_;
};

}  // namespace cad
