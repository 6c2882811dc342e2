#include "ruvo/stations/station_run.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/cad/polylines.h"
#include "platform/geom/transform.h"
#include "platform/host/command_line.h"
#include "platform/host/display.h"
#include "platform/host/document.h"
#include "platform/host/document_manager.h"
#include "platform/host/editor.h"
#include "platform/host/user_interface.h"
#include "ruvo/host/host_access.h"
#include "ruvo/section/get_data.h"
#include "ruvo/stations/sheets.h"
#include "ruvo/stations/stations.h"

namespace ruvo {

namespace {

// Asks for a number until one is given (Enter takes the default); nullopt on Escape.
std::optional<double> AskNumber(host::Host& host, const char* prompt, double fallback,
                                bool zeroAllowed) {
  char text[96];
  std::snprintf(text, sizeof text, prompt, fallback);
  for (;;) {
    const host::RealResult r = host.editor().getReal(text);
    if (r.status == host::Status::None) return fallback;
    if (r.status != host::Status::Normal) return std::nullopt;
    if (r.value > 0 || (zeroAllowed && r.value == 0)) return r.value;
    host.commandLine().print(zeroAllowed ? kMsgNotNegative : kMsgPositive);
  }
}

}  // namespace

StationRunResult RunStations(host::Host& host, CDocData& doc, Edition edition) {
  StationRunResult result;
  if (!IsWorldUcs(host)) {
    host.userInterface().messageBox(kMsgNotWorldUcs, "");
    return result;
  }
  host.editor().resetInputOptions();
  const host::PickResult pick = host.editor().pickEntity(kPromptCentreline);
  if (pick.status == host::Status::Cancel) {
    Print(host, kMsgCancelled);
    return result;
  }
  if (pick.status != host::Status::Normal) {
    Print(host, kMsgNothingPicked);
    return result;
  }
  Alignment alignment;
  std::string centreLayer;
  {
    host::Document* document = host.documents().curDocument();
    if (!document) return result;
    auto line = document->database().openForRead<cad::Entity>(pick.id);
    auto vertices = CGetData(host, edition).BuildVertexList(line.get());
    if (!vertices || vertices->back().dDist <= 0) {
      result.outcome = StationRunResult::Refused;
      return result;
    }
    alignment.vertices = std::move(*vertices);
    const auto* pline = cad::objectCast<cad::LwPolyline>(line.get());
    alignment.closed = pline && pline->isClosed();
    centreLayer = line->layer();
  }
  // the answers of the last run are the defaults of the next
  static double every = 20, left = 50, right = 50;
  const auto e = AskNumber(host, kPromptInterval, every, false);
  const auto l = e ? AskNumber(host, kPromptLeft, left, true) : std::nullopt;
  const auto r = l ? AskNumber(host, kPromptRight, right, true) : std::nullopt;
  if (!r) {
    Print(host, kMsgCancelled);
    return result;
  }
  every = *e, left = *l, right = *r;
  if (left + right <= 0 || !(doc.XYScale > 0) || !(doc.XScale > 0) || !(doc.YScale > 0)) {
    host.commandLine().print(kMsgPositive);
    result.outcome = StationRunResult::Refused;
    return result;
  }

  StationOptions options;
  options.every = every;
  options.left = left;
  options.right = right;
  options.unitMetres = doc.XYScale / 1000;
  if (const std::size_t count = CountStations(alignment, options); count > kMaxStations) {
    char text[160];
    std::snprintf(text, sizeof text, kMsgTooMany, count, kMaxStations);
    host.commandLine().print(text);
    result.outcome = StationRunResult::Refused;
    return result;
  }
  const std::vector<Station> stations = PlaceStations(alignment, options);
  const std::vector<CrossSection> sections =
      CutStations(host, doc, stations, pick.id, centreLayer, edition);
  result.sections = sections.size();

  SheetOptions sheet;
  const int kind = doc.paperPreview.nFrameType;
  sheet.frame = kind == 6 || kind == 7 ? 6 : 2;
  sheet.unitMetres = options.unitMetres;
  sheet.hScale = doc.XScale;
  sheet.vScale = doc.YScale;
  std::string error;
  const SheetLayout layout = LayOutSheets(sections, sheet, error);
  if (layout.cells.empty()) {
    host.commandLine().print(kMsgTooLarge);
    result.outcome = StationRunResult::Refused;
    return result;
  }
  error.clear();
  result.sheets = layout.sheets.size();
  result.notDrawn = layout.notDrawn.size();

  host::DocumentLock lock(host.documents());
  if (!lock.locked()) return result;
  cad::Database& db = lock.document()->database();
  std::vector<cad::ObjectId> ids = DrawSheets(db, sections, layout, sheet, {0, 0}, error);
  if (!error.empty()) host.commandLine().print("\n命令:" + error + "\n");
  // dragged by the first sheet's lower-left corner, as a profile is by its origin
  if (DragIntoPlace(host, db, ids)) {
    result.outcome = StationRunResult::Placed;
    char text[128];
    std::snprintf(text, sizeof text, "\n命令:共生成横断面%zu个, 图纸%zu张\n", result.sections,
                  result.sheets);
    host.commandLine().print(text);
    if (!layout.notDrawn.empty()) {
      std::string names;
      for (const NotDrawn& n : layout.notDrawn)
        names += (names.empty() ? "" : ", ") + sections[n.section].station.name;
      std::vector<char> message(names.size() + 128);
      std::snprintf(message.data(), message.size(), kMsgSomeTooLarge, layout.notDrawn.size(),
                    names.c_str());
      host.commandLine().print(message.data());
    }
  } else {
    Print(host, kMsgCancelled);
  }
  host.display().updateDisplay();
  lock.unlock();
  host.commandLine().postPrompt();
  return result;
}

}  // namespace ruvo
