// The reader on made drawings: splines given by fit points, handles that occur twice, and
// records too long to hold as tags.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/cad/polylines.h"
#include "platform/cad/spline.h"
#include "platform/cad/text.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/dxf/out_tags.h"
#include "platform/dxf/tag_reader.h"
#include "platform/dxf/tag_writer.h"

namespace dxf {
namespace {

namespace fs = std::filesystem;

std::string drawing(const std::string& entities, const std::string& seed = "100") {
  return "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$HANDSEED\n5\n" + seed +
         "\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

std::string spline(const std::string& handle, const std::string& data) {
  return "0\nSPLINE\n5\n" + handle + "\n100\nAcDbEntity\n8\nDGX\n100\nAcDbSpline\n70\n8\n71\n3\n" +
         data;
}

std::map<cad::Handle, const cad::Object*> byHandle(const cad::Database& db) {
  std::map<cad::Handle, const cad::Object*> out;
  for (cad::ObjectId id : db.allIds()) out[id.handle()] = db.peek(id);
  return out;
}

TEST(Reader, SplinesWithoutACurveAreNamedKeptAndLeftOut) {
  const std::string bytes = drawing(
      spline("20", "74\n3\n11\n0\n21\n0\n31\n5\n11\n1\n21\n1\n31\n5\n11\n2\n21\n0\n31\n5\n") +
      spline("21", "74\n1\n11\n3\n21\n4\n31\n5\n") +
      spline("22", "74\n2\n11\n3\n21\n4\n31\n5\n11\n3\n21\n4\n31\n5\n") +
      spline("23", "74\n2\n11\n1e308\n21\n0\n31\n0\n11\n-1e308\n21\n0\n31\n0\n") +
      spline("24",
             "72\n3\n73\n2\n40\n0\n40\n0\n40\n1\n10\n0\n20\n0\n30\n0\n10\n1\n20\n0\n30\n0\n") +
      spline("25", ""));
  ReadReport report;
  auto db = readDrawingBytes(bytes, report);
  ASSERT_TRUE(db) << report.message;
  const std::vector<std::string> expected = {
      "line 53: SPLINE 21 left out of every section: it has fewer than two distinct fit points, "
      "no curve goes through them",
      "line 75: SPLINE 22 left out of every section: it has fewer than two distinct fit points, "
      "no curve goes through them",
      "line 103: SPLINE 23 left out of every section: its fit points lie too far out for a curve "
      "to be built through them",
      "line 131: SPLINE 24 left out of every section: its degree, knots and control points do "
      "not form a curve",
      "line 167: SPLINE 25 left out of every section: it has neither control points nor fit "
      "points"};
  EXPECT_EQ(report.problems, expected);
  const auto objects = byHandle(*db);
  const auto* good = cad::objectCast<cad::Spline>(objects.at(0x20));
  ASSERT_NE(good, nullptr);
  EXPECT_EQ(good->fitPoints().size(), 3u);
  EXPECT_TRUE(good->controlPoints().empty());  // kept as stored
  EXPECT_TRUE(std::holds_alternative<geom::Nurbs>(good->curve()));
  for (cad::Handle h : {0x21, 0x22, 0x23, 0x24, 0x25}) {
    EXPECT_EQ(objects.at(h)->kind(), cad::ObjectKind::OpaqueEntity) << h;
  }
  WriteReport written;
  EXPECT_EQ(renderDrawing(*db, written), bytes);
}

TEST(Reader, DuplicateHandlesGetFreshOnesAndReferencesKeepTheFirst) {
  // $HANDSEED is stale (below 30): the fresh handle must still be one no record carries.
  const std::string bytes = drawing(
      "0\nLINE\n5\n2A\n330\n1F\n100\nAcDbEntity\n8\nFIRST\n10\n0\n20\n0\n11\n1\n21\n0\n"
      "0\nLWPOLYLINE\n5\n2A\n330\n1F\n100\nAcDbEntity\n8\nSECOND\n90\n2\n10\n0\n20\n5\n10\n1\n20\n5"
      "\n"
      "0\nLINE\n5\n2B\n100\nAcDbEntity\n8\nTHIRD\n10\n0\n20\n9\n11\n1\n21\n9\n"
      "0\nLINE\n5\n30\n100\nAcDbEntity\n8\nFOURTH\n10\n0\n20\n9\n11\n1\n21\n9\n",
      "2B");
  ReadReport report;
  auto db = readDrawingBytes(bytes, report);
  ASSERT_TRUE(db) << report.message;
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0],
            "line 37: LWPOLYLINE with the duplicate handle 2A given the new handle 34");
  const auto objects = byHandle(*db);
  EXPECT_EQ(cad::objectCast<cad::Entity>(objects.at(0x2A))->layer(), "FIRST");
  EXPECT_EQ(cad::objectCast<cad::Entity>(objects.at(0x34))->layer(), "SECOND");
  EXPECT_EQ(cad::objectCast<cad::Entity>(objects.at(0x30))->layer(), "FOURTH");
  EXPECT_EQ(objects.at(0x34)->kind(), cad::ObjectKind::LwPolyline);

  // Written and read again, every handle is unique and the note is gone.
  WriteReport written;
  const std::string out = renderDrawing(*db, written);
  ReadReport again;
  auto db2 = readDrawingBytes(out, again);
  ASSERT_TRUE(db2);
  EXPECT_TRUE(again.problems.empty()) << again.problems.front();
  EXPECT_EQ(cad::objectCast<cad::Entity>(byHandle(*db2).at(0x34))->layer(), "SECOND");
  // Only the duplicate's handle changed; its owner reference still names the first owner.
  const std::size_t at = out.find("LWPOLYLINE\n  5\n34\n330\n1F\n");
  EXPECT_NE(at, std::string::npos) << out;
}

// Sub-records (vertices, the end of a sequence) share the one space of handles with objects.
TEST(Reader, SubRecordHandlesCountAsTakenToo) {
  const std::string bytes = drawing(
      "0\nPOLYLINE\n5\n40\n8\nP\n66\n1\n10\n0\n20\n0\n30\n0\n"
      "0\nVERTEX\n5\n2A\n8\nP\n10\n0\n20\n0\n30\n0\n"
      "0\nVERTEX\n5\n2A\n8\nP\n10\n1\n20\n0\n30\n0\n"
      "0\nSEQEND\n5\n41\n8\nP\n"
      "0\nLINE\n5\n41\n8\nL\n10\n0\n20\n0\n11\n1\n21\n0\n",
      "50");
  ReadReport report;
  auto db = readDrawingBytes(bytes, report);
  ASSERT_TRUE(db) << report.message;
  ASSERT_EQ(report.problems.size(), 2u) << report.problems.front();
  EXPECT_NE(report.problems[0].find("VERTEX with the duplicate handle 2A given the new handle"),
            std::string::npos)
      << report.problems[0];
  EXPECT_NE(report.problems[1].find("LINE with the duplicate handle 41 given the new handle"),
            std::string::npos)
      << report.problems[1];
  WriteReport written;
  ReadReport again;
  ASSERT_TRUE(readDrawingBytes(renderDrawing(*db, written), again));
  EXPECT_TRUE(again.problems.empty()) << again.problems.front();
}

// A handle that is no handle (not hex, or too long) is reported with the one given instead,
// and the written file carries that one; 0 is how some writers say "none" and stays quiet.
TEST(Reader, AHandleThatIsNoHandleIsReportedAndReplaced) {
  const std::string bytes = drawing(
      "0\nLINE\n5\nZZZZ\n8\nL\n10\n0\n20\n0\n11\n1\n21\n0\n"
      "0\nLINE\n5\nFFFFFFFFFFFFFFFFFFFF\n8\nL\n10\n0\n20\n0\n11\n1\n21\n0\n"
      "0\nLINE\n5\n0\n8\nL\n10\n0\n20\n0\n11\n1\n21\n0\n",
      "50");
  ReadReport report;
  auto db = readDrawingBytes(bytes, report);
  ASSERT_TRUE(db) << report.message;
  ASSERT_EQ(report.problems.size(), 2u);
  EXPECT_NE(report.problems[0].find("LINE with the handle \"ZZZZ\", which is no handle, given "
                                    "the new handle"),
            std::string::npos)
      << report.problems[0];
  WriteReport written;
  const std::string out = renderDrawing(*db, written);
  EXPECT_EQ(out.find("ZZZZ"), std::string::npos);
  EXPECT_EQ(out.find("FFFFFFFFFFFFFFFFFFFF"), std::string::npos);
  ReadReport again;
  ASSERT_TRUE(readDrawingBytes(out, again));
  EXPECT_TRUE(again.problems.empty()) << again.problems.front();
}

// A drawing on disk for the command-line tool.
fs::path writeTemp(const std::string& name, const std::string& bytes) {
  const fs::path path = fs::temp_directory_path() / ("kestra_reader_" + name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

TEST(Reader, CadtoolInfoReportsTheFreshHandle) {
  const fs::path path =
      writeTemp("dup.dxf", drawing("0\nLINE\n5\n2A\n8\nA\n10\n0\n20\n0\n11\n1\n21\n0\n"
                                   "0\nCIRCLE\n5\n2A\n8\nB\n10\n0\n20\n0\n40\n1\n"));
  const std::string command = std::string(KESTRA_CADTOOL) + " info '" + path.string() + "' 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << output;
  }
  EXPECT_NE(output.find("CIRCLE with the duplicate handle 2A given the new handle 103"),
            std::string::npos)
      << output;
  fs::remove(path);
}

// Records past the number of tags the reader holds are read again from the file when they
// are decoded: the result is the same as for a short record, in ASCII and binary files.
TEST(Reader, LongRecordsDecodeAsShortOnes) {
  constexpr int kVertices = 40000;  // 80000 tags: more than the reader holds
  std::string vertices;
  for (int i = 0; i < kVertices; ++i) {
    vertices += "10\n" + std::to_string(i) + ".5\n20\n" + std::to_string(i % 7) + "\n";
    if (i == 34321) vertices += "42\n0.25\n";
  }
  // Long texts are decoded in pieces: one of ASCII only whose escapes straddle the places a
  // piece would end, one in the code page (CP1252 here) with blanks to cut after.
  std::string ascii, asciiText;
  for (int i = 0; i < 9000; ++i) {
    ascii += std::string(300, 'x') + "\\U+4E2D" + std::string(693, 'y');
    asciiText += std::string(300, 'x') + "\u4e2d" + std::string(693, 'y');
  }
  std::string coded, codedText;
  for (int i = 0; i < 2000; ++i) {
    coded += std::string(4998, 'a') + "\xe9 ";
    codedText += std::string(4998, 'a') + "\u00e9 ";
  }
  auto text = [](const char* handle, const std::string& value) {
    return std::string("0\nTEXT\n5\n") + handle + "\n8\nT\n10\n1\n20\n2\n30\n0\n40\n2.5\n1\n" +
           value + "\n";
  };
  const std::string bytes = drawing(
      "0\nLWPOLYLINE\n5\n20\n100\nAcDbEntity\n8\nC\n100\nAcDbPolyline\n90\n40000\n70\n0\n38\n12."
      "5\n" +
      vertices + "1001\nAPP\n1000\nafter the vertices\n" + text("21", ascii) + text("22", coded));
  ReadReport report;
  auto db = readDrawingBytes(bytes, report);
  ASSERT_TRUE(db) << report.message;
  EXPECT_TRUE(report.problems.empty());
  const auto objects = byHandle(*db);
  const auto* poly = cad::objectCast<cad::LwPolyline>(objects.at(0x20));
  ASSERT_NE(poly, nullptr);
  ASSERT_EQ(poly->vertexCount(), static_cast<std::size_t>(kVertices));
  EXPECT_EQ(poly->elevation(), 12.5);
  EXPECT_EQ(poly->pointAt(39999).x, 39999.5);
  EXPECT_EQ(poly->pointAt(39999).y, 39999 % 7);
  EXPECT_EQ(poly->bulgeAt(34321), 0.25);
  EXPECT_EQ(poly->bulgeAt(34322), 0.0);
  EXPECT_EQ(poly->layer(), "C");
  const auto* label = cad::objectCast<cad::Text>(objects.at(0x21));
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->value() == asciiText);
  const auto* codedLabel = cad::objectCast<cad::Text>(objects.at(0x22));
  ASSERT_NE(codedLabel, nullptr);
  EXPECT_TRUE(codedLabel->value() == codedText);
  WriteReport written;
  EXPECT_EQ(renderDrawing(*db, written), bytes);

  // A number that does not read far into a long record is still found, at its line.
  std::string bad = bytes;
  const std::size_t badAt = bad.find("\n35000.5\n");
  bad.replace(badAt, 9, "\n350x0.5\n");
  const std::string badLine =
      "line " + std::to_string(1 + std::count(bad.begin(), bad.begin() + badAt, '\n')) + ": ";
  ReadReport badReport;
  auto badDb = readDrawingBytes(bad, badReport);
  ASSERT_TRUE(badDb);
  ASSERT_EQ(badReport.problems.size(), 1u);
  EXPECT_EQ(
      badReport.problems[0],
      badLine +
          "LWPOLYLINE group 10 is not a number (\"350x0.5\"): the LWPOLYLINE is kept as written "
          "but not drawn, selected or cut");
  EXPECT_EQ(byHandle(*badDb).at(0x20)->kind(), cad::ObjectKind::OpaqueEntity);
}

TEST(Reader, LongBinaryRecordsDecodeAsShortOnes) {
  // The same polyline written as a binary file by the writer, then read back.
  cad::Database db;
  auto poly = std::make_unique<cad::LwPolyline>();
  std::vector<geom::Point2d> points;
  for (int i = 0; i < 40000; ++i) points.push_back({i * 0.5, (i % 11) * 1.0});
  poly->assign(points, {}, {});
  poly->setElevation(7.0);
  ASSERT_TRUE(db.appendToModelSpace(std::move(poly)).ok());
  WriteReport written;
  const std::string ascii = renderDrawing(db, written);
  ReadReport first;
  auto read = readDrawingBytes(ascii, first);
  ASSERT_TRUE(read);
  // Binary: the tags of the ASCII image re-encoded in binary form.
  std::string binary(kBinarySentinel);
  TagReader tags(ascii);
  Tag t;
  OutputForm form{true, true, "\r\n"};
  TagWriter w(binary, form);
  while (tags.next(t)) w.textual(t.code, t.value);
  ReadReport report;
  auto db2 = readDrawingBytes(binary, report);
  ASSERT_TRUE(db2) << report.message;
  EXPECT_TRUE(report.binary);
  const cad::LwPolyline* found = nullptr;
  db2->forEachEntity(db2->modelSpaceId(), [&](const cad::Entity& e) {
    found = cad::objectCast<cad::LwPolyline>(&e);
    return found == nullptr;
  });
  ASSERT_NE(found, nullptr);
  ASSERT_EQ(found->vertexCount(), 40000u);
  EXPECT_EQ(found->pointAt(39999).x, 39999 * 0.5);
  EXPECT_EQ(found->pointAt(39999).y, 39999 % 11);
  EXPECT_EQ(found->elevation(), 7.0);
  EXPECT_EQ(renderDrawing(*db2, written), binary);
}

}  // namespace
}  // namespace dxf
