// Saving through the headless host: the writer's notes reach the command line.

#include "cli/session.h"

#include <gtest/gtest.h>

#include "platform/cad/database.h"
#include "platform/dxf/dxf_reader.h"
#include "support/shared_data.h"
#include "support/temp_dir.h"

namespace {

TEST(Session, SavingAnR12DrawingSaysWhichEntitiesTookTheirR12Form) {
  KESTRA_REQUIRE_SHARED_DATA();
  std::string error;
  auto session =
      cli::Session::Open(KESTRA_SHARED_DATA "/dxf/testsuite/ixmilia/t.r12.dxf", error, nullptr);
  ASSERT_TRUE(session) << error;
  auto poly = std::make_unique<cad::LwPolyline>();
  poly->setVertices({{{0, 0}, 0, 0, 0}, {{10, 0}, 0, 0, 0}});
  ASSERT_TRUE(session->document().database().appendToModelSpace(std::move(poly)).ok());
  testing_support::TempDir dir;
  ASSERT_TRUE(session->SaveDrawingAs((dir / "out.dxf").string(), error)) << error;
  EXPECT_NE(session->commandLineText().find("LWPOLYLINE written as POLYLINE"), std::string::npos)
      << session->commandLineText();
  dxf::ReadReport report;
  ASSERT_TRUE(dxf::readDrawing(dir / "out.dxf", report)) << report.message;
  EXPECT_EQ(report.version, "AC1009");
}

}  // namespace
