#pragma once
// Lightweight polylines, old-style 2-D polylines and 3-D polylines.

#include <span>
#include <vector>

#include "platform/cad/simple_entities.h"

namespace cad {

struct LwVertex {
  geom::Point2d point;
  double bulge = 0.0;  // of the segment that starts here
  double startWidth = 0.0;
  double endWidth = 0.0;
};

struct SegmentWidths {
  double start = 0.0;
  double end = 0.0;
};

// LWPOLYLINE. Points are in OCS at the polyline's elevation. Topographic drawings hold
// millions of vertices, so bulges and widths are stored only when one is non-zero.
class LwPolyline final : public CurveEntity {
 public:
  KESTRA_CAD_OBJECT(LwPolyline, LwPolyline)
  static constexpr int kClosed = 1;
  static constexpr int kPlinegen = 128;

  LwPolyline() = default;

  std::size_t vertexCount() const { return points_.size(); }
  std::span<const geom::Point2d> points() const { return points_; }
  geom::Point2d pointAt(std::size_t i) const { return points_[i]; }
  double bulgeAt(std::size_t i) const { return bulges_.empty() ? 0.0 : bulges_[i]; }
  SegmentWidths widthsAt(std::size_t i) const {
    return widths_.empty() ? SegmentWidths{} : widths_[i];
  }
  LwVertex vertexAt(std::size_t i) const;
  bool hasBulges() const { return !bulges_.empty(); }
  // One a point, or empty when every segment is straight.
  std::span<const double> bulges() const { return bulges_; }
  bool hasWidths() const { return !widths_.empty(); }

  void setVertices(const std::vector<LwVertex>& vertices);
  // Bulk load for readers: `bulges` and `widths` are either empty (all zero) or as long as
  // `points`; anything else is refused with InvalidInput.
  Status assign(std::vector<geom::Point2d> points, std::vector<double> bulges,
                std::vector<SegmentWidths> widths);
  void addVertex(const LwVertex& v);
  void setPointAt(std::size_t i, geom::Point2d p);
  void setBulgeAt(std::size_t i, double bulge);
  void setWidthsAt(std::size_t i, SegmentWidths w);

  double elevation() const { return elevation_; }  // OCS, as stored
  void setElevation(double e) { elevation_ = e, touch(); }
  int flags() const { return flags_; }
  void setFlags(int f) { flags_ = f, touch(); }
  bool isClosed() const { return (flags_ & kClosed) != 0; }
  void setClosed(bool closed) { flags_ = closed ? flags_ | kClosed : flags_ & ~kClosed, touch(); }
  // Group 43; absent unless set.
  std::optional<double> constantWidth() const { return constantWidth_; }
  void setConstantWidth(std::optional<double> w) { constantWidth_ = w, touch(); }
  const Extrusion& extrusion() const { return extrusion_; }
  void setExtrusion(const Extrusion& e) { extrusion_ = e, touch(); }

  // Number of segments: vertexCount - 1, or vertexCount when closed (and > 1).
  std::size_t segmentCount() const;
  // Segment i in world coordinates (a straight BulgeArc has bulge 0).
  geom::Curve segmentCurve(std::size_t i) const;

  geom::Curve curve() const override;
  std::optional<geom::Point3d> startPoint() const override;
  geom::Extents3d extents() const override;
  Status translate(geom::Vector3d offset) override;

 private:
  LwPolyline(const LwPolyline&) = default;
  void spreadBulges();
  void spreadWidths();

  std::vector<geom::Point2d> points_;
  std::vector<double> bulges_;
  std::vector<SegmentWidths> widths_;
  double elevation_ = 0.0;
  int flags_ = 0;
  std::optional<double> constantWidth_;
  Extrusion extrusion_;
};

// A VERTEX of an old-style polyline. Its record keeps the file's handle and tags.
struct PolylineVertex {
  static constexpr int kCurveFitExtra = 1;
  static constexpr int kSplineFit = 8;
  static constexpr int kSplineFrame = 16;  // control point, not on the displayed curve

  geom::Point3d position;  // OCS for 2-D polylines, world for 3-D polylines
  double startWidth = 0.0;
  double endWidth = 0.0;
  double bulge = 0.0;
  double tangentDegrees = 0.0;
  int flags = 0;
  SubRecord record;

  bool isFrame() const { return (flags & kSplineFrame) != 0; }
};

// Shared by POLYLINE in its 2-D and 3-D forms.
class OldPolyline : public CurveEntity {
 public:
  static constexpr int kClosed = 1;
  static constexpr int kCurveFit = 2;
  static constexpr int kSplineFit = 4;
  static constexpr int k3d = 8;
  static bool matches(ObjectKind k) {
    return k == ObjectKind::Polyline2d || k == ObjectKind::Polyline3d;
  }

  const std::vector<PolylineVertex>& vertices() const { return vertices_; }
  void setVertices(std::vector<PolylineVertex> v) { vertices_ = std::move(v), touch(); }
  void addVertex(const PolylineVertex& v) { vertices_.push_back(v), touch(); }
  void setVertexPosition(std::size_t i, geom::Point3d p) { vertices_[i].position = p, touch(); }
  int flags() const { return flags_; }
  void setFlags(int f) { flags_ = f, touch(); }
  bool isClosed() const { return (flags_ & kClosed) != 0; }
  void setClosed(bool c) { flags_ = c ? flags_ | kClosed : flags_ & ~kClosed, touch(); }
  bool isCurveFit() const { return (flags_ & kCurveFit) != 0; }
  bool isSplineFit() const { return (flags_ & kSplineFit) != 0; }
  // Smooth surface / curve type, group 75 (0 none, 5 quadratic, 6 cubic, 8 Bezier).
  int curveType() const { return curveType_; }
  void setCurveType(int t) { curveType_ = t, touch(); }
  const SubRecord& seqend() const { return seqend_; }
  void setSeqend(SubRecord r) { seqend_ = std::move(r); }

  // The vertices on the displayed curve: all but the spline frame's control points.
  std::vector<const PolylineVertex*> displayedVertices() const;

 protected:
  OldPolyline() = default;
  OldPolyline(const OldPolyline&) = default;
  std::vector<PolylineVertex>& mutableVertices() { return vertices_; }

 private:
  friend class Database;
  friend class DeepCloner;
  std::vector<PolylineVertex> vertices_;
  int flags_ = 0;
  int curveType_ = 0;
  SubRecord seqend_;
};

// POLYLINE without the 3-D, mesh or polyface flags. Vertices in OCS; Z is the elevation.
class Polyline2d final : public OldPolyline {
 public:
  KESTRA_CAD_OBJECT(Polyline2d, Polyline2d)
  Polyline2d() = default;

  double elevation() const { return elevation_; }  // OCS, as stored
  void setElevation(double e) { elevation_ = e, touch(); }
  SegmentWidths defaultWidths() const { return defaultWidths_; }
  void setDefaultWidths(SegmentWidths w) { defaultWidths_ = w, touch(); }
  const Extrusion& extrusion() const { return extrusion_; }
  void setExtrusion(const Extrusion& e) { extrusion_ = e, touch(); }

  // The displayed curve: fit vertices with their bulges, not the frame.
  geom::Curve curve() const override;
  std::optional<geom::Point3d> startPoint() const override;
  Status translate(geom::Vector3d offset) override;

 private:
  Polyline2d(const Polyline2d&) = default;
  double elevation_ = 0.0;
  SegmentWidths defaultWidths_;
  Extrusion extrusion_;
};

// POLYLINE with the 3-D flag. Vertices in world coordinates.
class Polyline3d final : public OldPolyline {
 public:
  KESTRA_CAD_OBJECT(Polyline3d, Polyline3d)
  Polyline3d() { setFlags(k3d); }

  // Writes an elevation back: Z of every vertex, frame included.
  void setAllZ(double z);

  geom::Curve curve() const override;
  std::optional<geom::Point3d> startPoint() const override;
  Status translate(geom::Vector3d offset) override;

 private:
  Polyline3d(const Polyline3d&) = default;
};

}  // namespace cad
