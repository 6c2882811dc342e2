// ruvo demo: the main job on the bundled sample drawing.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/profile_run.h"
#include "cli/program.h"
#include "cli/session.h"
#include "ruvo/drawing/profile_geometry.h"
#include "ruvo/section/data_file.h"
#include "ruvo/section/get_data.h"

namespace cli {
namespace {

constexpr const char* kCommand = "ruvo demo";
constexpr std::uint64_t kSampleSectionLine = 0x11F2;
constexpr const char* kSample = "samples/topo_small.dxf";

// The profile at scales that fit the sample's section inside an A3 frame's inner border, with every
// row and both azimuth styles, placed so that its frame stands to the right of the map.
int DemoProfile(Session& session, ruvo::CDocData& doc, const std::filesystem::path& out) {
  for (const char* s :
       {"XScale=4000", "YScale=1000", "bXYEqual=0", "txtX=50", "txtY=10", "bXScale=1",
        "bKneePosition=1", "bDirection1=1", "bDirection2=1", "strPmName=示例剖面图"}) {
    std::string error;
    if (!ApplySetting(doc, s, error)) return Refused(kCommand, error);
  }
  ruvo::ComputeHighRange(doc);
  const ruvo::ProfileGeometry g = ruvo::MakeGeometry(doc);
  const geom::Extents2d mapBox = session.document().database().modelExtents().update().xy();
  // Frame's lower-left corner 50 units right of the map, level with its bottom.
  constexpr double kSheetW = 420, kSheetH = 297;
  ProfileRequest request;
  request.frame = 2;
  request.at = {mapBox.max.x + 50 + (kSheetW - g.W) / 2, mapBox.min.y + (kSheetH - g.H) / 2 + 32,
                0};
  request.svg = (out / "profile.svg").string();
  const ProfileOutcome outcome = DrawAndPicture(session, doc, request);
  if (!outcome.error.empty()) return Refused(kCommand, outcome.error);
  if (outcome.result.outcome != ruvo::DrawProfileResult::Placed) {
    return Refused(kCommand, "the profile was not placed");
  }
  const std::string drawingFile = (out / "profile.dxf").string();
  std::string error;
  if (!session.SaveDrawingAs(drawingFile, error)) return Refused(kCommand, error);
  if (!WritePicture(outcome, request.svg, error)) return Refused(kCommand, error);
  std::printf("demo: profile drawn at 1:4000 / 1:1000 (%zu entities, %s), elevations %g to %g\n",
              outcome.result.ids.size(), outcome.result.frame.isNull() ? "no frame" : "A3 frame",
              doc.dRangeBottom, doc.dRangeTop);
  // The session is quiet; a frame too small for the profile is worth saying all the same.
  const std::string& said = session.commandLineText();
  if (const std::size_t at = said.find("图框太小"); at != std::string::npos) {
    std::printf("demo: %s\n", said.substr(at, said.find('\n', at) - at).c_str());
  }
  std::printf("demo: drawing with the profile beside the map written to %s\n", drawingFile.c_str());
  std::printf("demo: picture of the profile written to %s\n", request.svg.c_str());
  return 0;
}

struct DemoArgs {
  std::filesystem::path out, drawing;
};

int Execute(const DemoArgs& a) {
  std::filesystem::path out = a.out, drawing = a.drawing;
  if (drawing.empty()) {
    const auto sample = ResourceFile(kSample);
    if (!sample) {
      return Refused(kCommand, std::string("the sample drawing ") + kSample + " is in none of " +
                                   ResourceFolders());
    }
    drawing = *sample;
  }
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  if (ec) return Refused(kCommand, "cannot create " + out.string());

  std::string error;
  auto session = Session::Open(drawing.string(), error, nullptr);
  if (!session) return Refused(kCommand, error);
  session->host().script().push(host::headless::ScriptAnswer::pickHandle(kSampleSectionLine));
  ruvo::CDocData doc;
  if (!ruvo::CGetData(session->host()).AcquireSection(doc, ruvo::kModeCommon)) {
    return Refused(kCommand, drawing.string() + " has no section line with the sample's handle " +
                                 HandleText(cad::ObjectId(kSampleSectionLine)) +
                                 " (demo runs on the sample drawing; `ruvo section` on any)");
  }
  doc.bFromDrawing = 1;
  const std::filesystem::path dataFile = out / "section.txt";
  const ruvo::DataFileResult saved = ruvo::SaveSectionFile(doc, dataFile, ruvo::Edition::Current);
  if (!saved.ok()) return Refused(kCommand, dataFile.string() + ": " + saved.message);

  int crossings = 0, revised = 0, knees = 0;
  double low = 1e300, high = -1e300;
  for (const ruvo::CDataStruct& p : doc.pointList) {
    crossings += p.nType == ruvo::PT_CROSS;
    knees += p.nType == ruvo::PT_KNEE;
    revised += p.bRevised != 0;
    if (p.nType != ruvo::PT_KNEE) {
      low = std::min(low, p.dHigh);
      high = std::max(high, p.dHigh);
    }
  }
  std::printf("demo: cut %s along its section line %llX\n", drawing.filename().c_str(),
              static_cast<unsigned long long>(kSampleSectionLine));
  std::printf(
      "demo: %zu points (%d crossings, %d knees), length %.3f, elevations %.3f to %.3f, "
      "%d repaired\n",
      doc.pointList.size(), crossings, knees, doc.pointList.back().dDist, low, high, revised);
  std::printf("demo: section data written to %s\n", dataFile.c_str());
  return DemoProfile(*session, doc, out);
}

}  // namespace

Run DefineDemo(CLI::App& sub) {
  auto a = std::make_shared<DemoArgs>();
  DescribeCommand(
      sub,
      "Cuts the bundled sample drawing (samples/topo_small.dxf) along its section line "
      "(handle 11F2) with the default settings, writes the section data file DIR/section.txt, "
      "draws the profile in an A3 frame beside the map (DIR/profile.dxf), a picture of it "
      "(DIR/profile.svg) and prints a short summary.");
  sub.add_option("--out", a->out, "the folder to write into")->required();
  sub.add_option("--drawing", a->drawing, "another drawing with a section line 11F2");
  return [a] { return Execute(*a); };
}

}  // namespace cli
