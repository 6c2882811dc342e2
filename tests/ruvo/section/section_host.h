#pragma once
// A headless host with one new drawing, its command line captured, and helpers that put
// contours into the drawing, for the tests of the section operations.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "platform/cad/database.h"
#include "platform/host/headless/headless_host.h"
#include "ruvo/section/get_data.h"

namespace section_testing {

inline cad::LwVertex v(double x, double y, double bulge = 0.0) {
  cad::LwVertex vertex;
  vertex.point = {x, y};
  vertex.bulge = bulge;
  return vertex;
}

inline cad::PolylineVertex pv(double x, double y, double z) {
  cad::PolylineVertex vertex;
  vertex.position = {x, y, z};
  return vertex;
}

class SectionHostTest : public ::testing::Test {
 protected:
  SectionHostTest() {
    host::headless::HeadlessOptions options;
    options.output = &out_;
    host_ = std::make_unique<host::headless::HeadlessHost>(std::move(options));
    host_->documents().newDocument();
  }

  host::headless::HeadlessHost& host() { return *host_; }
  cad::Database& db() { return host_->documents().curDocument()->database(); }
  host::headless::InputScript& script() { return host_->script(); }
  // What the command line received since the last call.
  std::string take() {
    std::string s = out_.str();
    out_.str({});
    return s;
  }

  cad::ObjectId add(std::unique_ptr<cad::Entity> e, const char* layer = "DGX") {
    e->setLayer(layer);
    return db().appendToModelSpace(std::move(e)).value();
  }
  cad::ObjectId polyline(std::vector<cad::LwVertex> vertices, double elevation = 0.0,
                         bool closed = false, const char* layer = "DGX") {
    auto p = std::make_unique<cad::LwPolyline>();
    p->setVertices(vertices);
    p->setElevation(elevation);
    p->setClosed(closed);
    return add(std::move(p), layer);
  }
  cad::ObjectId line(geom::Point3d a, geom::Point3d b, const char* layer = "DGX") {
    return add(std::make_unique<cad::Line>(a, b), layer);
  }

  // One object of every curve kind across the X axis between 0 and 100, and a point.
  void addEveryKind() {
    polyline({v(10, -5), v(10, 5)}, 101.0, false, "A");
    line({20, -5, 102}, {20, 5, 999});
    auto p3 = std::make_unique<cad::Polyline3d>();
    p3->addVertex(pv(30, -5, 103));
    p3->addVertex(pv(30, 5, 500));
    add(std::move(p3));
    auto p2 = std::make_unique<cad::Polyline2d>();
    p2->addVertex(pv(40, -5, 0));
    p2->addVertex(pv(40, 5, 0));
    p2->setElevation(104);
    add(std::move(p2));
    auto arc = std::make_unique<cad::Arc>();
    arc->setOcsCentre({55, 0, 105});
    arc->setRadius(5);
    arc->setAnglesDegrees(90, 270);
    add(std::move(arc));
    auto circle = std::make_unique<cad::Circle>();
    circle->setOcsCentre({65, 0, 106});
    circle->setRadius(5);
    add(std::move(circle));
    auto ellipse = std::make_unique<cad::Ellipse>();
    ellipse->setCentre({80, 0, 107});
    ellipse->setMajorAxis({3, 0, 0});
    ellipse->setRatio(0.5);
    add(std::move(ellipse));
    auto spline = std::make_unique<cad::Spline>();
    spline->setNurbs(1, {0, 0, 1, 1}, {{90, -5, 108}, {90, 5, 300}}, {});
    add(std::move(spline));
    add(std::make_unique<cad::PointEntity>(geom::Point3d{95, 0, 50}));
  }

  // Picks the object and runs the acquisition.
  bool acquire(ruvo::CDocData& doc, cad::ObjectId id, int mode = ruvo::kModeCommon) {
    script().push(host::headless::ScriptAnswer::pickHandle(id.handle()));
    return ruvo::CGetData(host()).AcquireSection(doc, mode);
  }

 private:
  std::ostringstream out_;
  std::unique_ptr<host::headless::HeadlessHost> host_;
};

}  // namespace section_testing
