// Geometry of lines, arcs, circles, ellipses, points, texts and block references.

#include <cmath>

#include "platform/cad/block_reference.h"
#include "platform/cad/curve_util.h"
#include "platform/cad/text.h"
#include "platform/geom/bounds.h"

namespace cad {

using detail::kDegree;
using detail::kPi;

geom::Extents3d CurveEntity::extents() const { return geom::extents(curve()); }

// ---- Line

geom::Curve Line::curve() const { return geom::LineSeg{start_, end_}; }

Status Line::translate(geom::Vector3d d) {
  start_ = start_ + d, end_ = end_ + d, touch();
  return Status::Ok;
}

// ---- Arc

namespace {

geom::Point3d ocsPointAt(geom::Point3d c, double r, double degrees) {
  const double a = degrees * kDegree;
  return {c.x + r * std::cos(a), c.y + r * std::sin(a), c.z};
}

// Moving an OCS entity by a world offset moves its OCS point by the offset seen in OCS.
geom::Point3d moved(geom::Point3d ocsPoint, const Extrusion& e, geom::Vector3d worldOffset) {
  return ocsPoint + Ocs(e.normal).toOcs(worldOffset);
}

// Sets the world Z of an OCS point; for a tilted OCS the point moves along the world Z axis.
geom::Point3d withWorldZ(geom::Point3d ocsPoint, const Extrusion& e, double z) {
  const Ocs ocs(e.normal);
  geom::Point3d w = ocs.toWorld(ocsPoint);
  w.z = z;
  return ocs.toOcs(w);
}

}  // namespace

geom::Point3d Arc::centre() const { return Ocs(extrusion_.normal).toWorld(centre_); }

void Arc::setCentreZ(double worldZ) {
  centre_ = withWorldZ(centre_, extrusion_, worldZ);
  touch();
}

std::optional<geom::Point3d> Arc::startPoint() const {
  return Ocs(extrusion_.normal).toWorld(ocsPointAt(centre_, radius_, startAngle_));
}

std::optional<geom::Point3d> Arc::endPoint() const {
  return Ocs(extrusion_.normal).toWorld(ocsPointAt(centre_, radius_, endAngle_));
}

geom::Curve Arc::curve() const {
  const Ocs ocs(extrusion_.normal);
  const double a0 = startAngle_ * kDegree, a1 = endAngle_ * kDegree;
  if (ocs.planeSign() != 0) {
    const double s = ocs.planeSign();
    // Mirrored OCS: OCS angle a is world angle pi - a, and the arc runs clockwise.
    return geom::CircularArc{ocs.toWorld(centre_), radius_,
                             detail::normaliseAngle(s > 0 ? a0 : kPi - a0),
                             detail::normaliseAngle(s > 0 ? a1 : kPi - a1), s};
  }
  double sweep = detail::normaliseAngle(a1 - a0);
  if (sweep == 0.0) sweep = detail::kTwoPi;
  detail::QuadraticPath path;
  path.arc(ocs.toWorld(centre_), ocs.xAxis() * radius_, ocs.yAxis() * radius_, a0, a0 + sweep);
  return path.take();
}

Status Arc::translate(geom::Vector3d d) {
  centre_ = moved(centre_, extrusion_, d), touch();
  return Status::Ok;
}

// ---- Circle

geom::Point3d Circle::centre() const { return Ocs(extrusion_.normal).toWorld(centre_); }

void Circle::setCentreZ(double worldZ) {
  centre_ = withWorldZ(centre_, extrusion_, worldZ);
  touch();
}

std::optional<geom::Point3d> Circle::startPoint() const {
  return Ocs(extrusion_.normal).toWorld(ocsPointAt(centre_, radius_, 0.0));
}

geom::Curve Circle::curve() const {
  const Ocs ocs(extrusion_.normal);
  if (ocs.planeSign() != 0) {
    return geom::Circle{ocs.toWorld(centre_), radius_, static_cast<double>(ocs.planeSign())};
  }
  detail::QuadraticPath path;
  path.arc(ocs.toWorld(centre_), ocs.xAxis() * radius_, ocs.yAxis() * radius_, 0.0, detail::kTwoPi);
  return path.take();
}

Status Circle::translate(geom::Vector3d d) {
  centre_ = moved(centre_, extrusion_, d), touch();
  return Status::Ok;
}

// ---- Ellipse

namespace {

geom::Vector3d minorAxis(geom::Vector3d normal, geom::Vector3d major, double ratio) {
  const double len = normal.length();
  const geom::Vector3d n = len > 0 ? normal / len : kWorldZ;
  return geom::cross(n, major) * ratio;
}

}  // namespace

geom::Point3d Ellipse::pointAt(double t) const {
  return centre_ + majorAxis_ * std::cos(t) + minorAxis(normal_, majorAxis_, ratio_) * std::sin(t);
}

geom::Curve Ellipse::curve() const {
  if (normal_.x == 0.0 && normal_.y == 0.0 && normal_.z != 0.0 && majorAxis_.z == 0.0) {
    return geom::EllipseArc{centre_,     majorAxis_, ratio_,
                            startParam_, endParam_,  normal_.z > 0 ? 1.0 : -1.0};
  }
  double t1 = endParam_;
  while (t1 <= startParam_) t1 += detail::kTwoPi;
  detail::QuadraticPath path;
  path.arc(centre_, majorAxis_, minorAxis(normal_, majorAxis_, ratio_), startParam_, t1);
  return path.take();
}

Status Ellipse::translate(geom::Vector3d d) {
  centre_ = centre_ + d, touch();
  return Status::Ok;
}

// ---- Point

geom::Extents3d PointEntity::extents() const {
  geom::Extents3d e;
  e.add(position_);
  return e;
}

Status PointEntity::translate(geom::Vector3d d) {
  position_ = position_ + d, touch();
  return Status::Ok;
}

// ---- Text

namespace {

// Rough advance of a line of text: CJK and other wide characters one height, the rest
// 0.7 of it. Enough for selection boxes; nothing here knows font metrics.
double estimatedWidth(const std::string& s, double height) {
  double w = 0.0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if ((c & 0xC0) == 0x80) continue;  // UTF-8 continuation byte
    w += c >= 0xE0 ? height : 0.7 * height;
  }
  return w;
}

}  // namespace

geom::Extents3d Text::extents() const {
  const double h = height_ > 0 ? height_ : 1.0;
  const double w = estimatedWidth(value_, h) * (widthFactor_ > 0 ? widthFactor_ : 1.0);
  geom::Point3d anchor = position_;
  double x0 = 0.0, y0 = 0.0;
  double angle = rotation_ * kDegree;
  double width = w;
  if ((horizontal_ == kAligned || horizontal_ == kFit) && alignment_) {
    const geom::Vector2d d = alignment_->xy() - position_.xy();
    angle = std::atan2(d.y, d.x);
    width = d.length();
  } else if ((horizontal_ != kLeft || vertical_ != kBaseline) && alignment_) {
    anchor = *alignment_;
    if (horizontal_ == kCentre || horizontal_ == kMiddle) x0 = -w / 2;
    if (horizontal_ == kRight) x0 = -w;
    if (vertical_ == kMiddleV || horizontal_ == kMiddle) y0 = -h / 2;
    if (vertical_ == kTop) y0 = -h;
  }
  const Ocs ocs(extrusion_.normal);
  const double c = std::cos(angle), s = std::sin(angle);
  geom::Extents3d e;
  for (double dx : {x0, x0 + width}) {
    for (double dy : {y0, y0 + h}) {
      e.add(ocs.toWorld(
          geom::Point3d{anchor.x + dx * c - dy * s, anchor.y + dx * s + dy * c, anchor.z}));
    }
  }
  return e;
}

Status Text::translate(geom::Vector3d d) {
  const geom::Vector3d o = Ocs(extrusion_.normal).toOcs(d);
  position_ = position_ + o;
  if (alignment_) alignment_ = *alignment_ + o;
  touch();
  return Status::Ok;
}

// ---- BlockReference

geom::Point3d BlockReference::toWorld(geom::Point3d p, geom::Point3d base) const {
  const geom::Vector3d v = p - base;
  const double x = v.x * scale_.x, y = v.y * scale_.y, z = v.z * scale_.z;
  const double a = rotation_ * kDegree;
  const double c = std::cos(a), s = std::sin(a);
  return Ocs(extrusion_.normal)
      .toWorld(
          geom::Point3d{position_.x + x * c - y * s, position_.y + x * s + y * c, position_.z + z});
}

Status BlockReference::translate(geom::Vector3d d) {
  if (!attributes_.empty()) return Status::NotSupported;
  position_ = position_ + Ocs(extrusion_.normal).toOcs(d), touch();
  return Status::Ok;
}

}  // namespace cad
