#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "platform/geom/evaluate.h"
#include "platform/render/aci.h"
#include "platform/render/drawing_renderer.h"
#include "platform/render/svg_writer.h"
#include "platform/render/tessellate.h"
#include "platform/render/text_codes.h"

namespace {

using namespace render;

TEST(RenderBasics, TextCodesAndColours) {
  EXPECT_EQ(resolveTextCodes("90.0%%d"), "90.0°");
  EXPECT_EQ(resolveTextCodes("%%p0.5 %%c12 100%%% %%uA%%u"), "±0.5 ⌀12 100% A");
  EXPECT_EQ(resolveTextCodes("%%065%%"), "A%%");
  EXPECT_EQ(resolveTextCodes("50%"), "50%");
  EXPECT_EQ(aciColour(1), (Rgb{255, 0, 0}));
  EXPECT_EQ(aciColour(7), (Rgb{0, 0, 0}));  // black on the white page
  EXPECT_EQ(aciColour(10), (Rgb{255, 0, 0}));
  EXPECT_EQ(aciColour(250), (Rgb{51, 51, 51}));
  EXPECT_EQ(aciColour(256), (Rgb{0, 0, 0}));
}

TEST(RenderBasics, TessellationStaysWithinTolerance) {
  const geom::Curve circle = geom::Circle{{5, 5, 0}, 10, 1};
  const auto pts = tessellate(circle, 0.01);
  ASSERT_GT(pts.size(), 20u);
  EXPECT_NEAR(geom::distance(pts.front(), pts.back()), 0, 1e-9);
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
    EXPECT_NEAR(geom::distance(pts[i], {5, 5}), 10, 1e-9);
    EXPECT_LE(10 - geom::distance(geom::midpoint(pts[i], pts[i + 1]), {5, 5}), 0.01);
  }
  // a polyline with one half-circle bulge keeps its straight vertices exactly
  geom::Polyline2d pl;
  pl.vertices = {{{0, 0}, 0}, {{10, 0}, 1}, {{20, 0}, 0}};
  const auto line = tessellate(pl, 0.001);
  EXPECT_EQ(line.front(), (geom::Point2d{0, 0}));
  EXPECT_EQ(line[1], (geom::Point2d{10, 0}));
  EXPECT_EQ(line.back(), (geom::Point2d{20, 0}));
  EXPECT_GT(line.size(), 10u);
}

template <class T>
const T& Item(const Picture& p, std::size_t i) {
  return std::get<T>(p.items.at(i));
}

cad::ObjectId AddBlock(cad::Database& db, const std::string& name, geom::Point3d base) {
  auto rec = std::make_unique<cad::BlockRecord>(name);
  rec->setBasePoint(base);
  return db.addTableRecord(std::move(rec)).value();
}

TEST(DrawingRenderer, NestedBlocksWidthsTextsAndLayers) {
  cad::Database db;
  auto red = std::make_unique<cad::Layer>("RED");
  red->setColour(1);
  db.addTableRecord(std::move(red));
  auto hidden = std::make_unique<cad::Layer>("HIDDEN");
  hidden->setOff(true);
  db.addTableRecord(std::move(hidden));

  // block A: a line from its base point (1, 0) one unit along x, on layer "0"
  const cad::ObjectId a = AddBlock(db, "A", {1, 0, 0});
  db.appendEntity(a, std::make_unique<cad::Line>(geom::Point3d{1, 0, 0}, geom::Point3d{2, 0, 0}));
  // block B: A turned by 90 degrees and doubled
  const cad::ObjectId b = AddBlock(db, "B", {0, 0, 0});
  auto inner = std::make_unique<cad::BlockReference>("A", geom::Point3d{0, 0, 0});
  inner->setRotationDegrees(90);
  inner->setScale({2, 2, 2});
  db.appendEntity(b, std::move(inner));
  auto outer = std::make_unique<cad::BlockReference>("B", geom::Point3d{100, 0, 0});
  outer->setLayer("RED");
  db.appendToModelSpace(std::move(outer));

  auto wide = std::make_unique<cad::LwPolyline>();
  wide->setVertices({{{0, 0}, 0, 1.5, 1.5}, {{0, 10}, 0, 1.5, 1.5}});
  db.appendToModelSpace(std::move(wide));
  auto text = std::make_unique<cad::Text>();
  text->setValue("90.0%%d");
  text->setPosition({0, 0, 0});
  text->setAlignmentPoint(geom::Point3d{50, 20, 0});
  text->setModes(cad::Text::kCentre, cad::Text::kMiddleV);
  text->setWidthFactor(0.8);
  text->setHeight(2.5);
  db.appendToModelSpace(std::move(text));
  auto off = std::make_unique<cad::Line>(geom::Point3d{0, 0, 0}, geom::Point3d{1000, 0, 0});
  off->setLayer("HIDDEN");
  db.appendToModelSpace(std::move(off));

  RenderReport report;
  const Picture all = renderModelSpace(db, {}, &report);
  ASSERT_EQ(all.items.size(), 3u);
  EXPECT_EQ(report.entities, 3u);
  const Path& line = Item<Path>(all, 0);
  ASSERT_EQ(line.points.size(), 2u);
  EXPECT_NEAR(line.points[0].x, 100, 1e-12);
  EXPECT_NEAR(line.points[1].x, 100, 1e-12);
  EXPECT_NEAR(line.points[1].y, 2, 1e-12);
  EXPECT_EQ(line.colour, (Rgb{255, 0, 0}));  // layer "0" inside takes the reference's layer
  EXPECT_EQ(Item<Path>(all, 1).width, 1.5);
  const Label& label = Item<Label>(all, 2);
  EXPECT_EQ(label.text, "90.0°");
  EXPECT_EQ(label.anchor, (geom::Point2d{50, 20}));
  EXPECT_EQ(label.h, HAlign::Centre);
  EXPECT_EQ(label.v, VAlign::Middle);
  EXPECT_EQ(label.widthFactor, 0.8);

  RenderOptions onlyRed;
  onlyRed.layers = {"red"};
  EXPECT_EQ(renderModelSpace(db, onlyRed).items.size(), 1u);
  RenderOptions window;
  window.window = geom::Extents2d::of({-5, -5}, {5, 12});
  EXPECT_EQ(renderModelSpace(db, window).items.size(), 1u);  // the wide polyline only
}

TEST(SvgWriter, FlipsYAnchorsTextsAndEscapes) {
  Picture p;
  p.items.push_back(Path{{{0, 0}, {100, 50}}, false, 0, {0, 0, 255}, {}});
  Label l;
  l.anchor = {50, 50};
  l.text = "剖面图 <A&B>";
  l.height = 4;
  l.h = HAlign::Centre;
  p.items.push_back(l);
  SvgOptions o;
  o.window = geom::Extents2d::of({0, 0}, {100, 50});
  o.size = 220;
  o.margin = 10;
  std::string error;
  const std::string svg = writeSvg(p, o, error).value_or("");
  EXPECT_NE(svg.find("width=\"220\" height=\"120\""), std::string::npos);
  EXPECT_NE(svg.find("points=\"10,110 210,10\""), std::string::npos);  // y grows downwards
  EXPECT_NE(svg.find("stroke=\"#0000ff\""), std::string::npos);
  EXPECT_NE(svg.find("translate(110 10)"), std::string::npos);
  // Centred by the typeface's widths: three wide characters and six narrow ones, 10.4 px
  // per em.
  EXPECT_NE(svg.find("x=\"-31.2\""), std::string::npos);
  EXPECT_EQ(svg.find("text-anchor"), std::string::npos);
  EXPECT_NE(svg.find("剖面图 &lt;A&amp;B&gt;"), std::string::npos);
  EXPECT_NE(svg.find("WenQuanYi Zen Hei"), std::string::npos);
}

// Far-away points are clipped at the guard around the page; what cannot be written at all
// (an unbounded window, a text taller than any page) is refused rather than printed as junk.
TEST(SvgWriter, HugeCoordinatesAreClippedOrRefused) {
  Picture p;
  p.items.push_back(Path{{{0, 0}, {1e100, 0}}, false, 0, {0, 0, 0}, {}});
  p.items.push_back(Path{{{-1e308, 0.5}, {1e308, 0.5}}, false, 0, {0, 0, 0}, {}});
  SvgOptions o;
  o.window = geom::Extents2d::of({0, 0}, {1, 1});
  o.size = 120;
  o.margin = 10;
  std::string error;
  const auto svg = writeSvg(p, o, error);
  ASSERT_TRUE(svg) << error;
  EXPECT_NE(svg->find("points=\"10,110 1000120,110\""), std::string::npos) << *svg;
  EXPECT_NE(svg->find("points=\"-1000000,60 1000120,60\""), std::string::npos) << *svg;
  for (const char c : *svg) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20);

  // Without a window the extents are unbounded.
  Picture wide;
  wide.items.push_back(Path{{{-1e308, 0}, {1e308, 0}}, false, 0, {0, 0, 0}, {}});
  EXPECT_FALSE(writeSvg(wide, SvgOptions{}, error));
  EXPECT_NE(error.find("too large"), std::string::npos);

  Picture tall;
  Label huge;
  huge.text = "A";
  huge.height = 1e100;
  tall.items.push_back(huge);
  error.clear();
  EXPECT_FALSE(writeSvg(tall, o, error));
  EXPECT_FALSE(error.empty());
}

TEST(SvgWriter, TextsStayValidXml) {
  Picture p;
  Label l;
  l.anchor = {0.5, 0.5};
  l.text =
      "a\xEF\xBF\xBE"
      "b\xEF\xBF\xBF"
      "c\x01\xFF";
  p.items.push_back(l);
  SvgOptions o;
  o.window = geom::Extents2d::of({0, 0}, {1, 1});
  std::string error;
  const auto svg = writeSvg(p, o, error);
  ASSERT_TRUE(svg) << error;
  EXPECT_NE(svg->find(">a\xEF\xBF\xBD"
                      "b\xEF\xBF\xBD"
                      "c\xEF\xBF\xBD</text>"),
            std::string::npos);
}

}  // namespace
