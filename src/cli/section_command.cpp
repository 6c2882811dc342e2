// ruvo section: cut a drawing along a section line and list the points, as the data page's
// acquisition does inside the host.

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/program.h"
#include "cli/section_line.h"
#include "cli/section_output.h"
#include "cli/session.h"
#include "cli/survey_checks.h"
#include "platform/cad/handle_text.h"
#include "platform/cad/spline.h"
#include "platform/host/user_interface.h"
#include "platform/win/atomic_file.h"
#include "platform/win/registry.h"
#include "ruvo/host/host_access.h"
#include "ruvo/section/data_file.h"
#include "ruvo/section/get_data.h"
#include "ruvo/settings/settings_store.h"

namespace cli {
namespace {

constexpr const char* kCommand = "ruvo section";

struct SectionArgs {
  std::string drawing;
  LineOptions line;
  bool precise = false;
  std::string edition = "current";
  std::vector<std::string> settings;
  std::optional<std::string> layers;
  std::vector<std::string> adds;
  std::vector<std::string> heights;
  std::string dataFile;
  std::string drawingOut;
  bool json = false;
};

std::optional<std::pair<int, double>> ParseHeight(std::string_view text) {
  const std::size_t eq = text.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  auto no = ParseNumberList(text.substr(0, eq), 1);
  auto value = ParseNumberList(text.substr(eq + 1), 1);
  if (!no || !value || (*no)[0] < 1 || (*no)[0] != static_cast<int>((*no)[0])) return std::nullopt;
  return std::pair(static_cast<int>((*no)[0]), (*value)[0]);
}

// The layer filter keeps the ticked layers; a name the section does not have is a typing
// error that would hide every crossing.
std::string UnknownLayer(const ruvo::CDocData& doc, const std::vector<std::string>& ticked) {
  for (const std::string& name : ticked) {
    if (std::find(doc.layerList.begin(), doc.layerList.end(), name) != doc.layerList.end()) {
      continue;
    }
    std::string there;
    for (const std::string& l : doc.layerList) there += (there.empty() ? "" : ", ") + l;
    return "--layers: the section crosses no layer named '" + name + "'; its layers are " +
           (there.empty() ? "none" : there);
  }
  return {};
}

int Execute(const SectionArgs& a) {
  if (win::sameFile(a.dataFile, a.drawing))
    return UsageError(kCommand, "-o names the drawing itself: the data file would replace it");
  if (win::sameFile(a.dataFile, a.drawingOut))
    return UsageError(kCommand, "-o and --save-drawing name the same file");
  std::vector<std::pair<int, double>> heights;
  for (const std::string& h : a.heights) {
    const auto height = ParseHeight(h);
    if (!height) return UsageError(kCommand, "--height needs NO=VALUE, not '" + h + "'");
    heights.push_back(*height);
  }
  std::vector<std::vector<double>> adds;
  for (const std::string& add : a.adds) {
    const auto line = ParseNumberList(add, 4);
    if (!line) return UsageError(kCommand, "--add needs X1,Y1,X2,Y2, not '" + add + "'");
    adds.push_back(*line);
  }
  const ruvo::Edition edition =
      a.edition == "legacy" ? ruvo::Edition::Legacy : ruvo::Edition::Current;

  ruvo::CDocData doc;
  ruvo::ReadSettings(win::Registry::currentUser(), doc);
  for (const std::string& s : a.settings) {
    std::string error;
    if (!ApplySetting(doc, s, error)) return UsageError(kCommand, error);
  }

  std::string error;
  auto session = Session::Open(a.drawing, error);
  if (!session) return Refused(kCommand, error);
  host::headless::HeadlessHost& host = session->host();
  if (!ruvo::IsWorldUcs(host)) {
    host.userInterface().messageBox(ruvo::kMsgNotWorldUcs, "");
    return Refused(kCommand, "the drawing is not in the world coordinate system");
  }
  LineChoice choice = LineChoice::Make(*session, a.line);
  if (!choice.ok()) {
    return choice.usage() ? UsageError(kCommand, choice.error())
                          : Refused(kCommand, choice.error());
  }
  choice.Push(*session);
  ruvo::CGetData getData(host, edition);
  cad::ObjectId line;
  if (!getData.AcquireSection(doc, a.precise ? ruvo::kModePrecise : ruvo::kModeCommon, &line)) {
    const std::string why = session->lastMessage();
    return Refused(kCommand, "no usable section line" + (why.empty() ? "" : " (" + why + ")"));
  }
  doc.bFromDrawing = 1;
  doc.bUserRange = 0;

  if (a.layers) {
    const std::vector<std::string> ticked = SplitNameList(*a.layers);
    if (const std::string bad = UnknownLayer(doc, ticked); !bad.empty()) {
      return Refused(kCommand, bad);
    }
    ruvo::FilterByLayers(doc, ticked);
  }
  bool addMissed = false;  // the rest is done and written; the status says what was not
  for (const std::vector<double>& add : adds) {
    host.script().push(host::headless::ScriptAnswer::pointAt({add[0], add[1], 0.0}));
    host.script().push(host::headless::ScriptAnswer::pointAt({add[2], add[3], 0.0}));
    if (doc.pointList.empty() || getData.AddPoint(doc) < 0) {
      addMissed = true;
      std::cerr << kCommand << ": the line " << JsonNumber(add[0]) << ',' << JsonNumber(add[1])
                << ',' << JsonNumber(add[2]) << ',' << JsonNumber(add[3]) << " adds no point\n";
    }
  }
  for (const auto& [no, value] : heights) {
    const std::size_t index = static_cast<std::size_t>(no - 1);
    if (index >= doc.pointList.size() || !ruvo::IsPointListed(doc.pointList[index], doc.KneePnt) ||
        doc.pointList[index].bDelete) {
      return Refused(kCommand, "no listed, undeleted point has the No " + std::to_string(no));
    }
    getData.CommitTypedHeight(doc, index, value);
    // Written back to a SPLINE without fit points, the elevation lifts its control points:
    // a mend of ours, where the host's own write-back leaves such a spline unchanged.
    if (doc.bSetHigh && doc.pointList[index].idObject != 0) {
      const cad::ObjectId id(doc.pointList[index].idObject);
      auto spline = session->document().database().openForRead<cad::Spline>(id);
      if (spline && spline->fitPoints().empty()) {
        std::cerr << kCommand << ": note: the SPLINE " << HandleText(id)
                  << " has no fit points; its control points were lifted to " << JsonNumber(value)
                  << '\n';
      }
    }
  }
  choice.Finish(*session);

  if (!a.dataFile.empty()) {
    const ruvo::DataFileResult saved = ruvo::SaveSectionFile(doc, a.dataFile, edition);
    for (const std::string& note : saved.notes) std::cerr << note;
    if (!saved.ok()) return Refused(kCommand, a.dataFile + ": " + saved.message);
  }
  if (!a.drawingOut.empty() && !session->SaveDrawingAs(a.drawingOut, error)) {
    return Refused(kCommand, error);
  }

  const std::vector<std::string> warnings =
      SurveyWarnings(doc, ContourInterval(session->document().database()));
  if (a.json) {
    SectionReport report;
    report.drawing = a.drawing;
    report.line =
        SectionLineInfo{HandleText(line), DxfTypeName(session->document().database(), line)};
    report.messages = MessageLines(session->commandLineText());
    report.warnings = warnings;
    WriteSectionJson(std::cout, report, doc);
  } else {
    WritePointTable(std::cout, doc);
  }
  for (const std::string& w : warnings) std::cerr << kCommand << ": warning: " << w << '\n';
  return addMissed ? kRefused : kDone;
}

}  // namespace

Run DefineSection(CLI::App& sub) {
  auto a = std::make_shared<SectionArgs>();
  DescribeCommand(
      sub,
      "Cuts the drawing along its section line as the data page's \"获取交点数据\" does: the "
      "line is picked, every curve it crosses is cut, the points are sorted, thinned, filtered "
      "and repaired. Warnings (no crossing, no elevations, a section shorter than one unit, "
      "elevation "
      "steps larger than the contour interval) go to standard error and into --json. The host's "
      "prompts are shown with --verbose.\n\n" +
          SettingsHelp());
  sub.add_option("DRAWING", a->drawing, "the drawing (DXF)")->required()->type_name("");
  AddLineOptions(sub, a->line);
  sub.add_flag("--precise", a->precise, "cut in precise mode (each segment moved to the origin)");
  sub.add_option("--edition", a->edition,
                 "current (default) or legacy: the older build's repair and data file layout")
      ->check(CLI::IsMember({"current", "legacy"}));
  sub.add_option("--set", a->settings,
                 "NAME=VALUE: a setting for this run (FilterHeight=1, AutoAssign=0, ...); "
                 "`ruvo settings` lists them all")
      ->allow_extra_args(false)
      ->type_name("NAME=VALUE");
  sub.add_option("--layers", a->layers,
                 "after the cut, the layer filter with these layers ticked (\"\\,\" for a "
                 "comma in a name); crossings and added points on other layers are hidden")
      ->type_name("A,B");
  sub.add_option("--add", a->adds, "add a point where this line crosses the section")
      ->allow_extra_args(false)
      ->type_name("X1,Y1,X2,Y2");
  sub.add_option("--height", a->heights,
                 "type an elevation for the point listed as No NO (1-based); with bSetHigh=1 it "
                 "is written into the object (a SPLINE without fit points has its control "
                 "points lifted, where the host would leave it unchanged)")
      ->allow_extra_args(false)
      ->type_name("NO=VALUE");
  sub.add_option("-o,--out", a->dataFile, "save the section data file (version ZRK3.8)")
      ->type_name("DATAFILE");
  sub.add_option("--save-drawing", a->drawingOut, "write the (changed) drawing as DXF")
      ->type_name("OUT.dxf");
  sub.add_flag("--json", a->json, "print one JSON object instead of the list");
  return [a] { return Execute(*a); };
}

}  // namespace cli
