#include "cli/survey_checks.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/cad/polylines.h"
#include "ruvo/section/records.h"
#include "ruvo/section/text_format.h"

namespace cli {
namespace {

// Elevations are compared to the millimetre: contour elevations are typed values.
long long Millimetres(double value) { return std::llround(value * 1000.0); }

std::string Number(double value) {
  std::string text = ruvo::FormatFixed(value, 3);
  while (text.find('.') != std::string::npos && (text.back() == '0' || text.back() == '.')) {
    const bool point = text.back() == '.';
    text.pop_back();
    if (point) break;
  }
  return text;
}

}  // namespace

std::optional<double> ContourInterval(const cad::Database& db) {
  std::vector<long long> levels;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    if (auto* pline = cad::objectCast<cad::LwPolyline>(&e)) {
      if (pline->elevation() > 0 && std::isfinite(pline->elevation())) {
        levels.push_back(Millimetres(pline->elevation()));
      }
    }
    return true;
  });
  std::sort(levels.begin(), levels.end());
  levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
  std::map<long long, int> steps;
  for (std::size_t i = 1; i < levels.size(); ++i) ++steps[levels[i] - levels[i - 1]];
  if (steps.empty()) return std::nullopt;
  const auto most = std::max_element(steps.begin(), steps.end(),
                                     [](auto& a, auto& b) { return a.second < b.second; });
  return static_cast<double>(most->first) / 1000.0;
}

std::vector<std::string> SurveyWarnings(const ruvo::CDocData& doc, std::optional<double> interval) {
  std::vector<std::string> warnings;
  std::vector<const ruvo::CDataStruct*> crossings;
  for (const ruvo::CDataStruct& p : doc.pointList) {
    if (p.nType == ruvo::PT_CROSS && !p.bDelete) crossings.push_back(&p);
  }
  const bool anyElevation =
      std::any_of(crossings.begin(), crossings.end(), [](auto* p) { return p->dHigh != 0.0; });
  if (!crossings.empty() && !anyElevation) {
    warnings.push_back("no crossing carries an elevation: the profile would be all zeros");
  }
  if (crossings.empty() && !doc.pointList.empty()) {
    warnings.push_back(
        "the section crosses nothing (off the drawing, or every crossing filtered out): the "
        "profile would be flat at 0");
  }
  if (!doc.vertexList.empty() && doc.vertexList.back().dDist < 1.0) {
    warnings.push_back("the section is " + Number(doc.vertexList.back().dDist) +
                       " drawing units long, shorter than one unit (a drawing in degrees?)");
  }
  if (interval && *interval > 0) {
    std::string jumps;
    int count = 0;
    const ruvo::CDataStruct* previous = nullptr;
    for (const ruvo::CDataStruct* p : crossings) {
      // A repaired or missing elevation between two crossings breaks the pair: the jump
      // across it is what the repair is for.
      if (p->bRevised || !(p->dHigh > 0)) {
        previous = nullptr;
        continue;
      }
      if (previous != nullptr &&
          Millimetres(std::fabs(p->dHigh - previous->dHigh)) > Millimetres(*interval)) {
        if (++count <= 5) {
          jumps += (jumps.empty() ? "" : ", ") + std::string("No ") +
                   std::to_string(previous->nNo + 1) + "-" + std::to_string(p->nNo + 1) + " (" +
                   Number(previous->dHigh) + " to " + Number(p->dHigh) + ")";
        }
      }
      previous = p;
    }
    if (count > 0) {
      warnings.push_back("elevations step by more than the drawing's contour interval " +
                         Number(*interval) + " between " + std::to_string(count) +
                         " pairs of neighbouring crossings: " + jumps + (count > 5 ? ", ..." : ""));
    }
  }
  return warnings;
}

}  // namespace cli
