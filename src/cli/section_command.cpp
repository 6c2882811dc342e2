// ruvo section: cut a drawing along a section line and list the points, as the data page's
// acquisition does inside the host.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/section_output.h"
#include "cli/session.h"
#include "platform/host/user_interface.h"
#include "platform/win/registry.h"
#include "ruvo/host/host_access.h"
#include "ruvo/plugin/settings_store.h"
#include "ruvo/section/data_file.h"
#include "ruvo/section/get_data.h"

namespace cli {
namespace {

constexpr const char* kSectionHelp =
    "usage: ruvo section DRAWING (--line HANDLE | --pick X,Y) [--precise]\n"
    "                    [--edition current|legacy] [--set NAME=VALUE]...\n"
    "                    [--layers NAME,NAME...] [--add X1,Y1,X2,Y2]... [--height NO=VALUE]...\n"
    "                    [-o DATAFILE] [--save-drawing OUT.dxf] [--json]\n"
    "\n"
    "Cuts the drawing along its section line as the data page's \"获取交点数据\" does: the\n"
    "line is picked, every curve it crosses is cut, the points are sorted, thinned, filtered\n"
    "and repaired.\n"
    "\n"
    "  --line HANDLE      pick the section line by its DXF handle (hex)\n"
    "  --pick X,Y         pick at a point, as a click there would\n"
    "  --precise          cut in precise mode (each segment moved to the origin first)\n"
    "  --edition E        current (default) or legacy: the older build's repair and writer\n"
    "  --set NAME=VALUE   override a setting for this run (FilterHeight=1, AutoAssign=0,\n"
    "                     KneePnt=2, FilterHMin=800, bSetHigh=1, ...); settings otherwise\n"
    "                     come from the user's settings store\n"
    "  --layers A,B       after the cut, the layer filter with these layers ticked\n"
    "                     (\"\\,\" for a comma inside a name)\n"
    "  --add X1,Y1,X2,Y2  then add a point where this line crosses the section line\n"
    "  --height NO=VALUE  then type an elevation for the point listed as No NO (1-based, as\n"
    "                     the list shows it); with bSetHigh=1 it is written into the object\n"
    "  -o DATAFILE        save the section data file (version ZRK3.8)\n"
    "  --save-drawing F   write the (changed) drawing as DXF\n"
    "  --json             print one JSON object instead of the list\n"
    "\n"
    "The host's command-line messages go to standard error.\n"
    "Exit status: 0 done, 1 refused input (no usable section line, unreadable drawing, ...),\n"
    "2 usage error.\n";

struct SectionArgs {
  std::string drawing;
  std::optional<std::uint64_t> handle;
  std::optional<geom::Point3d> pickAt;
  int mode = ruvo::kModeCommon;
  ruvo::Edition edition = ruvo::Edition::Current;
  std::vector<std::string> settings;
  std::optional<std::vector<std::string>> layers;
  std::vector<std::vector<double>> adds;
  std::vector<std::pair<int, double>> heights;
  std::string dataFile;
  std::string drawingOut;
  bool json = false;
};

int Usage(const std::string& message) {
  std::fprintf(stderr, "ruvo section: %s (ruvo section --help)\n", message.c_str());
  return 2;
}

int Refused(const std::string& message) {
  std::fprintf(stderr, "ruvo section: %s\n", message.c_str());
  return 1;
}

std::optional<std::uint64_t> ParseHandle(std::string_view text) {
  if (text.empty() || text.size() > 16) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(digit);
  }
  return value == 0 ? std::nullopt : std::optional(value);
}

std::optional<std::pair<int, double>> ParseHeight(std::string_view text) {
  const std::size_t eq = text.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  auto no = ParseNumberList(text.substr(0, eq), 1);
  auto value = ParseNumberList(text.substr(eq + 1), 1);
  if (!no || !value || (*no)[0] < 1 || (*no)[0] != static_cast<int>((*no)[0])) return std::nullopt;
  return std::pair(static_cast<int>((*no)[0]), (*value)[0]);
}

// Nullopt when the arguments are fine; otherwise the exit status after the message.
std::optional<int> ParseArgs(Args args, SectionArgs& out) {
  ArgReader r(args);
  std::string_view v;
  while (!r.done()) {
    if (r.flag("--help") || r.flag("-h")) {
      std::fputs(kSectionHelp, stdout);
      return 0;
    }
    if (r.flag("--precise")) {
      out.mode = ruvo::kModePrecise;
    } else if (r.flag("--json")) {
      out.json = true;
    } else if (r.option("--line", v)) {
      if (!(out.handle = ParseHandle(v)) && !r.missingValue()) return Usage("bad handle");
    } else if (r.option("--pick", v)) {
      auto xy = ParseNumberList(v, 2);
      if (!xy && !r.missingValue()) return Usage("--pick needs X,Y");
      if (xy) out.pickAt = geom::Point3d{(*xy)[0], (*xy)[1], 0.0};
    } else if (r.option("--edition", v)) {
      if (v != "current" && v != "legacy") return Usage("--edition is current or legacy");
      out.edition = v == "legacy" ? ruvo::Edition::Legacy : ruvo::Edition::Current;
    } else if (r.option("--set", v)) {
      out.settings.emplace_back(v);
    } else if (r.option("--layers", v)) {
      out.layers = SplitNameList(v);
    } else if (r.option("--add", v)) {
      auto line = ParseNumberList(v, 4);
      if (!line && !r.missingValue()) return Usage("--add needs X1,Y1,X2,Y2");
      if (line) out.adds.push_back(*line);
    } else if (r.option("--height", v)) {
      auto height = ParseHeight(v);
      if (!height && !r.missingValue()) return Usage("--height needs NO=VALUE");
      if (height) out.heights.push_back(*height);
    } else if (r.option("-o", v) || r.option("--out", v)) {
      out.dataFile = std::string(v);
    } else if (r.option("--save-drawing", v)) {
      out.drawingOut = std::string(v);
    } else if (r.peek().starts_with("-") && r.peek().size() > 1) {
      return Usage("unknown option " + std::string(r.peek()));
    } else {
      if (!out.drawing.empty()) return Usage("more than one drawing given");
      out.drawing = std::string(r.take());
    }
    if (r.missingValue()) return Usage(std::string(r.missingName()) + " needs a value");
  }
  if (out.drawing.empty()) return Usage("no drawing given");
  if (out.handle.has_value() == out.pickAt.has_value()) {
    return Usage("give the section line with either --line or --pick");
  }
  return std::nullopt;
}

}  // namespace

int runSection(Args args) {
  SectionArgs a;
  if (auto status = ParseArgs(args, a)) return *status;

  ruvo::CDocData doc;
  ruvo::ReadSettings(win::Registry::currentUser(), doc);
  for (const std::string& s : a.settings) {
    std::string error;
    if (!ApplySetting(doc, s, error)) return Usage(error);
  }

  std::string error;
  auto session = Session::Open(a.drawing, error);
  if (!session) return Refused(error);
  host::headless::HeadlessHost& host = session->host();
  if (!ruvo::IsWorldUcs(host)) {
    host.userInterface().messageBox(ruvo::kMsgNotWorldUcs, "");
    return Refused("the drawing is not in the world coordinate system");
  }

  using host::headless::ScriptAnswer;
  host.script().push(a.handle ? ScriptAnswer::pickHandle(*a.handle)
                              : ScriptAnswer::pickAt(*a.pickAt));
  ruvo::CGetData getData(host, a.edition);
  cad::ObjectId line;
  if (!getData.AcquireSection(doc, a.mode, &line)) return Refused("no usable section line");
  doc.bFromDrawing = 1;
  doc.bUserRange = 0;

  if (a.layers) ruvo::FilterByLayers(doc, *a.layers);
  for (const std::vector<double>& add : a.adds) {
    host.script().push(ScriptAnswer::pointAt({add[0], add[1], 0.0}));
    host.script().push(ScriptAnswer::pointAt({add[2], add[3], 0.0}));
    if (doc.pointList.empty() || getData.AddPoint(doc) < 0) {
      std::fprintf(stderr, "ruvo section: the line %g,%g,%g,%g adds no point\n", add[0], add[1],
                   add[2], add[3]);
    }
  }
  for (const auto& [no, value] : a.heights) {
    const std::size_t index = static_cast<std::size_t>(no - 1);
    if (index >= doc.pointList.size() || !ruvo::IsPointListed(doc.pointList[index], doc.KneePnt) ||
        doc.pointList[index].bDelete) {
      return Refused("no listed, undeleted point has the No " + std::to_string(no));
    }
    getData.CommitTypedHeight(doc, index, value);
  }

  if (!a.dataFile.empty()) {
    const ruvo::DataFileResult saved = ruvo::SaveSectionFile(doc, a.dataFile, a.edition);
    for (const std::string& note : saved.notes) std::fputs(note.c_str(), stderr);
    if (!saved.ok()) return Refused(a.dataFile + ": " + saved.message);
  }
  if (!a.drawingOut.empty() && !session->SaveDrawingAs(a.drawingOut, error)) return Refused(error);

  if (a.json) {
    SectionReport report;
    report.drawing = a.drawing;
    report.line =
        SectionLineInfo{HandleText(line), DxfTypeName(session->document().database(), line)};
    report.messages = MessageLines(session->commandLineText());
    WriteSectionJson(std::cout, report, doc);
  } else {
    WritePointTable(std::cout, doc);
  }
  return 0;
}

}  // namespace cli
