#include "ruvo/stations/sheets.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <set>

#include "platform/cad/block_ops.h"
#include "platform/cad/block_reference.h"
#include "platform/cad/simple_entities.h"
#include "platform/cad/text.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/win/module_path.h"
#include "ruvo/drawing/entity_ops.h"
#include "ruvo/drawing/frame_sheet.h"
#include "ruvo/drawing/profile_shapes.h"
#include "ruvo/section/paper_choice.h"

namespace ruvo {

namespace {

// The parts of a section's drawing, in millimetres of paper.
constexpr double kCaption = 16;  // the rows' caption column
constexpr double kRow = 10;      // height of each of the two rows
constexpr double kGap = 4;       // between rows and graph, and right of the graph
constexpr double kInset = 3;     // between the caption column and the graph
constexpr double kTitle = 9;     // band above the graph
constexpr double kPadding = 5;   // between the inner border and the cells
constexpr double kText = 1.8;    // row texts
constexpr double kTitleText = 3.5;
constexpr double kMarkAbove = 2;  // the centre mark above the graph (below the title)
constexpr double kMinCellWidth = 60, kHeightStep = 20;

struct Range {
  double datum = 0, top = 1;
};

// Which of a section's points carry an elevation for the sheet. An unassigned curve (a
// road or a house at 0) leaves points at or below zero that the repair could not mend; the
// repair takes such an elevation as none, and so does the sheet, unless the section has no
// positive elevation at all. The data files and the CSV keep them as they are.
class Elevations {
 public:
  explicit Elevations(const std::vector<CDataStruct>& points) {
    for (const CDataStruct& p : points)
      if (std::isfinite(p.dHigh) && p.dHigh > 0) anyPositive_ = true;
  }
  bool has(const CDataStruct& p) const {
    return std::isfinite(p.dHigh) && (p.dHigh > 0 || !anyPositive_);
  }

 private:
  bool anyPositive_ = false;
};

Range ElevationRange(const std::vector<CDataStruct>& points) {
  const Elevations elevations(points);
  double lo = INFINITY, hi = -INFINITY;
  for (const CDataStruct& p : points) {
    if (!elevations.has(p)) continue;
    lo = std::min(lo, p.dHigh), hi = std::max(hi, p.dHigh);
  }
  if (!(lo <= hi)) return {};
  return {std::floor(lo) - 1, std::ceil(hi) + 1};
}

// The drawing area of a sheet (paper coordinates): inside the inner border, above the title
// block, clear of the border by the padding.
geom::Extents2d DrawingArea(const FrameSheet& f) {
  return geom::Extents2d::of({f.inner.min.x + kPadding, f.title.max.y + kPadding},
                             {f.inner.max.x - kPadding, f.inner.max.y - kPadding});
}

// The smallest of the sizes `whole / n` (n whole, not below `least`) that holds `need`.
double CellSide(double whole, double least, double need) {
  const int most = std::max(1, static_cast<int>(whole / least));
  for (int n = most; n >= 1; --n)
    if (whole / n >= need - 1e-9) return whole / n;
  return whole;
}

std::filesystem::path FrameFile(const SheetOptions& o) {
  if (!o.frameFile.empty()) return o.frameFile;
  static const int anchor = 0;
  const std::filesystem::path folder = win::moduleFolder(&anchor).value_or(".");
  std::error_code ec;
  if (std::filesystem::exists(folder / "TK.dwg", ec)) return folder / "TK.dwg";
  return folder / "TK.dxf";
}

class SectionPainter {
 public:
  SectionPainter(cad::Database& db, std::vector<cad::ObjectId>& ids) : db_(db), ids_(ids) {}

  void Draw(const CrossSection& s, const SheetOptions& o, geom::Point2d origin) {
    const std::vector<CDataStruct> points = ListedPoints(s);
    const Range r = ElevationRange(points);
    const Elevations elevations(points);
    const double hs = 1000 / o.hScale, vs = 1000 / o.vScale;
    const double left = s.centre.dDist * o.unitMetres;
    const double right = s.data.vertexList.empty()
                             ? left
                             : (s.data.vertexList.back().dDist - s.centre.dDist) * o.unitMetres;
    const double gw = (left + right) * hs, gh = (r.top - r.datum) * vs;
    const double yg = 2 * kRow + kGap;
    auto X = [&](double offset) { return origin.x + kCaption + kInset + (offset + left) * hs; };
    auto Y = [&](double z) { return origin.y + yg + (z - r.datum) * vs; };
    auto P = [&](double x, double y) { return geom::Point2d{origin.x + x, origin.y + y}; };

    // rows: frame, caption column, captions
    const double rowsRight = kCaption + 2 * kInset + gw;
    Line({P(0, 0), P(rowsRight, 0), P(rowsRight, 2 * kRow), P(0, 2 * kRow), P(0, 0)});
    Line({P(0, kRow), P(rowsRight, kRow)});
    Line({P(kCaption, 0), P(kCaption, 2 * kRow)});
    Text(P(kCaption / 2, kRow * 1.5), "偏距(m)", 2.2, kMid, 0, 0);
    Text(P(kCaption / 2, kRow * 0.5), "高程(m)", 2.2, kMid, 0, 0);
    // datum line and its elevation
    Line({{X(-left), Y(r.datum)}, {X(right), Y(r.datum)}});
    Text({X(-left) - 1, Y(r.datum)}, "H=" + Fixed(r.datum, 1), kText, kRight, kMiddle, 0);
    // ground line
    std::vector<geom::Point2d> ground;
    for (const CDataStruct& p : points)
      if (elevations.has(p)) ground.push_back({X(OffsetOf(s, p, o.unitMetres)), Y(p.dHigh)});
    if (ground.size() >= 2) {
      const cad::ObjectId id = AddPolyline(db_, ground, 0.3, kLineLayer);
      if (!id.isNull()) ids_.push_back(id);
    }
    // offsets and elevations in the rows, upright; a text too close to the one before, to
    // the centre's or to the section's end is left out (the centre and the ends are the
    // texts a reader looks for)
    double lastX = -INFINITY;
    const double spacing = kText * 1.3;
    const double endX = points.empty() ? INFINITY : X(OffsetOf(s, points.back(), o.unitMetres));
    for (std::size_t i = 0; i < points.size(); ++i) {
      const CDataStruct& p = points[i];
      const double offset = OffsetOf(s, p, o.unitMetres);
      const double x = X(offset);
      const bool centre = p.dDist == s.centre.dDist && p.strNote == kNoteCentre;
      const bool end = i + 1 == points.size();
      const bool crowded =
          x - lastX < spacing || std::fabs(x - X(0)) < spacing || (!end && endX - x < spacing);
      if (!centre && crowded) continue;
      lastX = x;
      Line({{x, origin.y + 2 * kRow}, {x, origin.y + 2 * kRow + 1.5}});
      Text({x, origin.y + kRow + 1}, Fixed(offset, 2), kText, kLeft, kMiddle, 90);
      if (elevations.has(p)) Text({x, origin.y + 1}, Fixed(p.dHigh, 2), kText, kLeft, kMiddle, 90);
    }
    // the centre line, through the graph and a little above it, in red
    const cad::ObjectId mark = Line({{X(0), origin.y + 2 * kRow}, {X(0), Y(r.top) + kMarkAbove}});
    if (auto e = db_.openForWrite<cad::Entity>(mark)) e->setColour(1);
    // title: the chainage, at the top of its band, clear of the centre mark's end
    Text(P(kCaption + kInset + gw / 2, yg + gh + kTitle - kTitleText / 2), s.station.name,
         kTitleText, kMid, 0, 0);
  }

 private:
  cad::ObjectId Line(std::vector<geom::Point2d> pts) {
    const cad::ObjectId id = AddPolyline(db_, pts, 0, kFrameLayer);
    if (!id.isNull()) ids_.push_back(id);
    return id;
  }
  void Text(geom::Point2d at, std::string text, double height, int h, int v, double degrees) {
    const cad::ObjectId id = AddText(db_, at, std::move(text), height, h, v, kFrameLayer);
    if (id.isNull()) return;
    ids_.push_back(id);
    if (degrees != 0)
      if (auto t = db_.openForWrite<cad::Text>(id)) t->setRotationDegrees(degrees);
  }

  cad::Database& db_;
  std::vector<cad::ObjectId>& ids_;
};

}  // namespace

geom::Vector2d SectionSize(const CrossSection& s, const SheetOptions& o) {
  const Range r = ElevationRange(ListedPoints(s));
  const double length = s.data.vertexList.empty() ? 0 : s.data.vertexList.back().dDist;
  const double gw = length * o.unitMetres * 1000 / o.hScale;
  const double gh = (r.top - r.datum) * 1000 / o.vScale;
  return {kCaption + 2 * kInset + gw + kGap, 2 * kRow + kGap + gh + kTitle};
}

SheetLayout LayOutSheets(const std::vector<CrossSection>& sections, const SheetOptions& o,
                         std::string& error) {
  SheetLayout layout;
  const FrameSheet frame = FrameSheetOf(o.frame);
  const geom::Extents2d area = DrawingArea(frame);
  const double aw = area.max.x - area.min.x, ah = area.max.y - area.min.y;
  const double paperW = frame.sheet.max.x;
  std::size_t sheet = 0;
  double columnX = area.min.x, columnW = 0, cursorY = area.max.y;  // paper coordinates
  bool open = false;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const geom::Vector2d need = SectionSize(sections[i], o);
    if (!(need.x <= aw + 1e-9 && need.y <= ah + 1e-9)) {
      layout.notDrawn.push_back({i, "needs " + Fixed(need.x, 0) + " x " + Fixed(need.y, 0) +
                                        " mm, more than the sheet's " + Fixed(aw, 0) + " x " +
                                        Fixed(ah, 0) + " mm"});
      continue;
    }
    const double w = CellSide(aw, kMinCellWidth, need.x);
    // heights in whole steps of the ladder, so that short sections share a column
    const double h = std::min(ah, std::ceil(need.y / kHeightStep - 1e-9) * kHeightStep);
    if (open && (w > columnW + 1e-9 || cursorY - h < area.min.y - 1e-9)) {
      // a new column to the right of this one, or a new sheet
      columnX += columnW;
      cursorY = area.max.y;
      columnW = 0;
      if (columnX + w > area.max.x + 1e-9) {
        ++sheet;
        columnX = area.min.x;
      }
    }
    if (!open || sheet >= layout.sheets.size()) {
      const double x0 = static_cast<double>(sheet) * (paperW + kSheetGap);
      layout.sheets.push_back(geom::Extents2d::of({x0, 0}, {x0 + paperW, frame.sheet.max.y}));
      open = true;
    }
    if (columnW == 0) columnW = w;
    const double x0 = layout.sheets[sheet].min.x + columnX;
    SheetCell cell;
    cell.section = i;
    cell.sheet = sheet;
    cell.box = geom::Extents2d::of({x0, cursorY - h}, {x0 + w, cursorY});
    const geom::Point2d c = cell.box.centre();
    cell.content = geom::Extents2d::of({c.x - need.x / 2, c.y - need.y / 2},
                                       {c.x + need.x / 2, c.y + need.y / 2});
    layout.cells.push_back(cell);
    cursorY -= h;
  }
  if (layout.cells.empty() && !sections.empty()) {
    error = "no cross-section fits the sheet: " +
            sections[layout.notDrawn.front().section].station.name + " " +
            layout.notDrawn.front().reason;
  }
  return layout;
}

std::vector<cad::ObjectId> DrawSheets(cad::Database& db, const std::vector<CrossSection>& sections,
                                      const SheetLayout& layout, const SheetOptions& o,
                                      geom::Vector2d offset, std::string& error) {
  std::vector<cad::ObjectId> ids;
  EnsureLayer(db, kFrameLayer);
  EnsureLayer(db, kLineLayer);
  // the frame block, copied once from the frame drawing
  CPreviewPaper paper;
  paper.SetFrameType(o.frame);
  const std::string name = paper.GetFrameBlockName();
  bool haveBlock = !db.blocks().getIdAt(name).isNull();
  if (!haveBlock) {
    dxf::ReadReport report;
    const std::filesystem::path file = FrameFile(o);
    const auto frames = dxf::readDrawing(file, report);
    const cad::ObjectId block = frames ? frames->blocks().getIdAt(name) : cad::ObjectId();
    if (!block.isNull()) {
      auto written = cad::wblock(*frames, block);
      haveBlock =
          written.ok() && written.value() && cad::insertBlock(db, name, *written.value()).ok();
    }
    if (!haveBlock) error = file.string() + ": no frame block " + name;
  }
  for (const geom::Extents2d& sheet : layout.sheets) {
    if (!haveBlock) break;
    const geom::Point3d at{sheet.min.x + offset.x, sheet.min.y + offset.y, 0};
    const cad::ObjectId id =
        AppendToModelSpace(db, std::make_unique<cad::BlockReference>(name, at), kFrameLayer);
    if (!id.isNull()) ids.push_back(id);
  }
  SectionPainter painter(db, ids);
  for (const SheetCell& cell : layout.cells)
    painter.Draw(sections[cell.section], o, cell.content.min + offset);
  return ids;
}

bool WriteSheetsDrawing(const std::vector<CrossSection>& sections, const SheetLayout& layout,
                        const SheetOptions& o, const std::filesystem::path& file,
                        std::string& error) {
  cad::Database db;
  std::string frameError;
  DrawSheets(db, sections, layout, o, {0, 0}, frameError);
  if (!frameError.empty()) {
    error = frameError;
    return false;
  }
  dxf::WriteReport report;
  if (dxf::writeDrawing(db, file, report) != cad::Status::Ok) {
    error = file.string() + ": " + report.message;
    return false;
  }
  return true;
}

std::vector<cad::ObjectId> AddSectionLines(cad::Database& db,
                                           const std::vector<CrossSection>& sections) {
  std::vector<cad::ObjectId> ids;
  EnsureLayer(db, kSectionLineLayer);
  // the lines an earlier run drew, not drawn twice
  std::set<std::array<double, 4>> drawn;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    const auto* line = cad::objectCast<cad::Line>(&e);
    if (line != nullptr && e.layer() == kSectionLineLayer)
      drawn.insert({line->start().x, line->start().y, line->end().x, line->end().y});
    return true;
  });
  for (const CrossSection& s : sections) {
    if (!drawn.insert({s.station.left.x, s.station.left.y, s.station.right.x, s.station.right.y})
             .second)
      continue;
    const cad::ObjectId id = AppendToModelSpace(
        db, std::make_unique<cad::Line>(s.station.left, s.station.right), kSectionLineLayer);
    if (!id.isNull()) ids.push_back(id);
  }
  return ids;
}

}  // namespace ruvo
