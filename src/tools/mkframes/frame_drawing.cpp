#include "tools/mkframes/frame_drawing.h"

#include <string>
#include <vector>

#include "ruvo/drawing/entity_ops.h"
#include "ruvo/drawing/frame_sheet.h"
#include "ruvo/section/paper_choice.h"

namespace frames {

namespace {

struct BlockWriter {
  cad::Database& db;
  cad::ObjectId block;

  void Lines(std::vector<geom::Point2d> pts, double width = 0) {
    std::vector<cad::LwVertex> v;
    for (const auto& p : pts) v.push_back({p, 0, width, width});
    auto pl = std::make_unique<cad::LwPolyline>();
    pl->setVertices(v);
    Append(std::move(pl));
  }
  void Label(geom::Point2d at, const std::string& text, double height) {
    auto t = std::make_unique<cad::Text>();
    t->setStyle("RUVOZT");
    t->setValue(text);
    t->setHeight(height);
    t->setWidthFactor(0.8);
    t->setPosition({at.x, at.y, 0});
    t->setModes(cad::Text::kMiddle, cad::Text::kBaseline);
    t->setAlignmentPoint(geom::Point3d{at.x, at.y, 0});
    Append(std::move(t));
  }
  void Append(std::unique_ptr<cad::Entity> e) {
    e->setLayer("0");  // takes the layer of the reference
    e->setColour(cad::kColourByBlock);
    db.appendEntity(block, std::move(e));
  }
};

void Rect(BlockWriter& w, double x0, double y0, double x1, double y1, double width = 0) {
  w.Lines({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}, width);
}

// Four rows of 8 mm: 工程名称 and 图名 over the whole width, then 比例 | 日期 and 设计 | 审核.
void TitleBlock(BlockWriter& w, const geom::Extents2d& box) {
  const double x0 = box.min.x, right = box.max.x, bottom = box.min.y;
  const double row = box.height() / 4, label = 20, half = box.width() / 2;
  Rect(w, x0, bottom, right, box.max.y, 0.5);
  for (int i = 1; i < 4; ++i) w.Lines({{x0, bottom + i * row}, {right, bottom + i * row}});
  w.Lines({{x0 + label, bottom}, {x0 + label, box.max.y}});
  w.Lines({{x0 + half, bottom}, {x0 + half, bottom + 2 * row}});
  w.Lines({{x0 + half + label, bottom}, {x0 + half + label, bottom + 2 * row}});
  const auto cell = [&](double x, int r, const char* text) {
    w.Label({x + label / 2, bottom + (r + 0.5) * row}, text, 3.5);
  };
  cell(x0, 3, "工程名称");
  cell(x0, 2, "图名");
  cell(x0, 1, "比例");
  cell(x0 + half, 1, "日期");
  cell(x0, 0, "设计");
  cell(x0 + half, 0, "审核");
}

}  // namespace

std::unique_ptr<cad::Database> BuildFrameDrawing() {
  auto db = std::make_unique<cad::Database>();
  ruvo::EnsureTextStyle(*db);
  for (int kind = 0; kind < 10; ++kind) {
    const ruvo::CPreviewPaper::FrameKind& k = ruvo::CPreviewPaper::Kind(kind);
    auto rec = std::make_unique<cad::BlockRecord>(k.blockName);
    rec->setBasePoint({0, 0, 0});
    const auto added = db->addTableRecord(std::move(rec));
    if (!added.ok()) continue;
    BlockWriter w{*db, added.value()};
    const ruvo::FrameSheet sheet = ruvo::FrameSheetOf(kind);
    const auto rect = [&](const geom::Extents2d& e, double width) {
      Rect(w, e.min.x, e.min.y, e.max.x, e.max.y, width);
    };
    rect(sheet.sheet, 0);
    rect(sheet.inner, 0.7);
    TitleBlock(w, sheet.title);
  }
  return db;
}

}  // namespace frames
