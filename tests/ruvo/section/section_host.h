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
