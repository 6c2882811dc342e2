// ruvo demo: the main job on the bundled sample drawing.

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/session.h"
#include "ruvo/section/data_file.h"
#include "ruvo/section/get_data.h"

namespace cli {
namespace {

constexpr const char* kDemoHelp =
    "usage: ruvo demo --out DIR [--drawing FILE]\n"
    "\n"
    "Cuts the bundled sample drawing (resources/samples/topo_small.dxf) along its section\n"
    "line (handle 11F2) with the default settings, writes the section data file\n"
    "DIR/section.txt and prints a short summary.\n"
    "Exit status: 0 done, 1 refused input, 2 usage error.\n";

constexpr std::uint64_t kSampleSectionLine = 0x11F2;

int Usage(const std::string& message) {
  std::fprintf(stderr, "ruvo demo: %s (ruvo demo --help)\n", message.c_str());
  return 2;
}

int Refused(const std::string& message) {
  std::fprintf(stderr, "ruvo demo: %s\n", message.c_str());
  return 1;
}

}  // namespace

int runDemo(Args args) {
  ArgReader r(args);
  std::string_view value;
  std::filesystem::path out;
  std::filesystem::path drawing = KESTRA_SAMPLES_DIR "/topo_small.dxf";
  while (!r.done()) {
    if (r.flag("--help") || r.flag("-h")) {
      std::fputs(kDemoHelp, stdout);
      return 0;
    }
    if (r.option("--out", value)) {
      out = value;
    } else if (r.option("--drawing", value)) {
      drawing = value;
    } else {
      return Usage("unknown argument " + std::string(r.peek()));
    }
    if (r.missingValue()) return Usage(std::string(r.missingName()) + " needs a value");
  }
  if (out.empty()) return Usage("--out DIR is needed");
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  if (ec) return Refused("cannot create " + out.string());

  std::string error;
  auto session = Session::Open(drawing.string(), error, nullptr);
  if (!session) return Refused(error);
  session->host().script().push(host::headless::ScriptAnswer::pickHandle(kSampleSectionLine));
  ruvo::CDocData doc;
  if (!ruvo::CGetData(session->host()).AcquireSection(doc, ruvo::kModeCommon)) {
    return Refused("the sample's section line could not be read");
  }
  doc.bFromDrawing = 1;
  const std::filesystem::path dataFile = out / "section.txt";
  const ruvo::DataFileResult saved = ruvo::SaveSectionFile(doc, dataFile, ruvo::Edition::Current);
  if (!saved.ok()) return Refused(dataFile.string() + ": " + saved.message);

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
  return 0;
}

}  // namespace cli
