#include "cli/section_output.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/program.h"
#include "platform/win/display_width.h"
#include "platform/win/utf8.h"
#include "ruvo/section/records.h"
#include "ruvo/section/text_format.h"

namespace cli {
namespace {

// "%.3f" without trailing zeros and point, as the list shows elevations.
std::string ListNumber(double value) {
  std::string text = ruvo::FormatFixed(value, 3);
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  return text;
}

void Cell(std::ostream& out, std::string_view text, std::size_t width) {
  out << text;
  for (std::size_t w = win::displayWidth(text); w < width; ++w) out << ' ';
  out << ' ';
}

std::string Hex(std::uint64_t handle) {
  char text[24];
  std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(handle));
  return text;
}

}  // namespace

std::vector<std::string> MessageLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(' ') != std::string_view::npos) lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

void WritePointTable(std::ostream& out, const ruvo::CDocData& doc) {
  const std::size_t widths[] = {5, 10, 3, 12, 3, 14};
  const char* titles[] = {"No", "高程", "删", "注释", "标", "图层"};
  for (std::size_t i = 0; i < 6; ++i) Cell(out, titles[i], widths[i]);
  out << "距离\n";
  for (const ruvo::CDataStruct& p : doc.pointList) {
    if (!ruvo::IsPointListed(p, doc.KneePnt)) continue;
    Cell(out, std::to_string(p.nNo + 1), widths[0]);
    Cell(out, ListNumber(p.dHigh) + (p.bRevised ? "*" : ""), widths[1]);
    Cell(out, p.bDelete ? "×" : "", widths[2]);
    Cell(out, p.strNote, widths[3]);
    Cell(out, p.bMark ? "√" : "", widths[4]);
    Cell(out, p.strLayer, widths[5]);
    out << ruvo::FormatFixed(p.dDist, 3) << '\n';
  }
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : "null";
}

std::string JsonString(std::string_view text) { return win::jsonString(text); }

void WriteSectionJson(std::ostream& out, const SectionReport& report, const ruvo::CDocData& doc) {
  using Json = nlohmann::ordered_json;
  auto number = [](double v) { return std::isfinite(v) ? Json(v) : Json(nullptr); };
  Json j;
  j["drawing"] = report.drawing ? Json(*report.drawing) : Json(nullptr);
  j["line"] = report.line ? Json{{"handle", report.line->handle}, {"type", report.line->type}}
                          : Json(nullptr);
  j["messages"] = report.messages;
  j["warnings"] = report.warnings;
  Json vertices = Json::array();
  for (const ruvo::CPntList& v : doc.vertexList) {
    vertices.push_back({{"nIndex", v.nIndex},
                        {"x", number(v.ptPos.x)},
                        {"y", number(v.ptPos.y)},
                        {"z", number(v.ptPos.z)},
                        {"dDist", number(v.dDist)},
                        {"dBulge", number(v.dBulge)}});
  }
  j["vertices"] = std::move(vertices);
  Json points = Json::array();
  for (const ruvo::CDataStruct& p : doc.pointList) {
    points.push_back({{"nNo", p.nNo},
                      {"x", number(p.ptPos.x)},
                      {"y", number(p.ptPos.y)},
                      {"z", number(p.ptPos.z)},
                      {"dHigh", number(p.dHigh)},
                      {"dDist", number(p.dDist)},
                      {"bDelete", p.bDelete},
                      {"strNote", p.strNote},
                      {"bMark", p.bMark},
                      {"nType", p.nType},
                      {"strLayer", p.strLayer},
                      {"bRevised", p.bRevised},
                      {"idObject", p.idObject ? Json(Hex(p.idObject)) : Json(nullptr)}});
  }
  j["points"] = std::move(points);
  j["layers"] = doc.layerList;
  // Text that is not valid UTF-8 (a drawing's broken string) is replaced, not a failure.
  out << j.dump(1, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace cli
