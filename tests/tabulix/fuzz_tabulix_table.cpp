// Any data file the reader accepts must give a table and an export under every display
// option without crashing, and the distances from the previous row must add up to the
// shown distance from the start.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ruvo/section/text_format.h"
#include "tabulix/table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t flags = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  ruvo::SectionFileContent content;
  if (!ruvo::ParseSectionData(bytes, content, {false}).ok()) return 0;
  std::vector<tabulix::TabulixPoint> points;
  for (const auto& p : content.points) {
    tabulix::TabulixPoint t;
    static_cast<ruvo::CDataStruct&>(t) = p;
    points.push_back(t);
  }
  tabulix::ComputeAzimuths(points);
  tabulix::TableView view = tabulix::TableView::FromSettings({}, (flags & 1) != 0);
  view.displayMode = (flags >> 1) % 3;
  view.decimals = (flags >> 3) % 7;
  view.renumber = (flags & 0x80) != 0;
  view.columnCount = 9;
  view.titles = {"与起点距离", "与前点距离", "编号", "坐标X", "坐标Y",
                 "高程Z",      "注释",       "方位", "图层"};
  const tabulix::Table table = tabulix::FillTable(points, view);
  // Row 0 shows 0 whatever its own distance; from row 1 on the column adds up. Absurd
  // magnitudes are left out: their differences are beyond a double's precision.
  double sum = 0;
  bool plausible = true;
  for (const auto& p : points) plausible = plausible && std::abs(p.dDist) < 1e9;
  for (const auto& row : table.rows) sum += ruvo::LeadingReal(row[2]);
  if (plausible && table.rows.size() >= 2) {
    const double last = ruvo::LeadingReal(table.rows.back()[1]);
    if (std::abs(sum - last) > 1e-6 * (1 + std::abs(last))) std::abort();
  }
  (void)tabulix::FormatExport(table);
  return 0;
}
