// Geometry of lightweight, old-style 2-D and 3-D polylines.

#include "platform/cad/polylines.h"

#include <algorithm>

#include "platform/cad/curve_util.h"
#include "platform/geom/bounds.h"

namespace cad {

// ---- LwPolyline

LwVertex LwPolyline::vertexAt(std::size_t i) const {
  const SegmentWidths w = widthsAt(i);
  return {points_[i], bulgeAt(i), w.start, w.end};
}

void LwPolyline::setVertices(const std::vector<LwVertex>& vertices) {
  points_.clear(), bulges_.clear(), widths_.clear();
  points_.reserve(vertices.size());
  const bool anyBulge = std::any_of(vertices.begin(), vertices.end(),
                                    [](const LwVertex& v) { return v.bulge != 0.0; });
  const bool anyWidth = std::any_of(vertices.begin(), vertices.end(), [](const LwVertex& v) {
    return v.startWidth != 0.0 || v.endWidth != 0.0;
  });
  for (const LwVertex& v : vertices) {
    points_.push_back(v.point);
    if (anyBulge) bulges_.push_back(v.bulge);
    if (anyWidth) widths_.push_back({v.startWidth, v.endWidth});
  }
  touch();
}

Status LwPolyline::assign(std::vector<geom::Point2d> points, std::vector<double> bulges,
                          std::vector<SegmentWidths> widths) {
  if ((!bulges.empty() && bulges.size() != points.size()) ||
      (!widths.empty() && widths.size() != points.size())) {
    return Status::InvalidInput;
  }
  points_ = std::move(points), bulges_ = std::move(bulges), widths_ = std::move(widths);
  touch();
  return Status::Ok;
}

void LwPolyline::spreadBulges() {
  if (bulges_.empty()) bulges_.assign(points_.size(), 0.0);
}

void LwPolyline::spreadWidths() {
  if (widths_.empty()) widths_.assign(points_.size(), SegmentWidths{});
}

void LwPolyline::addVertex(const LwVertex& v) {
  points_.push_back(v.point);
  if (v.bulge != 0.0) spreadBulges();
  if (!bulges_.empty()) bulges_.resize(points_.size()), bulges_.back() = v.bulge;
  if (v.startWidth != 0.0 || v.endWidth != 0.0) spreadWidths();
  if (!widths_.empty()) widths_.resize(points_.size()), widths_.back() = {v.startWidth, v.endWidth};
  touch();
}

void LwPolyline::setPointAt(std::size_t i, geom::Point2d p) { points_[i] = p, touch(); }

void LwPolyline::setBulgeAt(std::size_t i, double bulge) {
  if (bulge != 0.0) spreadBulges();
  if (!bulges_.empty()) bulges_[i] = bulge;
  touch();
}

void LwPolyline::setWidthsAt(std::size_t i, SegmentWidths w) {
  if (w.start != 0.0 || w.end != 0.0) spreadWidths();
  if (!widths_.empty()) widths_[i] = w;
  touch();
}

std::size_t LwPolyline::segmentCount() const {
  const std::size_t n = points_.size();
  if (n < 2) return 0;
  return isClosed() ? n : n - 1;
}

geom::Curve LwPolyline::segmentCurve(std::size_t i) const {
  const Ocs ocs(extrusion_.normal);
  const std::size_t j = i + 1 == points_.size() ? 0 : i + 1;
  const double s = ocs.planeSign();
  if (s != 0) {
    auto w = [&](geom::Point2d p) { return geom::Point2d{p.x * s, p.y}; };
    return geom::BulgeArc{w(points_[i]), w(points_[j]), bulgeAt(i) * s, elevation_ * s};
  }
  detail::QuadraticPath path;
  detail::addBulgeSegment(path, ocs, points_[i], points_[j], bulgeAt(i), elevation_);
  return path.take();
}

geom::Curve LwPolyline::curve() const {
  const Ocs ocs(extrusion_.normal);
  const double s = ocs.planeSign();
  if (s != 0) {
    // Mirrored OCS: x changes sign, and so does every bulge (the arcs turn the other way).
    geom::Polyline2d out;
    out.closed = isClosed();
    out.elevation = elevation_ * s;
    out.vertices.reserve(points_.size());
    for (std::size_t i = 0; i < points_.size(); ++i) {
      out.vertices.push_back({{points_[i].x * s, points_[i].y}, bulgeAt(i) * s});
    }
    return out;
  }
  if (bulges_.empty() ||
      std::all_of(bulges_.begin(), bulges_.end(), [](double b) { return b == 0; })) {
    geom::Polyline3d out;
    out.closed = isClosed();
    for (const auto& p : points_) out.vertices.push_back(ocs.toWorld(geom::withZ(p, elevation_)));
    return out;
  }
  detail::QuadraticPath path;
  for (std::size_t i = 0; i < segmentCount(); ++i) {
    const std::size_t j = i + 1 == points_.size() ? 0 : i + 1;
    detail::addBulgeSegment(path, ocs, points_[i], points_[j], bulgeAt(i), elevation_);
  }
  return path.take();
}

std::optional<geom::Point3d> LwPolyline::startPoint() const {
  if (points_.empty()) return std::nullopt;
  return Ocs(extrusion_.normal).toWorld(geom::withZ(points_.front(), elevation_));
}

geom::Extents3d LwPolyline::extents() const {
  const Ocs ocs(extrusion_.normal);
  if (ocs.planeSign() == 0) return geom::extents(curve());
  // Fast path for the common case: no copy of millions of vertices.
  geom::Extents2d box;
  const std::size_t n = points_.size();
  if (bulges_.empty()) {
    for (const auto& p : points_) box.add(p);
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      box.add(points_[i]);
      if (bulges_[i] != 0.0 && (i + 1 < n || isClosed())) {
        box.add(geom::bulgeExtents(points_[i], points_[i + 1 == n ? 0 : i + 1], bulges_[i]));
      }
    }
  }
  geom::Extents3d e;
  if (box.empty()) return e;
  e.add(ocs.toWorld(geom::withZ(box.min, elevation_)));
  e.add(ocs.toWorld(geom::withZ(box.max, elevation_)));
  return e;
}

Status LwPolyline::translate(geom::Vector3d d) {
  const geom::Vector3d o = Ocs(extrusion_.normal).toOcs(d);
  for (auto& p : points_) p = p + o.xy();
  elevation_ += o.z;
  touch();
  return Status::Ok;
}

// ---- OldPolyline

std::vector<const PolylineVertex*> OldPolyline::displayedVertices() const {
  std::vector<const PolylineVertex*> out;
  out.reserve(vertices_.size());
  const bool splineFit = isSplineFit();
  for (const auto& v : vertices_) {
    // A spline-fit polyline shows its fit vertices; the frame only steers them. Without
    // the spline-fit flag, a stray frame flag does not hide a vertex.
    if (splineFit && v.isFrame()) continue;
    out.push_back(&v);
  }
  return out;
}

// ---- Polyline2d

geom::Curve Polyline2d::curve() const {
  const Ocs ocs(extrusion_.normal);
  const std::vector<const PolylineVertex*> shown = displayedVertices();
  const double s = ocs.planeSign();
  if (s != 0) {
    geom::Polyline2d out;
    out.closed = isClosed();
    out.elevation = elevation_ * s;
    for (const PolylineVertex* v : shown) {
      out.vertices.push_back({{v->position.x * s, v->position.y}, v->bulge * s});
    }
    return out;
  }
  detail::QuadraticPath path;
  const std::size_t n = shown.size();
  const std::size_t segments = n < 2 ? 0 : (isClosed() ? n : n - 1);
  for (std::size_t i = 0; i < segments; ++i) {
    const PolylineVertex& a = *shown[i];
    const PolylineVertex& b = *shown[i + 1 == n ? 0 : i + 1];
    detail::addBulgeSegment(path, ocs, a.position.xy(), b.position.xy(), a.bulge, elevation_);
  }
  return path.take();
}

std::optional<geom::Point3d> Polyline2d::startPoint() const {
  const auto shown = displayedVertices();
  if (shown.empty()) return std::nullopt;
  return Ocs(extrusion_.normal).toWorld(geom::withZ(shown.front()->position.xy(), elevation_));
}

Status Polyline2d::translate(geom::Vector3d d) {
  const geom::Vector3d o = Ocs(extrusion_.normal).toOcs(d);
  for (auto& v : mutableVertices()) v.position = v.position + geom::Vector3d{o.x, o.y, 0.0};
  elevation_ += o.z;
  touch();
  return Status::Ok;
}

// ---- Polyline3d

void Polyline3d::setAllZ(double z) {
  for (auto& v : mutableVertices()) v.position.z = z;
  touch();
}

geom::Curve Polyline3d::curve() const {
  geom::Polyline3d out;
  out.closed = isClosed();
  for (const PolylineVertex* v : displayedVertices()) out.vertices.push_back(v->position);
  return out;
}

std::optional<geom::Point3d> Polyline3d::startPoint() const {
  const auto shown = displayedVertices();
  if (shown.empty()) return std::nullopt;
  return shown.front()->position;
}

Status Polyline3d::translate(geom::Vector3d d) {
  for (auto& v : mutableVertices()) v.position = v.position + d;
  touch();
  return Status::Ok;
}

}  // namespace cad
