// Object coordinate systems, world curves and the elevations the section cut reads and
// writes back, per entity type.

#include <gtest/gtest.h>

#include <cmath>

#include "platform/cad/database.h"

namespace cad {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr geom::Vector3d kDown{0.0, 0.0, -1.0};

void expectNear(geom::Point3d a, geom::Point3d b, double tol = 1e-9) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

// The entity's world curve as the kernel type T, or nullopt when it is another type.
template <class T>
std::optional<T> curveAs(const CurveEntity& e) {
  const geom::Curve c = e.curve();
  const T* t = std::get_if<T>(&c);
  return t ? std::optional<T>(*t) : std::nullopt;
}

geom::Point3d onArc(const geom::CircularArc& a, double angle) {
  return {a.centre.x + a.radius * std::cos(angle), a.centre.y + a.radius * std::sin(angle),
          a.centre.z};
}

TEST(Ocs, MirroredAndTiltedSystems) {
  const Ocs down(kDown);
  EXPECT_EQ(down.planeSign(), -1);
  EXPECT_EQ(down.toWorld(geom::Point3d{1, 2, 3}), (geom::Point3d{-1, 2, -3}));
  EXPECT_EQ(down.toOcs(geom::Point3d{-1, 2, -3}), (geom::Point3d{1, 2, 3}));
  EXPECT_EQ(Ocs(kWorldZ).toWorld(geom::Point3d{1, 2, 3}), (geom::Point3d{1, 2, 3}));
  EXPECT_EQ(Ocs(geom::Vector3d{0, 0, 5}).planeSign(), 1);

  const Ocs tilted(geom::Vector3d{0.6, 0.0, 0.8});
  EXPECT_EQ(tilted.planeSign(), 0);
  const geom::Point3d p{3.5e6, 5e5, 12.25};
  expectNear(tilted.toOcs(tilted.toWorld(p)), p, 1e-6);
  // The axes are orthonormal and right-handed.
  EXPECT_NEAR(geom::dot(tilted.xAxis(), tilted.yAxis()), 0.0, 1e-15);
  const geom::Vector3d z = geom::cross(tilted.xAxis(), tilted.yAxis());
  EXPECT_NEAR(geom::dot(z, tilted.zAxis()), 1.0, 1e-15);
}

TEST(LwPolylineGeometry, MirroredExtrusionFlipsXBulgeAndElevation) {
  LwPolyline pl;
  pl.setVertices({{{10, 20}, 0.5, 0, 0}, {{30, 20}, 0.0, 0, 0}, {{30, 40}, 0, 0, 0}});
  pl.setElevation(125.5);
  pl.setExtrusion({kDown, 0.0});
  EXPECT_DOUBLE_EQ(pl.elevation(), 125.5);  // as stored

  const auto c = curveAs<geom::Polyline2d>(pl);
  ASSERT_TRUE(c);
  ASSERT_EQ(c->vertices.size(), 3u);
  EXPECT_EQ(c->vertices[0].point, (geom::Point2d{-10, 20}));
  EXPECT_DOUBLE_EQ(c->vertices[0].bulge, -0.5);
  EXPECT_DOUBLE_EQ(c->elevation, -125.5);
  expectNear(*pl.startPoint(), {-10, 20, -125.5});

  // The arc's bulge extents mirror too: the half circle (bulge 1 would) stays on the
  // mirrored side.
  const geom::Extents3d e = pl.extents();
  EXPECT_NEAR(e.min.x, -30, 1e-9);
  EXPECT_NEAR(e.max.x, -10, 1e-9);
}

TEST(LwPolylineGeometry, SparseBulgesAndWidths) {
  LwPolyline pl;
  pl.addVertex({{0, 0}});
  pl.addVertex({{1, 0}});
  EXPECT_FALSE(pl.hasBulges());
  pl.setBulgeAt(0, 1.0);
  EXPECT_TRUE(pl.hasBulges());
  pl.addVertex({{2, 0}, 0.0, 0.5, 0.25});
  EXPECT_DOUBLE_EQ(pl.bulgeAt(0), 1.0);
  EXPECT_DOUBLE_EQ(pl.bulgeAt(2), 0.0);
  EXPECT_DOUBLE_EQ(pl.widthsAt(0).start, 0.0);
  EXPECT_DOUBLE_EQ(pl.widthsAt(2).start, 0.5);
  EXPECT_EQ(pl.assign({{0, 0}, {1, 1}}, {0.0}, {}), Status::InvalidInput);
  // A half circle below the chord from (0,0) to (1,0) (bulge 1 runs counter-clockwise).
  EXPECT_NEAR(pl.extents().min.y, -0.5, 1e-12);
}

TEST(ArcGeometry, MirroredArcRunsClockwiseThroughTheSamePoints) {
  Arc arc;
  arc.setOcsCentre({100, 50, 7});
  arc.setRadius(10);
  arc.setAnglesDegrees(30, 120);
  arc.setExtrusion({kDown, 0});
  expectNear(arc.centre(), {-100, 50, -7});

  const auto c = curveAs<geom::CircularArc>(arc);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->normalZ, -1.0);
  expectNear(onArc(*c, c->startAngle), *arc.startPoint());
  expectNear(onArc(*c, c->endAngle), *arc.endPoint());
  EXPECT_NEAR(arc.startPoint()->z, -7, 1e-12);  // the section cut's elevation of an arc
  // Clockwise from 150 degrees to 60 degrees passes 90 degrees: the top of the circle.
  EXPECT_NEAR(arc.extents().max.y, 60, 1e-9);

  arc.setCentreZ(88.5);
  EXPECT_DOUBLE_EQ(arc.centre().z, 88.5);
  EXPECT_DOUBLE_EQ(arc.ocsCentre().z, -88.5);
  EXPECT_DOUBLE_EQ(arc.startPoint()->z, 88.5);
}

TEST(ArcGeometry, TiltedArcBecomesAnExactNurbs) {
  Arc arc;
  arc.setOcsCentre({1, 2, 3});
  arc.setRadius(5);
  arc.setAnglesDegrees(0, 270);
  arc.setExtrusion({{0.0, 0.6, 0.8}, 0});
  const auto n = curveAs<geom::Nurbs>(arc);
  ASSERT_TRUE(n);
  EXPECT_EQ(n->degree, 2);
  EXPECT_EQ(n->knots.size(), n->controlPoints.size() + 3);
  expectNear(n->controlPoints.front(), *arc.startPoint());
  expectNear(n->controlPoints.back(), *arc.endPoint());
  // Every piece's end control points lie on the circle.
  const geom::Point3d c = arc.centre();
  for (std::size_t i = 0; i < n->controlPoints.size(); i += 2) {
    EXPECT_NEAR((n->controlPoints[i] - c).length(), 5.0, 1e-12);
  }
}

TEST(CircleAndEllipse, MirroredCentresAndStartPoints) {
  Circle circle;
  circle.setOcsCentre({5, 6, 40});
  circle.setRadius(2);
  circle.setExtrusion({kDown, 0});
  const auto c = curveAs<geom::Circle>(circle);
  ASSERT_TRUE(c);
  expectNear(c->centre, {-5, 6, -40});
  EXPECT_EQ(c->normalZ, -1.0);
  circle.setCentreZ(12);
  EXPECT_DOUBLE_EQ(circle.centre().z, 12);

  Ellipse el;
  el.setCentre({0, 0, 9});
  el.setMajorAxis({4, 0, 0});
  el.setRatio(0.5);
  el.setParams(0.0, kPi / 2);
  el.setNormal(kDown);
  const auto e = curveAs<geom::EllipseArc>(el);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->normalZ, -1.0);
  // With the normal down, the minor axis points to -Y.
  expectNear(el.pointAt(kPi / 2), {0, -2, 9});
  EXPECT_NEAR(el.extents().min.y, -2, 1e-12);
  EXPECT_NEAR(el.extents().max.y, 0, 1e-12);
  el.setCentreZ(3);
  EXPECT_DOUBLE_EQ(el.startPoint()->z, 3);
}

TEST(Elevations, ReadAndWrittenBackPerType) {
  Line line({0, 0, 5}, {1, 1, 7});
  EXPECT_DOUBLE_EQ(line.startPoint()->z, 5);
  line.setZ(9);
  EXPECT_DOUBLE_EQ(line.start().z, 9);
  EXPECT_DOUBLE_EQ(line.end().z, 9);

  Polyline3d p3;
  p3.addVertex({{0, 0, 1}, 0, 0, 0, 0, 32, {}});
  p3.addVertex({{1, 0, 2}, 0, 0, 0, 0, 32, {}});
  EXPECT_DOUBLE_EQ(p3.startPoint()->z, 1);
  p3.setAllZ(4);
  for (const auto& v : p3.vertices()) EXPECT_DOUBLE_EQ(v.position.z, 4);

  Spline sp;
  ASSERT_EQ(sp.setNurbs(1, {0, 0, 1, 1}, {{0, 0, 3}, {1, 0, 8}}, {}), Status::Ok);
  sp.setFitPoints({{0, 0, 3}, {1, 0, 8}});
  EXPECT_DOUBLE_EQ(sp.controlPoints()[0].z, 3);
  sp.setElevation(6);
  EXPECT_DOUBLE_EQ(sp.controlPoints()[0].z, 6);  // what is read back follows what was written
  EXPECT_DOUBLE_EQ(sp.fitPoints()[1].z, 6);
  EXPECT_EQ(sp.setNurbs(3, {0, 1}, {{0, 0, 0}}, {}), Status::InvalidInput);

  Polyline2d p2;
  p2.setElevation(17);
  EXPECT_DOUBLE_EQ(p2.elevation(), 17);
  EXPECT_TRUE(p2.isModified());
}

TEST(SplineGeometry, FitPointsAloneGiveTheInterpolatingCubic) {
  Spline sp;
  sp.setFitPoints({{0, 0, 4}, {10, 5, 4}, {20, 0, 4}, {30, 5, 4}});
  const auto n = curveAs<geom::Nurbs>(sp);
  ASSERT_TRUE(n);
  EXPECT_EQ(n->degree, 3);
  expectNear(*sp.startPoint(), {0, 0, 4});
  EXPECT_TRUE(sp.controlPoints().empty());  // nothing stored changes by looking
  ASSERT_EQ(sp.fitFromPoints(), Status::Ok);
  EXPECT_EQ(sp.controlPoints().size(), n->controlPoints.size());
  EXPECT_DOUBLE_EQ(sp.controlPoints().front().z, 4);
  // Passes through the fit points: the middle ones lie inside the extents, the ends on it.
  EXPECT_NEAR(sp.extents().min.x, 0, 1e-9);
  EXPECT_NEAR(sp.extents().max.x, 30, 1e-9);

  Spline lone;
  lone.setFitPoints({{1, 1, 1}, {1, 1, 1}});
  EXPECT_EQ(lone.fitFromPoints(), Status::InvalidInput);
}

TEST(LwPolylineGeometry, TiltedPlanes) {
  LwPolyline straight;
  straight.setVertices({{{0, 0}}, {{10, 0}}});
  straight.setElevation(2);
  straight.setExtrusion({{0, 1, 0}, 0});  // the world XZ plane
  const auto p3 = curveAs<geom::Polyline3d>(straight);
  ASSERT_TRUE(p3);
  const Ocs ocs(geom::Vector3d{0, 1, 0});
  expectNear(p3->vertices[1], ocs.toWorld(geom::Point3d{10, 0, 2}));

  straight.setBulgeAt(0, 1.0);  // a half circle: now an exact rational curve
  const auto n = curveAs<geom::Nurbs>(straight);
  ASSERT_TRUE(n);
  expectNear(n->controlPoints.back(), ocs.toWorld(geom::Point3d{10, 0, 2}));
  const geom::Point3d centre = ocs.toWorld(geom::Point3d{5, 0, 2});
  for (std::size_t i = 0; i < n->controlPoints.size(); i += 2) {
    EXPECT_NEAR((n->controlPoints[i] - centre).length(), 5.0, 1e-12);
  }
}

TEST(OldPolylineGeometry, SplineFitShowsFitVerticesNotTheFrame) {
  Polyline2d pl;
  pl.setFlags(OldPolyline::kSplineFit);
  pl.setElevation(3);
  pl.addVertex({{0, 0, 0}, 0, 0, 0, 0, PolylineVertex::kSplineFrame, {}});
  pl.addVertex({{0, 0, 0}, 0, 0, 0, 0, PolylineVertex::kSplineFit, {}});
  pl.addVertex({{10, 10, 0}, 0, 0, 0, 0, PolylineVertex::kSplineFrame, {}});
  pl.addVertex({{5, 4, 0}, 0, 0, 0, 0, PolylineVertex::kSplineFit, {}});
  const auto c = curveAs<geom::Polyline2d>(pl);
  ASSERT_TRUE(c);
  ASSERT_EQ(c->vertices.size(), 2u);
  EXPECT_EQ(c->vertices[1].point, (geom::Point2d{5, 4}));
  EXPECT_DOUBLE_EQ(c->elevation, 3);
  EXPECT_LT(pl.extents().max.x, 10);  // the frame point is not part of the curve
}

TEST(Translate, MovesEveryKindItModelsAndRefusesOpaqueOnes) {
  Text text;
  text.setPosition({1, 1, 0});
  text.setAlignmentPoint(geom::Point3d{2, 1, 0});
  text.setModes(Text::kCentre, Text::kBottom);
  EXPECT_EQ(text.translate({10, 0, 0}), Status::Ok);
  EXPECT_EQ(text.position(), (geom::Point3d{11, 1, 0}));
  EXPECT_EQ(*text.alignmentPoint(), (geom::Point3d{12, 1, 0}));

  Circle mirrored;
  mirrored.setExtrusion({kDown, 0});
  mirrored.translate({1, 2, 3});
  expectNear(mirrored.centre(), {1, 2, 3});

  OpaqueEntity hatch("HATCH");
  EXPECT_EQ(hatch.translate({1, 0, 0}), Status::NotSupported);
  BlockReference withAttributes("B", {0, 0, 0});
  withAttributes.setAttributes({SubRecord{}}, SubRecord{});
  EXPECT_EQ(withAttributes.translate({1, 0, 0}), Status::NotSupported);
}

}  // namespace
}  // namespace cad
