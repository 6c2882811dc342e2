// Drawings made to hurt: cut off, flipped, lying. Each must end in a clear refusal or in a
// drawing that writes back what was read, never in a silent half.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "platform/cad/queries.h"
#include "platform/cad/table_records.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/win/codepage.h"
#include "support/temp_dir.h"
#include "test_files.h"

namespace dxf {
namespace {

using testing_support::TempDir;

std::size_t modelSpaceEntities(const cad::Database& db) {
  const auto* space = cad::objectCast<const cad::BlockRecord>(db.peek(db.modelSpaceId()));
  return space ? space->entityIds().size() : 0;
}

struct ToolRun {
  int rc = -1;
  std::string out;  // standard output and error together
};

ToolRun cadtool(const std::string& args) {
  const std::string command = std::string("'") + KESTRA_CADTOOL + "' " + args + " 2>&1";
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

constexpr char kLines[] =
    "  0\nSECTION\n  2\nENTITIES\n"
    "  0\nLINE\n  8\n0\n 10\n512935.014\n 20\n3555701.5\n 11\n512940.0\n 21\n3555705.0\n"
    "  0\nLINE\n  8\n0\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n"
    "  0\nENDSEC\n  0\nEOF\n";

// Every cut at a line end before EOF, and every cut inside the last values, is refused
// with the line; only the whole file reads.
TEST(HostileDrawing, CutOffDrawingsAreRefused) {
  const std::string whole = kLines;
  ReadReport report;
  ASSERT_TRUE(readDrawingBytes(whole, report)) << report.message;
  std::size_t refused = 0, cuts = 0;
  // Up to the last section's end; a file that stops right after it is taken (next test).
  for (std::size_t cut = 1; cut < whole.find("ENDSEC"); ++cut) {
    ++cuts;
    if (!readDrawingBytes(whole.substr(0, cut), report)) {
      ++refused;
      EXPECT_TRUE(report.message.starts_with("line ")) << report.message;
    }
  }
  EXPECT_EQ(refused, cuts);
  EXPECT_FALSE(readDrawingBytes(whole.substr(0, whole.size() - 2), report));  // "  0\nEO"
  // The number cut short ("5129" for "512935.014") never makes it into a drawing.
  const std::size_t at = whole.find("512935.014") + 4;
  EXPECT_FALSE(readDrawingBytes(whole.substr(0, at), report));
  EXPECT_NE(report.message.find("ends before its EOF"), std::string::npos);

  TempDir dir;
  const auto cutFile = dir / "cut.dxf";
  {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(cutFile.c_str(), "wb"), std::fclose);
    std::fputs(whole.substr(0, whole.find("  0\nENDSEC")).c_str(), f.get());
  }
  for (const char* command : {"info", "copy"}) {
    const std::string extra =
        std::string(command) == "copy" ? " -o '" + (dir / "o.dxf").string() + "'" : "";
    const ToolRun run = cadtool(std::string(command) + " '" + cutFile.string() + "'" + extra);
    EXPECT_EQ(run.rc, 1) << command << ": " << run.out;
    EXPECT_NE(run.out.find("ends before its EOF"), std::string::npos) << run.out;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "o.dxf"));
}

// A file some writer left without EOF after a whole last section still reads, with a note.
TEST(HostileDrawing, MissingEofAfterAWholeSectionIsANote) {
  std::string text = kLines;
  text.erase(text.find("  0\nEOF"));
  ReadReport report;
  ASSERT_TRUE(readDrawingBytes(text, report)) << report.message;
  ASSERT_FALSE(report.problems.empty());
  EXPECT_NE(report.problems.back().find("no EOF"), std::string::npos);
}

// Flipping one byte of a binary R12 drawing's BLOCKS section leaves its entities outside any
// block; the reader moves them into model space, and copy must write them there.
TEST(HostileDrawing, CopyWritesWhatInfoShows) {
  std::string bytes = testing::readWhole(std::filesystem::path(KESTRA_SHARED_DATA) /
                                         "dxf/testsuite/ezdxf/bin_dxf_r12.dxf");
  ASSERT_GT(bytes.size(), 3511u);
  ASSERT_EQ(bytes[3511], 0x43);
  bytes[3511] = 0x2D;
  ReadReport report;
  auto db = readDrawingBytes(bytes, report);
  ASSERT_TRUE(db) << report.message;
  const std::size_t before = modelSpaceEntities(*db);
  EXPECT_EQ(before, 3u);
  WriteReport written;
  const std::string out = renderDrawing(*db, written);
  auto again = readDrawingBytes(out, report);
  ASSERT_TRUE(again) << report.message;
  EXPECT_EQ(modelSpaceEntities(*again), before);
}

// Numbers on the command line are finite or refused as a usage error.
TEST(HostileDrawing, NonFiniteWindowIsAUsageError) {
  const std::string drawing =
      std::string(KESTRA_SHARED_DATA) + "/dxf/testsuite/ezdxf/Minimal_DXF_AC1009.dxf";
  for (const char* window : {"nan,0,1,1", "0,inf,1,1", "0,0,1e400,1", "0,0,1,-nan"}) {
    const ToolRun run = cadtool("select '" + drawing + "' --crossing " + window);
    EXPECT_EQ(run.rc, 2) << window << ": " << run.out;
  }
  EXPECT_EQ(cadtool("select '" + drawing + "' --crossing 0,0,1,1").rc, 0);
}

std::string seed(const char* name) {
  return testing::readWhole(std::filesystem::path(KESTRA_SOURCE_DIR) / "tests/platform/dxf/seeds" /
                            name);
}

// Forty blocks each inserting the next one twice: measuring, selecting and drawing must not
// double their work per level, and the nesting past the limit is reported.
TEST(HostileDrawing, BlockFanOutIsMeasuredOnceAndReported) {
  ReadReport report;
  auto db = readDrawingBytes(seed("block_fanout.dxf"), report);
  ASSERT_TRUE(db) << report.message;
  ASSERT_FALSE(report.problems.empty());
  EXPECT_NE(report.problems[0].find("nested deeper than 32"), std::string::npos);
  const geom::Extents2d box = db->modelExtents().update().xy();
  EXPECT_EQ(box.max.x, 32);  // 0 .. 32: only the levels that are measured
  const std::vector<geom::Point2d> window{{-1, -1}, {2, -1}, {2, 2}, {-1, 2}};
  EXPECT_EQ(cad::selectCrossing(*db, window).size(), 2u);
}

// Cycles, missing blocks and absurd arrays are problems of the read, never silent.
TEST(HostileDrawing, RecursiveAndMissingBlocksAreReported) {
  ReadReport report;
  auto db = readDrawingBytes(seed("recursive_blocks_huge_numbers.dxf"), report);
  ASSERT_TRUE(db) << report.message;
  std::string all;
  for (const auto& p : report.problems) all += p + "\n";
  EXPECT_NE(all.find("missing block NOPE"), std::string::npos) << all;
  EXPECT_NE(all.find("block B inserts A, which contains it"), std::string::npos) << all;
  EXPECT_NE(all.find("block C inserts C"), std::string::npos) << all;
  EXPECT_NE(all.find("32767 x 32767 copies"), std::string::npos) << all;
  (void)db->modelExtents().update();
  WriteReport written;
  EXPECT_FALSE(renderDrawing(*db, written).empty());
}

}  // namespace
}  // namespace dxf

namespace dxf {
namespace {

std::string r2007WithLayers(std::string_view codepage, const std::vector<std::string>& names) {
  std::string text =
      "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1021\n  9\n$DWGCODEPAGE\n  3\n" +
      std::string(codepage) + "\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
  for (const std::string& name : names) {
    text += "  0\nLINE\n  8\n" + name + "\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n";
  }
  return text + "  0\nENDSEC\n  0\nEOF\n";
}

std::set<std::string> entityLayers(const cad::Database& db) {
  std::set<std::string> layers;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    layers.insert(e.layer());
    return true;
  });
  return layers;
}

// GBK text in a drawing that claims UTF-8: read in the code page, with a note, so that
// three layers do not merge into one of replacement characters.
TEST(HostileDrawing, TextThatIsNotUtf8IsReadInTheCodePage) {
  const std::vector<std::string> gbk = {win::utf8ToGbk("断面线"), win::utf8ToGbk("首曲线"),
                                        win::utf8ToGbk("计曲线")};
  ReadReport report;
  auto db = readDrawingBytes(r2007WithLayers("ANSI_1252", gbk), report);
  ASSERT_TRUE(db) << report.message;
  EXPECT_EQ(entityLayers(*db), (std::set<std::string>{"断面线", "首曲线", "计曲线"}));
  ASSERT_FALSE(report.problems.empty());
  EXPECT_NE(report.problems[0].find("not valid UTF-8; read as GB18030"), std::string::npos);

  db = readDrawingBytes(r2007WithLayers("ANSI_936", gbk), report);
  ASSERT_TRUE(db);
  EXPECT_EQ(entityLayers(*db).size(), 3u);

  // Valid UTF-8 stays UTF-8, without a note; an unknown code page is a note.
  db = readDrawingBytes(r2007WithLayers("ANSI_936", {"断面线"}), report);
  ASSERT_TRUE(db);
  EXPECT_EQ(entityLayers(*db), (std::set<std::string>{"断面线"}));
  EXPECT_TRUE(report.problems.empty());
  std::string r12 = r2007WithLayers("ANSI_9999", {"A"});
  r12.replace(r12.find("AC1021"), 6, "AC1009");
  db = readDrawingBytes(r12, report);
  ASSERT_TRUE(db);
  ASSERT_FALSE(report.problems.empty());
  EXPECT_NE(report.problems[0].find("unknown code page ANSI_9999"), std::string::npos);
}

}  // namespace
}  // namespace dxf

namespace dxf {
namespace {

// The drawing writer goes through the one atomic writer: a link keeps being a link, a
// device is written through, a folder is refused with the reason.
TEST(HostileDrawing, WriterFollowsLinksAndWritesDevicesThrough) {
  ReadReport report;
  auto db = readDrawingBytes(kLines, report);
  ASSERT_TRUE(db);
  TempDir dir;
  std::filesystem::create_symlink("target.dxf", dir / "link.dxf");
  WriteReport written;
  EXPECT_EQ(writeDrawing(*db, dir / "link.dxf", written), cad::Status::Ok) << written.message;
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.dxf"));
  EXPECT_TRUE(readDrawing(dir / "target.dxf", report)) << report.message;
  EXPECT_EQ(writeDrawing(*db, "/dev/null", written), cad::Status::Ok);
  EXPECT_NE(writeDrawing(*db, dir.path(), written), cad::Status::Ok);
  EXPECT_NE(written.message.find("is a folder"), std::string::npos) << written.message;
}

}  // namespace
}  // namespace dxf
