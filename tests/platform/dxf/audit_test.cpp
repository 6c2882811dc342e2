// What the writer produces must pass ezdxf's audit: the round-tripped shared drawings (where
// ezdxf can audit the original at all) and a drawing made from nothing with one entity of
// each kind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/cad/block_ops.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "support/shared_data.h"
#include "test_files.h"

namespace dxf {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  fs::path path = fs::temp_directory_path() / ("kestra_dxf_audit_" + std::to_string(getpid()));
  TempDir() { fs::create_directories(path); }
  ~TempDir() { fs::remove_all(path); }
};

int runAudit(const std::string& args) {
  const std::string command = "/usr/bin/python3 '" + std::string(KESTRA_SOURCE_DIR) +
                              "/tests/platform/dxf/ezdxf_audit.py' " + args + " >&2";
  return std::system(command.c_str());
}

bool haveEzdxf() { return std::system("/usr/bin/python3 -c 'import ezdxf' 2>/dev/null") == 0; }

TEST(EzdxfAudit, RoundTrippedDrawingsPass) {
  KESTRA_REQUIRE_SHARED_DATA();
  if (!haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
  TempDir dir;
  std::string pairs = "--pairs";
  int n = 0;
  for (const auto& path : testing::sharedDrawings()) {
    ReadReport report;
    auto db = readDrawing(path, report);
    ASSERT_TRUE(db) << testing::shortName(path) << ": " << report.message;
    fs::path out = dir.path / (std::to_string(n++) + "_" + path.filename().string());
    WriteReport written;
    ASSERT_EQ(writeDrawing(*db, out, written), cad::Status::Ok) << written.message;
    pairs += " '" + path.string() + "' '" + out.string() + "'";
  }
  EXPECT_EQ(runAudit(pairs), 0);
}

// A drawing given a block from another drawing (the frame of a profile sheet): the layers
// and nested blocks that came with it are written, and the result passes the audit.
TEST(EzdxfAudit, DrawingWithABlockFromAnotherDrawingPasses) {
  KESTRA_REQUIRE_SHARED_DATA();
  if (!haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
  const fs::path data(KESTRA_SHARED_DATA);
  ReadReport report, sideReport;
  auto db = readDrawing(data / "dxf/testsuite/libredwg/example_2018.dxf", report);
  auto side = readDrawing(data / "topo/topo_small.dxf", sideReport);
  ASSERT_TRUE(db && side);
  ASSERT_TRUE(cad::insertBlock(*db, "FRAME", *side).ok());
  TempDir dir;
  const fs::path out = dir.path / "with_frame.dxf";
  WriteReport written;
  ASSERT_EQ(writeDrawing(*db, out, written), cad::Status::Ok) << written.message;
  ReadReport again;
  auto db2 = readDrawing(out, again);
  ASSERT_TRUE(db2) << again.message;
  EXPECT_TRUE(db2->layers().has("\xE9\xAB\x98\xE7\xA8\x8B\xE7\x82\xB9"));  // 高程点
  EXPECT_FALSE(db2->blocks().getIdAt("GC200").isNull());
  EXPECT_EQ(runAudit("'" + out.string() + "'"), 0);
}

TEST(EzdxfAudit, DrawingFromNothingWithEveryKindPasses) {
  if (!haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
  cad::Database db;
  auto add = [&](std::unique_ptr<cad::Entity> e) {
    e->setLayer("0");
    ASSERT_TRUE(db.appendToModelSpace(std::move(e)).ok());
  };
  add(std::make_unique<cad::Line>(geom::Point3d{0, 0, 1}, geom::Point3d{5, 5, 1}));
  auto lw = std::make_unique<cad::LwPolyline>();
  lw->setVertices({{{0, 0}, 0.4, 0, 0}, {{4, 0}, 0, 0, 0}, {{4, 3}, 0, 0, 0}});
  lw->setElevation(12.5);
  add(std::move(lw));
  auto vertices = [](std::initializer_list<geom::Point3d> points) {
    std::vector<cad::PolylineVertex> out;
    for (const auto& p : points) out.emplace_back().position = p;
    return out;
  };
  auto p2 = std::make_unique<cad::Polyline2d>();
  p2->setVertices(vertices({{0, 0, 0}, {1, 1, 0}, {2, 0, 0}}));
  p2->setElevation(3);
  add(std::move(p2));
  auto p3 = std::make_unique<cad::Polyline3d>();
  p3->setVertices(vertices({{0, 0, 1}, {1, 1, 2}, {2, 0, 3}}));
  add(std::move(p3));
  auto arc = std::make_unique<cad::Arc>();
  arc->setRadius(2);
  arc->setAnglesDegrees(10, 200);
  add(std::move(arc));
  auto circle = std::make_unique<cad::Circle>();
  circle->setRadius(3);
  add(std::move(circle));
  auto ellipse = std::make_unique<cad::Ellipse>();
  ellipse->setMajorAxis({4, 0, 0});
  ellipse->setRatio(0.5);
  add(std::move(ellipse));
  auto spline = std::make_unique<cad::Spline>();
  spline->setFitPoints({{0, 0, 0}, {1, 2, 0}, {3, 1, 0}, {5, 3, 0}});
  ASSERT_EQ(spline->fitFromPoints(), cad::Status::Ok);
  add(std::move(spline));
  auto text = std::make_unique<cad::Text>();
  text->setValue("\xE9\xAB\x98\xE7\xA8\x8B 12.5");
  text->setModes(cad::Text::kMiddle, cad::Text::kBottom);
  text->setAlignmentPoint(geom::Point3d{1, 1, 0});
  add(std::move(text));
  add(std::make_unique<cad::PointEntity>(geom::Point3d{2, 2, 9}));
  add(std::make_unique<cad::BlockReference>("*Paper_Space", geom::Point3d{}));
  TempDir dir;
  const fs::path out = dir.path / "new.dxf";
  WriteReport written;
  ASSERT_EQ(writeDrawing(db, out, written), cad::Status::Ok) << written.message;
  ReadReport report;
  auto again = readDrawing(out, report);
  ASSERT_TRUE(again) << report.message;
  EXPECT_EQ(report.version, "AC1015");
  std::size_t count = 0;
  again->forEachEntity(again->modelSpaceId(), [&](const cad::Entity&) { return ++count, true; });
  EXPECT_EQ(count, 11u);
  EXPECT_EQ(runAudit("'" + out.string() + "'"), 0);
}

}  // namespace
}  // namespace dxf
