#include "tabulix/table.h"

#include <algorithm>
#include <cmath>

#include "platform/win/atomic_file.h"
#include "platform/win/codepage.h"
#include "ruvo/section/doc_data.h"
#include "ruvo/section/text_format.h"

namespace tabulix {

namespace {

using ruvo::PT_ADDED;
using ruvo::PT_CROSS;
using ruvo::PT_END;
using ruvo::PT_HIDDEN;
using ruvo::PT_KNEE;

std::string fixed(double value, int decimals) {
  return ruvo::FormatFixed(value, decimals >= 0 && decimals <= 6 ? decimals : 3);
}

bool isVertexNote(const std::string& note) {
  return note == "起点" || note == "终点" || note == "拐点";
}

double Azimuth(const TabulixPoint& from, const TabulixPoint& to) {
  const double dx = to.ptPos.x - from.ptPos.x;
  const double dy = to.ptPos.y - from.ptPos.y;
  if (std::fabs(dy) < 1e-5) return dx > 0 ? 90 : 270;
  if (std::fabs(dx) < 1e-5) return dy > 0 ? 0 : 180;
  return (dx > 0 ? 90 : 270) - std::atan(dy / dx) * 180 / 3.1415926;
}

double DistanceFromStart(const TabulixPoint& p, const TableView& view,
                         const std::vector<TabulixPoint>& points) {
  return view.reverse ? points.back().dDist - p.dDist : p.dDist;
}

bool Skipped(const TabulixPoint& p, int mode) {
  if (p.nType == PT_HIDDEN || p.bDelete == 1) return true;
  if (mode == 0 && p.nType == PT_KNEE) return true;
  if (mode == 2 && (p.nType == PT_CROSS || p.nType == PT_ADDED)) return true;
  return false;
}

}  // namespace

ruvo::DataFileResult OpenDataFile(const std::filesystem::path& file, TabulixData& data) {
  ruvo::SectionFileContent content;
  ruvo::SectionReadOptions options;
  options.readVertices = false;
  ruvo::DataFileResult result = ruvo::ReadSectionFile(file, content, options);
  if (!result.ok()) return result;
  TabulixData fresh;
  for (ruvo::CDataStruct& p : content.points) {
    TabulixPoint t;
    static_cast<ruvo::CDataStruct&>(t) = std::move(p);
    if (!t.strLayer.empty() && t.nType != PT_ADDED) fresh.layers.push_back(t.strLayer);
    fresh.points.push_back(std::move(t));
  }
  ruvo::SortUniqueLayers(fresh.layers);
  ComputeAzimuths(fresh.points);
  data = std::move(fresh);
  return result;
}

void ComputeAzimuths(std::vector<TabulixPoint>& points) {
  if (points.empty()) return;
  std::size_t previous = 0;
  for (std::size_t k = 0; k < points.size(); ++k) {
    if (points[k].nType != PT_KNEE || points[k].bDelete != 0 || k == 0) continue;
    if (k == points.size() - 1) break;  // the last point is the end vertex in any case
    points[previous].dAzimuth = Azimuth(points[previous], points[k]);
    points[k].dBackAzimuth = Azimuth(points[k], points[previous]);
    previous = k;
  }
  TabulixPoint& last = points.back();
  points[previous].dAzimuth = Azimuth(points[previous], last);
  last.dBackAzimuth = Azimuth(last, points[previous]);
  last.dAzimuth = last.dBackAzimuth;
  points.front().dBackAzimuth = points.front().dAzimuth;
}

void ApplyLayerFilter(std::vector<TabulixPoint>& points, const std::vector<std::string>& ticked) {
  for (TabulixPoint& p : points) {
    if (p.nType == PT_KNEE || p.nType == PT_END) continue;
    const bool shown = std::find(ticked.begin(), ticked.end(), p.strLayer) != ticked.end();
    p.nType = shown ? PT_CROSS : PT_HIDDEN;
  }
}

TableView TableView::FromSettings(const TabulixSettings& s, bool reverse) {
  TableView v;
  v.columnCount = ClampColumnCount(s.columnCount);
  v.titles = s.titles;
  v.decimals = ClampDecimals(s.decimals);
  v.displayMode = s.displayMode;
  v.renumber = s.renumber != 0;
  v.reverse = reverse;
  return v;
}

std::string CellText(const Table& sofar, int row, const TabulixPoint& p, int column,
                     const TableView& view, const std::vector<TabulixPoint>& points) {
  const std::string& field = view.titles[static_cast<std::size_t>(column - 1)];
  const int d = view.decimals;
  const int d3 = std::min(d, 3);
  if (field == "编号") return std::to_string(view.renumber ? row + 1 : p.nNo + 1);
  if (field == "坐标X") return fixed(p.ptPos.x, d);
  if (field == "坐标Y") return fixed(p.ptPos.y, d);
  if (field == "高程Z") return fixed(p.dHigh, d3);
  if (field == "与起点距离") return fixed(DistanceFromStart(p, view, points), d3);
  if (field == "与前点距离") {
    if (row == 0) return fixed(0.0, d3);
    // Subtracting the shown values above, not the exact ones, makes the column add up to
    // the shown distance from the start. That distance is taken as shown too: a value
    // half-way between two shown ones would otherwise round one way in its own column
    // and the other way here.
    double shownAbove = 0.0;
    for (int r = 1; r < row; ++r) {
      shownAbove += ruvo::LeadingReal(
          sofar.rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(column)]);
    }
    const double shownStart = ruvo::LeadingReal(fixed(DistanceFromStart(p, view, points), d3));
    return fixed(shownStart - shownAbove, d3);
  }
  if (field == "注释") return isVertexNote(p.strNote) ? std::string() : p.strNote;
  if (field == "方位") {
    if (!isVertexNote(p.strNote) || p.bDelete != 0) return {};
    return fixed(view.reverse ? p.dBackAzimuth : p.dAzimuth, 1);
  }
  if (field == "图层") {
    if (p.nType == PT_END) return "(端点)";
    if (p.nType == PT_KNEE) return "(拐点)";
    if (p.nType == PT_ADDED) return "(加点)";
    return p.strLayer;
  }
  return std::to_string(p.nNo + 1);
}

Table FillTable(const std::vector<TabulixPoint>& points, const TableView& view) {
  Table table;
  const int n = ClampColumnCount(view.columnCount);
  table.headers.push_back("序号");
  for (int j = 0; j < n; ++j) table.headers.push_back(view.titles[static_cast<std::size_t>(j)]);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const TabulixPoint& p = points[view.reverse ? points.size() - 1 - i : i];
    if (Skipped(p, view.displayMode)) continue;
    const int r = static_cast<int>(table.rows.size());
    table.rows.emplace_back();
    table.rows.back().push_back(std::to_string(r + 1));
    for (int j = 1; j <= n; ++j) {
      std::string text = CellText(table, r, p, j, view, points);
      table.rows.back().push_back(std::move(text));
    }
  }
  return table;
}

std::string FormatExport(const Table& table) {
  std::string text = std::to_string(table.rows.size()) + "\r\n";
  for (const auto& row : table.rows) {
    for (std::size_t c = 1; c < row.size(); ++c) {
      if (c > 1) text += ',';
      text += row[c];
    }
    text += "\r\n";
  }
  return win::utf8ToGbk(text);
}

ExportStatus ExportTable(const Table& table, const std::filesystem::path& file) {
  if (table.rows.empty() || table.headers.size() < 2) return ExportStatus::NothingToExport;
  return win::writeFileAtomically(file, FormatExport(table)) ? ExportStatus::Written
                                                             : ExportStatus::CannotWrite;
}

}  // namespace tabulix
