// The record tables themselves: what the encoder writes is what the table declares, and
// every field read back from what it wrote gives the same object.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/cad/database.h"
#include "platform/dxf/record_codec.h"
#include "platform/dxf/record_merge.h"
#include "platform/dxf/record_tables.h"

namespace dxf {
namespace {

// A generated tag as text, flags included, so that lists compare whole.
std::string show(const OutTags& tags) {
  std::string s;
  for (const OutTag& t : tags.tags) {
    s += std::to_string(t.code) + (t.optional ? "?" : "") + (t.implied ? "~" : "") + "=";
    switch (t.kind) {
      case OutTag::Kind::Real:
        s += formatReal(t.real);
        break;
      case OutTag::Kind::Integer:
      case OutTag::Kind::Handle:
        s += std::to_string(t.integer);
        break;
      case OutTag::Kind::Text:
        s += t.text;
        break;
    }
    s += ' ';
  }
  return s;
}

TextEncoding utf8() {
  TextEncoding e;
  e.utf8 = true;
  return e;
}

// The record a fresh writer makes of `tags`, read back as tags.
struct Written {
  std::string bytes;
  std::vector<Tag> tags;
};
Written written(std::string_view type, const OutTags& gen) {
  Written w;
  TagWriter out(w.bytes, OutputForm{});
  writeNewRecord(type, gen, utf8(), out);
  TagReader reader(w.bytes);
  Tag t;
  while (reader.next(t)) w.tags.push_back(t);
  return w;
}

// Every code in `gen` is one the type's table declares: modelled, in a run, or a tag of
// its own it writes but leaves to the file (a constant, a code the object does not own).
template <class T, class S>
void expectDeclared(const table::Table<T, S>& table, const OutTags& gen) {
  std::set<int> declared;
  for (const auto& f : table.fields) f.forEachCode([&](int code) { declared.insert(code); });
  const RecordLayout* layout = layoutFor(table.type);
  ASSERT_TRUE(layout) << table.type;
  for (const OutTag& t : gen.tags) {
    if (t.code == 100) continue;
    EXPECT_TRUE(declared.count(t.code)) << table.type << " writes " << t.code;
  }
  for (const auto& f : table.fields) {
    if (f.kept) continue;
    f.forEachCode([&](int code) {
      EXPECT_TRUE(layout->models(code) || layout->inRun(code)) << table.type << " " << code;
    });
  }
}

cad::Extrusion tilted() { return {{0.0, 0.6, 0.8}, 2.5}; }

template <class E>
void common(E& e) {
  e.setLayer("Contours");
  e.setLinetype("DASHED");
  e.setColour(3);
  e.setLinetypeScale(0.5);
}

std::vector<std::unique_ptr<cad::Entity>> everyEntityType() {
  std::vector<std::unique_ptr<cad::Entity>> all;
  auto line = std::make_unique<cad::Line>(geom::Point3d{1, 2, 3}, geom::Point3d{4, 5, 6});
  line->setExtrusion(tilted());
  all.push_back(std::move(line));
  auto point = std::make_unique<cad::PointEntity>(geom::Point3d{7, 8, 9});
  point->setExtrusion(tilted());
  point->setXAxisAngleDegrees(30);
  all.push_back(std::move(point));
  auto circle = std::make_unique<cad::Circle>();
  circle->setOcsCentre({1, 1, 1});
  circle->setRadius(4);
  circle->setExtrusion(tilted());
  all.push_back(std::move(circle));
  auto arc = std::make_unique<cad::Arc>();
  arc->setOcsCentre({2, 2, 2});
  arc->setRadius(3);
  arc->setAnglesDegrees(10, 200);
  arc->setExtrusion(tilted());
  all.push_back(std::move(arc));
  auto ellipse = std::make_unique<cad::Ellipse>();
  ellipse->setCentre({1, 2, 3});
  ellipse->setMajorAxis({0, 5, 0});
  ellipse->setRatio(0.25);
  ellipse->setParams(0.5, 2.5);
  ellipse->setNormal({0.6, 0, 0.8});
  all.push_back(std::move(ellipse));
  auto text = std::make_unique<cad::Text>();
  text->setValue("高程 512.5");
  text->setStyle("HZ");
  text->setPosition({10, 20, 30});
  text->setAlignmentPoint(geom::Point3d{11, 21, 31});
  text->setHeight(3.5);
  text->setRotationDegrees(45);
  text->setWidthFactor(0.8);
  text->setObliqueDegrees(15);
  text->setGenerationFlags(2);
  text->setModes(1, 3);
  text->setExtrusion(tilted());
  all.push_back(std::move(text));
  auto ref = std::make_unique<cad::BlockReference>("GCD", geom::Point3d{5, 6, 7});
  ref->setScale({2, 3, 4});
  ref->setRotationDegrees(90);
  ref->setExtrusion({{0.0, 0.6, 0.8}, 0.0});  // a block reference has no thickness
  all.push_back(std::move(ref));
  auto lw = std::make_unique<cad::LwPolyline>();
  lw->assign({{0, 0}, {10, 0}, {10, 10}}, {0.5, 0.0, -1.0}, {{1, 2}, {0, 0}, {3, 4}});
  lw->setFlags(1);
  lw->setConstantWidth(0.25);
  lw->setElevation(12.5);
  lw->setExtrusion(tilted());
  all.push_back(std::move(lw));
  auto spline = std::make_unique<cad::Spline>();
  spline->setFlags(8);
  spline->setTolerances(1e-9, 1e-8, 1e-7);
  spline->setFitPoints({{0, 0, 1}, {5, 5, 1}, {10, 0, 1}});
  spline->setTangents(geom::Vector3d{1, 0, 0}, geom::Vector3d{0, -1, 0});
  spline->setNormal({0, 0.6, 0.8});
  EXPECT_EQ(
      spline->setNurbs(2, {0, 0, 0, 1, 1, 1}, {{0, 0, 1}, {5, 10, 1}, {10, 0, 1}}, {1, 0.5, 1}),
      cad::Status::Ok);
  all.push_back(std::move(spline));
  auto p2 = std::make_unique<cad::Polyline2d>();
  p2->setFlags(1);
  p2->setCurveType(6);
  p2->setElevation(7.5);
  p2->setDefaultWidths({0.5, 1.5});
  p2->setExtrusion(tilted());
  all.push_back(std::move(p2));
  auto p3 = std::make_unique<cad::Polyline3d>();
  p3->setFlags(cad::OldPolyline::k3d | 1);
  p3->setCurveType(5);
  all.push_back(std::move(p3));
  for (auto& e : all) common(*e);
  return all;
}

// Fresh records of every entity type, in both forms, read back: the same object.
TEST(RecordTable, EveryEntityTypeReadsBackWhatItWrote) {
  const TextEncoding encoding = utf8();
  for (const auto& e : everyEntityType()) {
    for (const bool r12 : {false, true}) {
      EncodeContext ctx{r12, true, 0x1F};
      OutTags gen;
      std::string type;
      encodeEntity(*e, ctx, type, gen);
      SCOPED_TRACE(type + (r12 ? " R12" : ""));
      // No field of these objects is at its default, so the fresh record holds them all.
      for (const OutTag& t : gen.tags) {
        if (t.code != 48 && t.code != 39) continue;
        EXPECT_FALSE(t.optional) << t.code;
      }
      const Written w = written(type, gen);
      Decoder decoder(encoding);
      RecordHead head;
      auto back = decoder.entity(w.tags, head);
      ASSERT_TRUE(back);
      ASSERT_EQ(back->kind(), e->kind());
      OutTags again;
      std::string typeAgain;
      encodeEntity(*back, ctx, typeAgain, again);
      EXPECT_EQ(show(again), show(gen));
      EXPECT_EQ(back->layer(), "Contours");
    }
  }
}

TEST(RecordTable, EveryCodeWrittenIsDeclared) {
  EncodeContext ctx{false, true, 0x1F};
  for (const auto& e : everyEntityType()) {
    OutTags gen;
    std::string type;
    encodeEntity(*e, ctx, type, gen);
    const RecordLayout* layout = layoutFor(type);
    ASSERT_TRUE(layout) << type;
    for (const OutTag& t : gen.tags) {
      if (t.code == 100) continue;
      EXPECT_TRUE(layout->models(t.code) || layout->inRun(t.code) ||
                  (type == "POLYLINE" && (t.code == 10 || t.code == 20)))
          << type << " writes " << t.code << " it does not declare";
    }
  }
  cad::PolylineVertex v;
  for (const bool is3d : {false, true}) {
    OutTags gen;
    encodeVertex(v, is3d, ctx, 0x2A, gen);
    expectDeclared(table::vertexTable(), gen);
  }
  table::BlockBegin begin{"B", {1, 2, 3}, 2, "about"};
  OutTags gen;
  table::encodeFields(table::blockTable().span(), begin, ctx, gen);
  expectDeclared(table::blockTable(), gen);
}

TEST(RecordTable, VerticesAndBlocksReadBackWhatTheyWrote) {
  const TextEncoding encoding = utf8();
  cad::PolylineVertex v;
  v.position = {1, 2, 3};
  v.startWidth = 0.5;
  v.endWidth = 0.75;
  v.bulge = -0.4;
  v.tangentDegrees = 12;
  v.flags = 1;
  for (const bool is3d : {false, true}) {
    OutTags gen;
    encodeVertex(v, is3d, EncodeContext{}, 0x2A, gen);
    const Written w = written("VERTEX", gen);
    Decoder decoder(encoding);
    cad::PolylineVertex back;
    RecordHead head;
    decoder.vertex(w.tags, back, head);
    EXPECT_EQ(head.handle, 0x2Au);
    EXPECT_EQ(back.position, v.position);
    EXPECT_EQ(back.flags, is3d ? (v.flags | 32) : v.flags);
    EXPECT_EQ(back.bulge, is3d ? 0.0 : v.bulge);  // a 3-D vertex has no bulge
    EXPECT_EQ(back.endWidth, is3d ? 0.0 : v.endWidth);
    EXPECT_EQ(back.tangentDegrees, is3d ? 0.0 : v.tangentDegrees);
  }
  cad::BlockRecord block("GCD");
  block.setBasePoint({1, 2, 3});
  block.setFlags(2);
  OutTags gen;
  encodeBlockBegin(block, EncodeContext{}, 0x30, gen);
  const Written w = written("BLOCK", gen);
  Decoder decoder(encoding);
  std::string name, description;
  geom::Point3d base;
  int flags = 0;
  decoder.block(w.tags, name, base, flags, description);
  EXPECT_EQ(name, "GCD");
  EXPECT_EQ(base, (geom::Point3d{1, 2, 3}));
  EXPECT_EQ(flags, 2);
}

TEST(RecordTable, TableEntriesReadBackWhatTheyWrote) {
  std::vector<std::unique_ptr<cad::TableRecord>> all;
  auto layer = std::make_unique<cad::Layer>("DGX");
  layer->setFlags(4);
  layer->setColour(5);
  layer->setOff(true);
  layer->setLinetype("DASHED");
  layer->setPlottable(false);
  all.push_back(std::move(layer));
  auto style = std::make_unique<cad::TextStyle>("HZ");
  style->setFlags(64);
  style->setFixedHeight(2);
  style->setWidthFactor(0.7);
  style->setObliqueDegrees(10);
  style->setGenerationFlags(4);
  style->setLastHeight(3);
  style->setFontFile("hztxt.shx");
  style->setBigFontFile("gbcbig.shx");
  all.push_back(std::move(style));
  auto linetype = std::make_unique<cad::Linetype>("DASHED");
  linetype->setDescription("__ __");
  linetype->setPattern({5, -2.5, 0, -2.5});
  all.push_back(std::move(linetype));
  all.push_back(std::make_unique<cad::BlockRecord>("GCD"));
  const TextEncoding encoding = utf8();
  for (const auto& r : all) {
    for (const bool r12 : {false, true}) {
      OutTags gen;
      std::string type;
      encodeTableRecord(*r, EncodeContext{r12, true, 3}, type, gen);
      SCOPED_TRACE(type);
      ASSERT_FALSE(type.empty());
      for (const auto& codec : table::entryCodecs()) {
        if (codec.type != type) continue;
        std::vector<int> modelled, runs;
        codec.layout(modelled, runs);
        for (const OutTag& t : gen.tags) {
          const bool declared = t.code == 100 || t.code == 370 ||
                                std::count(modelled.begin(), modelled.end(), t.code) ||
                                std::count(runs.begin(), runs.end(), t.code);
          EXPECT_TRUE(declared) << t.code;
        }
      }
      const Written w = written(type, gen);
      Decoder decoder(encoding);
      RecordHead head;
      auto back = decoder.tableRecord(w.tags, head);
      ASSERT_TRUE(back);
      EXPECT_EQ(back->name(), r->name());
      OutTags again;
      std::string typeAgain;
      encodeTableRecord(*back, EncodeContext{r12, true, 3}, typeAgain, again);
      EXPECT_EQ(show(again), show(gen));
    }
  }
}

// A record that holds nothing but its type reads as the object a program makes, so the
// tables' defaults are the objects' own.
TEST(RecordTable, EmptyRecordsReadAsFreshObjects) {
  const TextEncoding encoding = utf8();
  const EncodeContext ctx{false, false, 0};
  std::vector<std::unique_ptr<cad::Entity>> fresh;
  fresh.push_back(std::make_unique<cad::Line>());
  fresh.push_back(std::make_unique<cad::PointEntity>());
  fresh.push_back(std::make_unique<cad::Circle>());
  fresh.push_back(std::make_unique<cad::Arc>());
  fresh.push_back(std::make_unique<cad::Ellipse>());
  fresh.push_back(std::make_unique<cad::BlockReference>());
  fresh.push_back(std::make_unique<cad::LwPolyline>());
  // Not a spline: a program's spline is planar (flag 8), a file's only when it says so.
  // Not a text: a file's text without a style reads "STANDARD", a program's is "Standard".
  fresh.push_back(std::make_unique<cad::Polyline2d>());
  for (const auto& e : fresh) {
    OutTags gen;
    std::string type;
    encodeEntity(*e, ctx, type, gen);
    SCOPED_TRACE(type);
    const std::vector<Tag> empty = {Tag{0, type}};
    Decoder decoder(encoding);
    RecordHead head;
    auto back = decoder.entity(empty, head);
    ASSERT_TRUE(back);
    OutTags again;
    encodeEntity(*back, ctx, type, again);
    EXPECT_EQ(show(again), show(gen));
  }
  std::vector<std::unique_ptr<cad::TableRecord>> entries;
  entries.push_back(std::make_unique<cad::Layer>("L"));
  entries.push_back(std::make_unique<cad::TextStyle>("S"));
  entries.push_back(std::make_unique<cad::Linetype>("T"));
  for (const auto& r : entries) {
    OutTags gen;
    std::string type;
    encodeTableRecord(*r, ctx, type, gen);
    SCOPED_TRACE(type);
    const std::vector<Tag> named = {Tag{0, type}, Tag{2, r->name()}};
    Decoder decoder(encoding);
    RecordHead head;
    auto back = decoder.tableRecord(named, head);
    ASSERT_TRUE(back);
    OutTags again;
    encodeTableRecord(*back, ctx, type, again);
    EXPECT_EQ(show(again), show(gen));
  }
}

}  // namespace
}  // namespace dxf
