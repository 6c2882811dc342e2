// Read, write, read again over every shared drawing, and the writer's handling of changed
// and new objects.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/cad/block_ops.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/dxf/file_image.h"
#include "platform/dxf/out_tags.h"
#include "platform/dxf/tag_reader.h"
#include "support/shared_data.h"
#include "test_files.h"

namespace dxf {
namespace {

namespace fs = std::filesystem;

// Files whose damage the writer repairs (duplicate handles get their own, stray records
// outside sections are kept but a missing ENDSEC is added): not byte-identical.
const std::set<std::string> kRepaired = {"duplicate_handles.dxf", "recover01.dxf"};

std::string recordBytes(const cad::Object& o) {
  const RecordSource* src = recordOf(o.source());
  return src ? std::string(src->bytes()) : std::string();
}

struct Entry {
  int kind;
  std::string bytes;
};

std::map<cad::Handle, Entry> objectsOf(const cad::Database& db) {
  std::map<cad::Handle, Entry> out;
  for (cad::ObjectId id : db.allIds()) {
    const cad::Object* o = db.peek(id);
    out[id.handle()] = {static_cast<int>(o->kind()), recordBytes(*o)};
  }
  return out;
}

TEST(RoundTrip, EverySharedDrawingKeepsEveryObjectAndByte) {
  KESTRA_REQUIRE_SHARED_DATA();
  for (const auto& path : testing::sharedDrawings()) {
    SCOPED_TRACE(testing::shortName(path));
    ReadReport first;
    auto db = readDrawing(path, first);
    ASSERT_TRUE(db) << first.message;
    WriteReport written;
    std::string out = renderDrawing(*db, written);
    const std::string original = testing::readWhole(path);
    if (!kRepaired.count(path.filename().string())) {
      EXPECT_TRUE(out == original) << "not byte-identical";
    }
    ReadReport second;
    auto again = readDrawingBytes(out, second);
    ASSERT_TRUE(again) << second.message;
    EXPECT_EQ(second.version, first.version);
    EXPECT_EQ(second.encoding, first.encoding);
    auto a = objectsOf(*db), b = objectsOf(*again);
    ASSERT_EQ(a.size(), b.size());
    if (kRepaired.count(path.filename().string())) continue;  // renumbered: counts only
    for (const auto& [handle, entry] : a) {
      auto it = b.find(handle);
      ASSERT_TRUE(it != b.end()) << "handle " << handleText(handle) << " lost";
      EXPECT_EQ(it->second.kind, entry.kind) << handleText(handle);
      EXPECT_EQ(it->second.bytes, entry.bytes) << handleText(handle);
    }
  }
}

std::unique_ptr<cad::Database> read(const std::string& relative, ReadReport& report) {
  return readDrawing(fs::path(KESTRA_SHARED_DATA) / relative, report);
}

cad::ObjectId firstOf(const cad::Database& db, cad::ObjectKind kind) {
  cad::ObjectId found;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    if (e.kind() != kind) return true;
    found = e.id();
    return false;
  });
  return found;
}

TEST(Writer, ChangedEntityRewritesOnlyTheChangedTag) {
  KESTRA_REQUIRE_SHARED_DATA();
  ReadReport report;
  auto db = read("topo/topo_small.dxf", report);
  ASSERT_TRUE(db);
  const cad::ObjectId id = firstOf(*db, cad::ObjectKind::LwPolyline);
  const std::string before = recordBytes(*db->peek(id));
  {
    auto poly = db->openForWrite<cad::LwPolyline>(id);
    ASSERT_TRUE(poly);
    poly->setElevation(1234.5);
  }
  WriteReport written;
  std::string out = renderDrawing(*db, written);
  const std::string original =
      testing::readWhole(fs::path(KESTRA_SHARED_DATA) / "topo/topo_small.dxf");
  // Everything outside the record is untouched.
  const std::size_t at = original.find(before);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(out.substr(0, at), original.substr(0, at));
  const std::size_t tail = original.size() - at - before.size();
  EXPECT_EQ(out.substr(out.size() - tail), original.substr(original.size() - tail));
  // Inside it, only the elevation changed (added when the file left it out).
  std::string record = out.substr(at, out.size() - tail - at);
  EXPECT_NE(record.find("\n 38\r\n1234.5\r\n"), std::string::npos) << record.substr(0, 400);
  ReadReport again;
  auto db2 = readDrawingBytes(out, again);
  ASSERT_TRUE(db2);
  auto poly = db2->openForRead<cad::LwPolyline>(id);
  ASSERT_TRUE(poly);
  EXPECT_EQ(poly->elevation(), 1234.5);
  auto old = db->openForRead<cad::LwPolyline>(id);
  ASSERT_EQ(poly->vertexCount(), old->vertexCount());
  EXPECT_TRUE(std::equal(poly->points().begin(), poly->points().end(), old->points().begin()));
  EXPECT_EQ(poly->layer(), old->layer());
}

TEST(Writer, NewEntitiesGetFreshHandlesOwnersAndSeed) {
  KESTRA_REQUIRE_SHARED_DATA();
  ReadReport report;
  auto db = read("dxf/testsuite/ixmilia/t.r2000.dxf", report);
  ASSERT_TRUE(db);
  const cad::Handle seedBefore = db->handleSeed();
  auto added = db->appendToModelSpace(
      std::make_unique<cad::Line>(geom::Point3d{0, 0, 5}, geom::Point3d{10, 0, 5}));
  ASSERT_TRUE(added.ok());
  EXPECT_GE(added.value().handle(), seedBefore);
  WriteReport written;
  std::string out = renderDrawing(*db, written);
  ReadReport again;
  auto db2 = readDrawingBytes(out, again);
  ASSERT_TRUE(db2);
  auto line = db2->openForRead<cad::Line>(added.value());
  ASSERT_TRUE(line);
  EXPECT_EQ(line->owner(), db2->modelSpaceId());
  EXPECT_EQ(line->end(), (geom::Point3d{10, 0, 5}));
  EXPECT_GT(db2->handleSeed(), added.value().handle());
  // The record as written: handle, owner and subclass markers in place.
  std::vector<std::pair<int, std::string>> tags;
  const std::string record = recordBytes(*line);
  TagReader reader(record);
  Tag t;
  while (reader.next(t)) tags.emplace_back(t.code, std::string(t.value));
  using P = std::pair<int, std::string>;
  const std::vector<P> head = {{0, "LINE"},
                               {5, handleText(added.value().handle())},
                               {330, handleText(db2->modelSpaceId().handle())},
                               {100, "AcDbEntity"},
                               {8, "0"},
                               {100, "AcDbLine"}};
  ASSERT_GE(tags.size(), head.size());
  EXPECT_TRUE(std::equal(head.begin(), head.end(), tags.begin()));
}

// Strict readers refuse a drawing without every table, the blocks of both spaces or the
// root dictionary; a drawing made from nothing must carry them all.
TEST(Writer, DrawingFromNothingHasWhatStrictReadersRequire) {
  cad::Database db;
  WriteReport written;
  const std::string out = renderDrawing(db, written);
  TagReader reader(out);
  Tag t;
  std::vector<std::pair<int, std::string>> tags;
  while (reader.next(t)) tags.emplace_back(t.code, std::string(t.value));
  ASSERT_FALSE(reader.failed()) << reader.error();
  std::set<std::string> tables, records, blocks;
  std::string section, firstObject, version;
  std::set<std::string> rootEntries;
  for (std::size_t i = 0; i + 1 < tags.size(); ++i) {
    const auto& [code, value] = tags[i];
    const auto& next = tags[i + 1];
    if (code == 0 && value == "SECTION") section = next.second;
    if (code == 9 && value == "$ACADVER") version = next.second;
    if (code == 0 && value == "TABLE") tables.insert(next.second);
    if (code == 0 && value == "BLOCK_RECORD") {
      for (std::size_t k = i + 1; k < tags.size() && tags[k].first != 0; ++k) {
        if (tags[k].first == 2) records.insert(tags[k].second);
      }
    }
    if (section == "BLOCKS" && code == 0 && value == "BLOCK") {
      for (std::size_t k = i + 1; k < tags.size() && tags[k].first != 0; ++k) {
        if (tags[k].first == 2) blocks.insert(tags[k].second);
      }
    }
    if (section == "OBJECTS" && code == 0 && firstObject.empty() && value != "SECTION") {
      firstObject = value;
      for (std::size_t k = i + 1; k < tags.size() && tags[k].first != 0; ++k) {
        if (tags[k].first == 3) rootEntries.insert(tags[k].second);
      }
    }
  }
  EXPECT_EQ(version, "AC1015");
  EXPECT_EQ(tables, (std::set<std::string>{"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS",
                                           "APPID", "DIMSTYLE", "BLOCK_RECORD"}));
  for (const char* name : {"*Model_Space", "*Paper_Space"}) {
    EXPECT_TRUE(records.count(name)) << name;
    EXPECT_TRUE(blocks.count(name)) << name;
  }
  EXPECT_EQ(firstObject, "DICTIONARY");
  EXPECT_TRUE(rootEntries.count("ACAD_GROUP"));
  EXPECT_TRUE(rootEntries.count("ACAD_LAYOUT"));
  EXPECT_TRUE(written.notes.empty());
}

TEST(Writer, R12DrawingStaysR12WithNearestForms) {
  KESTRA_REQUIRE_SHARED_DATA();
  ReadReport report;
  auto db = read("dxf/testsuite/ixmilia/t.r12.dxf", report);
  ASSERT_TRUE(db);
  auto poly = std::make_unique<cad::LwPolyline>();
  poly->setVertices({{{0, 0}, 0.5, 0, 0}, {{10, 0}, 0, 0, 0}, {{10, 10}, 0, 0, 0}});
  poly->setElevation(7.0);
  ASSERT_TRUE(db->appendToModelSpace(std::move(poly)).ok());
  auto spline = std::make_unique<cad::Spline>();
  ASSERT_EQ(spline->setNurbs(3, {0, 0, 0, 0, 1, 1, 1, 1},
                             {{0, 0, 3}, {1, 2, 3}, {3, 2, 3}, {4, 0, 3}}, {}),
            cad::Status::Ok);
  ASSERT_TRUE(db->appendToModelSpace(std::move(spline)).ok());
  WriteReport written;
  std::string out = renderDrawing(*db, written);
  ASSERT_EQ(written.notes.size(), 2u);
  EXPECT_NE(written.notes[0].find("LWPOLYLINE written as POLYLINE"), std::string::npos);
  EXPECT_NE(written.notes[1].find("SPLINE written as POLYLINE"), std::string::npos);
  EXPECT_EQ(out.find("LWPOLYLINE"), std::string::npos);
  EXPECT_EQ(out.find("AcDb"), std::string::npos);
  ReadReport again;
  auto db2 = readDrawingBytes(out, again);
  ASSERT_TRUE(db2);
  EXPECT_EQ(again.version, "AC1009");
  std::vector<const cad::Polyline2d*> polys;
  db2->forEachEntity(db2->modelSpaceId(), [&](const cad::Entity& e) {
    if (auto* p = cad::objectCast<const cad::Polyline2d>(&e)) polys.push_back(p);
    return true;
  });
  ASSERT_EQ(polys.size(), 2u);
  EXPECT_EQ(polys[0]->vertices().size(), 3u);
  EXPECT_EQ(polys[0]->vertices()[0].bulge, 0.5);
  EXPECT_EQ(polys[0]->elevation(), 7.0);
  EXPECT_EQ(polys[1]->elevation(), 3.0);  // a flat spline stays a 2-D polyline at its Z
  EXPECT_GT(polys[1]->vertices().size(), 4u);
}

// Entities that come from another drawing (a frame block inserted into an R12 drawing)
// are new to the R12 file as much as ones made in memory: their R12 forms, no codes R12
// lacks, and the layers and nested blocks they use written with them.
TEST(Writer, R12DrawingTakesBlocksFromNewerDrawingsInR12Forms) {
  KESTRA_REQUIRE_SHARED_DATA();
  ReadReport report;
  auto db = read("dxf/testsuite/ixmilia/t.r12.dxf", report);
  ASSERT_TRUE(db);
  ReadReport sideReport;
  auto side = read("topo/topo_small.dxf", sideReport);
  ASSERT_TRUE(side);
  ASSERT_TRUE(cad::insertBlock(*db, "FRAME", *side).ok());
  WriteReport written;
  const std::string out = renderDrawing(*db, written);
  TagReader reader(out);
  Tag t;
  std::set<std::string> types;
  int newerCodes = 0;
  while (reader.next(t)) {
    if (t.code == 0) types.insert(std::string(t.value));
    newerCodes += t.code == 100 || t.code == 102 || (t.code >= 300 && t.code < 999);
  }
  EXPECT_EQ(newerCodes, 0);
  for (const char* absent : {"LWPOLYLINE", "SPLINE", "ELLIPSE", "MTEXT", "HATCH"}) {
    EXPECT_FALSE(types.count(absent)) << absent;
  }
  std::string notes;
  for (const auto& n : written.notes) notes += n + "\n";
  EXPECT_NE(notes.find("110 LWPOLYLINE written as POLYLINE"), std::string::npos) << notes;
  EXPECT_NE(notes.find("1 MTEXT written as TEXT"), std::string::npos) << notes;
  EXPECT_NE(notes.find("1 HATCH left out"), std::string::npos) << notes;
  ReadReport again;
  auto db2 = readDrawingBytes(out, again);
  ASSERT_TRUE(db2) << again.message;
  EXPECT_EQ(again.version, "AC1009");
  EXPECT_TRUE(db2->layers().has("\xE9\xA6\x96\xE6\x9B\xB2\xE7\xBA\xBF"));  // 首曲线
  EXPECT_FALSE(db2->blocks().getIdAt("GC200").isNull());
  std::size_t inFrame = 0;
  db2->forEachEntity(db2->blocks().getIdAt("FRAME"),
                     [&](const cad::Entity&) { return ++inFrame, true; });
  EXPECT_EQ(inFrame, 449u);
}

// Ellipse parameters from a damaged drawing (turns apart, or the end far below the start)
// give one turn of points in the R12 form, not a hang or an allocation without bound.
TEST(Writer, R12FormOfAnEllipseIsAtMostOneTurn) {
  KESTRA_REQUIRE_SHARED_DATA();
  ReadReport report;
  auto db = read("dxf/testsuite/ixmilia/t.r12.dxf", report);
  ASSERT_TRUE(db);
  for (auto [start, end] : {std::pair{0.0, 1e12}, std::pair{1e20, 0.0}}) {
    auto ellipse = std::make_unique<cad::Ellipse>();
    ellipse->setMajorAxis({4, 0, 0});
    ellipse->setRatio(0.5);
    ellipse->setParams(start, end);
    ASSERT_TRUE(db->appendToModelSpace(std::move(ellipse)).ok());
  }
  WriteReport written;
  const std::string out = renderDrawing(*db, written);
  ReadReport again;
  auto db2 = readDrawingBytes(out, again);
  ASSERT_TRUE(db2);
  int polylines = 0;
  db2->forEachEntity(db2->modelSpaceId(), [&](const cad::Entity& e) {
    if (const auto* p = cad::objectCast<const cad::Polyline2d>(&e)) {
      ++polylines;
      EXPECT_LE(p->vertices().size(), 73u);
    }
    return true;
  });
  EXPECT_EQ(polylines, 2);
}

TEST(Writer, TextKeepsTheFilesCodePage) {
  KESTRA_REQUIRE_SHARED_DATA();
  ReadReport report;
  auto db = read("topo/topo_small.dxf", report);
  ASSERT_TRUE(db);
  EXPECT_EQ(report.encoding, "GB18030");
  EXPECT_TRUE(db->layers().has("\xE9\xA6\x96\xE6\x9B\xB2\xE7\xBA\xBF"));  // 首曲线
  auto text = std::make_unique<cad::Text>();
  text->setValue("\xE9\xAB\x98\xE7\xA8\x8B \xE2\x82\xAC\xF0\x9F\x98\x80");  // 高程 €😀
  auto added = db->appendToModelSpace(std::move(text));
  ASSERT_TRUE(added.ok());
  WriteReport written;
  std::string out = renderDrawing(*db, written);
  // Code page 936 bytes in the file, not UTF-8.
  EXPECT_NE(out.find("\n\xB8\xDF\xB3\xCC "), std::string::npos);
  EXPECT_EQ(out.find("\xE9\xAB\x98\xE7\xA8\x8B"), std::string::npos);
  ReadReport again;
  auto db2 = readDrawingBytes(out, again);
  auto back = db2->openForRead<cad::Text>(added.value());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->value(), "\xE9\xAB\x98\xE7\xA8\x8B \xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(Reader, BadInputEndsWithStatusAndLine) {
  struct Case {
    std::string bytes;
    std::string message;
  } cases[] = {
      {"", "line 1: empty file"},
      {"  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\n", "line 7: group code without a value"},
      {"  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n1x0\n0.0\n", "line 7: invalid group code"},
      {"hello\nworld\n", "line 1: invalid group code"},
      {"  0\rSECTION\r  2\rENTITIES\r  0\rENDSEC\r  0\rEOF\r",
       "line 1: the lines end in CR alone; save the file with CR LF or LF line ends"},
  };
  for (const auto& c : cases) {
    ReadReport report;
    EXPECT_FALSE(readDrawingBytes(c.bytes, report));
    EXPECT_EQ(report.message, c.message);
    EXPECT_EQ(report.status, cad::Status::InvalidInput);
  }
  ReadReport missing;
  EXPECT_FALSE(readDrawing("/nonexistent/drawing.dxf", missing));
  EXPECT_EQ(missing.status, cad::Status::FileError);
  // Counts in the file are not trusted: a polyline that claims a billion vertices has
  // the two it holds.
  ReadReport report;
  auto db = readDrawingBytes(
      "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n90\n1000000000\n10\n1\n20\n2\n10\n3\n20\n4\n"
      "0\nENDSEC\n0\nEOF\n",
      report);
  ASSERT_TRUE(db);
  auto poly = db->openForRead<cad::LwPolyline>(firstOf(*db, cad::ObjectKind::LwPolyline));
  ASSERT_TRUE(poly);
  EXPECT_EQ(poly->vertexCount(), 2u);
}

TEST(Reader, EntityWithAnUnreadableNumberIsKeptButNotUsed) {
  // A coordinate that is not a number would otherwise read as 0 and put a contour through
  // the origin; the entity stays in the drawing as written, out of all geometry.
  const std::string bytes =
      "0\nSECTION\n2\nENTITIES\n"
      "0\nLINE\n5\n1A\n8\nDGX\n10\n1#QNAN\n20\n2\n11\n3\n21\n4\n"
      "0\nPOLYLINE\n5\n1B\n8\nDGX\n66\n1\n10\n0\n20\n0\n30\n0\n"
      "0\nVERTEX\n5\n1C\n8\nDGX\n10\n1\n20\n1\n30\n0\n"
      "0\nVERTEX\n5\n1D\n8\nDGX\n10\nabc\n20\n1\n30\n0\n"
      "0\nSEQEND\n5\n1E\n8\nDGX\n"
      "0\nLINE\n5\n1F\n8\nDGX\n10\n5\n20\n6\n11\n7\n21\n8\n"
      "0\nENDSEC\n0\nEOF\n";
  ReadReport report;
  auto db = readDrawingBytes(bytes, report);
  ASSERT_TRUE(db);
  ASSERT_EQ(report.problems.size(), 2u);
  EXPECT_EQ(report.problems[0],
            "line 11: LINE group 10 is not a number (\"1#QNAN\"): the LINE is kept as written but "
            "not drawn, selected or cut");
  EXPECT_EQ(report.problems[1],
            "line 51: VERTEX group 10 is not a number (\"abc\"): the POLYLINE is kept as written "
            "but not drawn, selected or cut");
  std::map<cad::Handle, cad::ObjectKind> kinds;
  for (cad::ObjectId id : db->allIds()) {
    if (const cad::Object* o = db->peek(id)) kinds[id.handle()] = o->kind();
  }
  EXPECT_EQ(kinds[0x1A], cad::ObjectKind::OpaqueEntity);
  EXPECT_EQ(kinds[0x1B], cad::ObjectKind::OpaqueEntity);
  EXPECT_EQ(kinds[0x1F], cad::ObjectKind::Line);
  WriteReport written;
  EXPECT_EQ(renderDrawing(*db, written), bytes);
}

}  // namespace
}  // namespace dxf
