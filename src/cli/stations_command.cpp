// ruvo stations: cross-sections at stations along a centreline, as data files, one table
// and sheets.

#include <CLI/CLI.hpp>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/program.h"
#include "cli/session.h"
#include "platform/cad/symbol_table.h"
#include "platform/win/registry.h"
#include "ruvo/host/host_access.h"
#include "ruvo/section/get_data.h"
#include "ruvo/settings/settings_store.h"
#include "ruvo/stations/sheets.h"
#include "ruvo/stations/stations.h"

namespace cli {
namespace {

struct StationsArgs {
  std::string drawing;
  std::uint64_t handle = 0;
  ruvo::StationOptions options;
  bool everyGiven = false;
  std::string stationFile;
  int frame = 2;
  std::vector<std::string> settings;
  std::string out;
  std::string drawingOut;
};

int Usage(const std::string& message) {
  std::fprintf(stderr, "ruvo stations: %s (ruvo stations --help)\n", message.c_str());
  return 2;
}

int Refused(const std::string& message) {
  std::fprintf(stderr, "ruvo stations: %s\n", message.c_str());
  return 1;
}

std::optional<double> Metres(std::string_view text, bool zeroAllowed) {
  const auto v = ParseNumberList(text, 1);
  if (!v || (*v)[0] < 0 || (!zeroAllowed && (*v)[0] == 0) || (*v)[0] > 1e7) return std::nullopt;
  return (*v)[0];
}

// What CLI11 collected, before it is checked and turned into StationsArgs.
struct StationsCli {
  std::string drawing, line, every, left, right, stations, frame = "A3", out, drawingOut;
  bool atVertices = false;
  std::vector<std::string> settings;
};

// Empty when the arguments are complete; else the usage message.
std::string Check(const StationsCli& c, StationsArgs& a) {
  a.drawing = c.drawing;
  a.options.atVertices = c.atVertices;
  {
    const std::string_view v = c.line;
    std::uint64_t h = 0;
    const auto res = std::from_chars(v.data(), v.data() + v.size(), h, 16);
    if (res.ec != std::errc() || res.ptr != v.data() + v.size() || h == 0)
      return "--line needs a hex handle";
    a.handle = h;
  }
  if (!c.every.empty()) {
    const auto m = Metres(c.every, false);
    if (!m) return "--every needs a positive number of metres";
    a.options.every = *m;
    a.everyGiven = true;
  }
  if (!c.left.empty()) {
    const auto m = Metres(c.left, true);
    if (!m) return "--left needs metres (0 or more)";
    a.options.left = *m;
  }
  if (!c.right.empty()) {
    const auto m = Metres(c.right, true);
    if (!m) return "--right needs metres (0 or more)";
    a.options.right = *m;
  }
  a.stationFile = c.stations;
  const std::string f = cad::foldName(c.frame);
  if (f != "A3" && f != "A1" && f != "NONE") return "--frame is A3, A1 or none";
  a.frame = f == "A3" ? 2 : f == "A1" ? 6 : -1;
  a.settings = c.settings;
  a.out = c.out;
  a.drawingOut = c.drawingOut;
  if (!a.everyGiven) a.options.every = 0;
  if (!a.everyGiven && !a.options.atVertices && a.stationFile.empty())
    return "give the stations: --every, --at-vertices or --stations";
  if (a.options.left + a.options.right <= 0) return "the cross-section needs a length";
  if (a.out.empty()) a.out = std::filesystem::path(a.drawing).stem().string() + "-stations";
  return {};
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Execute(const StationsCli& c) {
  StationsArgs a;
  if (const std::string message = Check(c, a); !message.empty()) return Usage(message);
  ruvo::CDocData doc;
  ruvo::ReadSettings(win::Registry::currentUser(), doc);
  std::string error;
  for (const std::string& s : a.settings) {
    if (!ApplySetting(doc, s, error)) return Usage(error);
  }
  if (!(doc.XYScale > 0) || !(doc.XScale > 0) || !(doc.YScale > 0))
    return Usage("XYScale, XScale and YScale must be positive");
  a.options.unitMetres = doc.XYScale / 1000;

  const auto start = std::chrono::steady_clock::now();
  // The engine prints a line per cut; this command reports for itself.
  auto session = Session::Open(a.drawing, error, nullptr);
  if (!session) return Refused(error);
  host::headless::HeadlessHost& host = session->host();
  if (!ruvo::IsWorldUcs(host)) return Refused("the drawing is not in the world coordinate system");
  cad::Database& db = session->document().database();

  const cad::ObjectId lineId(a.handle);
  ruvo::Alignment alignment;
  std::string centreLayer;
  {
    auto line = db.openForRead<cad::Entity>(lineId);
    if (!line) return Refused("no entity has the handle " + HandleText(lineId));
    auto vertices = ruvo::CGetData(host).BuildVertexList(line.get());
    if (!vertices || vertices->size() < 2 || vertices->back().dDist <= 0)
      return Refused("the centreline must be a line or a lightweight polyline with a length");
    alignment.vertices = std::move(*vertices);
    const auto* pline = cad::objectCast<cad::LwPolyline>(line.get());
    alignment.closed = pline && pline->isClosed();
    centreLayer = line->layer();
  }
  const double lengthM = alignment.length() * a.options.unitMetres;
  if (!a.stationFile.empty()) {
    auto more = ruvo::ReadStationFile(a.stationFile, lengthM, error);
    if (!more) return Refused(error);
    a.options.more = std::move(*more);
  }
  if (const std::size_t count = ruvo::CountStations(alignment, a.options);
      count > ruvo::kMaxStations) {
    return Refused(std::to_string(count) + " stations are more than " +
                   std::to_string(ruvo::kMaxStations) +
                   " at a time: a larger --every, or the centreline in parts");
  }
  const std::vector<ruvo::Station> stations = ruvo::PlaceStations(alignment, a.options);
  if (stations.empty()) return Refused("no station lies on the centreline");

  const std::size_t total = stations.size();
  std::size_t reported = 0;
  auto progress = [&](std::size_t done) {
    if (total < 200 || done * 10 / total == reported) return;
    reported = done * 10 / total;
    std::fprintf(stderr, "stations: %zu of %zu cut\n", done, total);
  };
  std::vector<ruvo::CrossSection> sections =
      ruvo::CutStations(host, doc, stations, lineId, centreLayer, ruvo::Edition::Current, progress);
  const double cutTime = Seconds(start);
  {
    bool crossed = false, anyElevation = false;
    for (const ruvo::CrossSection& s : sections) {
      for (const ruvo::CDataStruct& p : s.data.pointList) {
        if (p.nType != ruvo::PT_CROSS || p.bDelete) continue;
        crossed = true;
        anyElevation = anyElevation || p.dHigh != 0.0;
      }
    }
    if (crossed && !anyElevation)
      std::fprintf(stderr,
                   "ruvo stations: warning: no crossing carries an elevation: the "
                   "cross-sections would be all zeros\n");
  }

  ruvo::SheetOptions sheetOptions;
  sheetOptions.frame = a.frame;
  sheetOptions.unitMetres = a.options.unitMetres;
  sheetOptions.hScale = doc.XScale;
  sheetOptions.vScale = doc.YScale;
  if (const auto tk = ResourceFile("TK.dxf")) sheetOptions.frameFile = *tk;
  // A section too large for the sheet is left off the sheets, not the run: its data file
  // and its rows in the CSV are written like every other.
  ruvo::SheetLayout layout;
  std::string layoutError;
  if (a.frame >= 0) layout = ruvo::LayOutSheets(sections, sheetOptions, layoutError);
  const bool drawSheets = a.frame >= 0 && !layout.cells.empty();

  if (!ruvo::WriteStationFiles(sections, a.out, a.options.unitMetres, error)) return Refused(error);
  const std::filesystem::path sheetsFile = std::filesystem::path(a.out) / "sheets.dxf";
  if (drawSheets && !ruvo::WriteSheetsDrawing(sections, layout, sheetOptions, sheetsFile, error))
    return Refused(error);
  if (!a.drawingOut.empty()) {
    ruvo::AddSectionLines(db, sections);
    if (!session->SaveDrawingAs(a.drawingOut, error)) return Refused(error);
  }
  std::size_t points = 0;
  for (const auto& s : sections) points += ruvo::ListedPoints(s).size();
  std::printf("stations: %zu cross-sections along %s (%.3f m), %zu points, cut in %.2f s\n",
              sections.size(), HandleText(lineId).c_str(), lengthM, points, cutTime);
  std::printf("stations: %zu data files and stations.csv in %s\n", sections.size(), a.out.c_str());
  if (drawSheets) {
    std::printf("stations: %zu sheet%s (%s) in %s\n", layout.sheets.size(),
                layout.sheets.size() == 1 ? "" : "s", a.frame == 2 ? "A3" : "A1",
                sheetsFile.string().c_str());
  }
  if (!a.drawingOut.empty()) std::printf("stations: drawing written to %s\n", a.drawingOut.c_str());
  for (const ruvo::NotDrawn& n : layout.notDrawn) {
    std::fprintf(stderr, "ruvo stations: %s not on the sheets: it %s\n",
                 sections[n.section].station.name.c_str(), n.reason.c_str());
  }
  if (!layout.notDrawn.empty()) {
    const char* hint = a.frame == 2 ? "--frame A1 or smaller scales" : "smaller scales";
    if (!drawSheets)
      return Refused("no sheets: no cross-section fits the sheet (try " + std::string(hint) +
                     "); the data files and stations.csv are written");
    return Refused(std::to_string(layout.notDrawn.size()) + " of " +
                   std::to_string(sections.size()) + " cross-sections not on the sheets (try " +
                   hint + "); their data files and rows in stations.csv are written");
  }
  return 0;
}

}  // namespace

Run DefineStations(CLI::App& sub) {
  auto c = std::make_shared<StationsCli>();
  DescribeCommand(
      sub,
      "Cuts a cross-section at every station along a centreline (a line or lightweight "
      "polyline, arcs and closed ones included), each exactly as the section line picked "
      "across the centreline there would be cut, with the same settings. Writes into DIR one "
      "section data file per station named by its chainage (\"K0+020.txt\"), \"stations.csv\" "
      "with every point of every station, and \"sheets.dxf\": the cross-sections laid out in "
      "columns on paper frames (`ruvo render DIR/sheets.dxf -o sheets.pdf` prints them). "
      "Chainages and widths are metres; a drawing unit is XYScale/1000 metres.");
  sub.add_option("DRAWING", c->drawing, "the drawing (DXF)")->required()->type_name("");
  sub.add_option("--line", c->line, "the centreline by its DXF handle (hex)")
      ->required()
      ->type_name("HANDLE");
  sub.add_option("--every", c->every, "a station every M metres from the start, and one at the end")
      ->type_name("M");
  sub.add_flag("--at-vertices", c->atVertices, "also a station at every vertex of the centreline");
  sub.add_option("--stations", c->stations,
                 "also the chainages in FILE, one a line (\"K1+234.5\" or metres)")
      ->type_name("FILE");
  sub.add_option("--left", c->left,
                 "length of the cross-section left of the centreline (default 50)")
      ->type_name("M");
  sub.add_option("--right", c->right, "and right of it (default 50)")->type_name("M");
  sub.add_option("--frame", c->frame,
                 "the sheets' paper frame: A3 (default) or A1; none: no sheets")
      ->type_name("A3|A1|none");
  sub.add_option("--set", c->settings,
                 "NAME=VALUE: override a setting for this run (XScale=200, FilterHeight=1, ...)")
      ->allow_extra_args(false)
      ->type_name("NAME=VALUE");
  sub.add_option("-o,--out", c->out,
                 "the folder to write into (default: DRAWING's name + "
                 "\"-stations\")")
      ->type_name("DIR");
  sub.add_option("--save-drawing", c->drawingOut,
                 "also write the drawing with the cross-section lines (layer \"RVDM\")")
      ->type_name("OUT.dxf");
  return [c] { return Execute(*c); };
}

}  // namespace cli
