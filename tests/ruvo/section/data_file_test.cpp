#include "ruvo/section/data_file.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/win/atomic_file.h"
#include "platform/win/codepage.h"
#include "support/temp_dir.h"

namespace {

using namespace ruvo;
using testing_support::TempDir;

CDataStruct makePoint(int no, double x, double y, double h, double d, std::uint32_t type,
                      std::string note, std::string layer) {
  CDataStruct p;
  p.nNo = no;
  p.ptPos = {x, y, 7.0};
  p.dHigh = h;
  p.dDist = d;
  p.nType = type;
  p.strNote = std::move(note);
  p.strLayer = std::move(layer);
  p.bMark = type == PT_END;
  p.idObject = 42;
  return p;
}

CDocData sampleDoc() {
  CDocData doc;
  doc.strPmName = "1号剖面";
  doc.pointList = {
      makePoint(0, 100.5, 200.25, 12.5, 0.0, PT_END, "起点", ""),
      makePoint(1, 110.123456789, 200.0, 13.0004, 10.0005, PT_CROSS, "路 边,沟", "等高 线"),
      makePoint(2, 120.0, 201.0, 0.0, 20.04, PT_END, "终点", ""),
  };
  doc.pointList[1].bRevised = 1;
  CPntList a, b;
  b.nIndex = 1;
  b.ptPos = {120.0, 201.0, 3.0};
  b.dDist = 20.04;
  b.dBulge = 0.41421356;
  doc.vertexList = {a, b};
  return doc;
}

TEST(DataFile, WritesTheExactLayoutInGbkWithCrLf) {
  CDocData doc = sampleDoc();
  const std::string bytes = FormatSectionData(doc, Edition::Current);
  const std::string expected =
      "ZRK3.8\r\n1000.000,500.000,500.000,1号剖面,\r\n3\r\n"
      "0,100.500000,200.250000,12.500,0.000,0,起点 ,1,3, ,0,\r\n"
      "1,110.123457,200.000000,13.000,10.001,0,路边，沟 ,0,0,等高线 ,1,\r\n"
      "2,120.000000,201.000000,0.000,20.040,0,终点 ,1,3, ,0,\r\n"
      "2\r\n0,0.000000,0.000000,0.000,0.000,\r\n1,120.000000,201.000000,20.040,0.414,\r\n";
  EXPECT_EQ(win::gbkToUtf8(bytes.substr(0, bytes.rfind('\n') + 1)), expected);
  EXPECT_EQ(bytes.find("\xC6\xF0\xB5\xE3"), bytes.find(win::utf8ToGbk("起点")));
  EXPECT_EQ(bytes.back() == '\n', false);  // the closing notice has no line break
  // The document keeps the cleaned texts.
  EXPECT_EQ(doc.pointList[1].strNote, "路边，沟");
  EXPECT_EQ(doc.pointList[1].strLayer, "等高线");

  const std::string legacy = win::gbkToUtf8(FormatSectionData(doc, Edition::Legacy));
  EXPECT_NE(legacy.find("1,110.123,200.000,13.000,10.001,0,"), std::string::npos);
  EXPECT_NE(legacy.find("\r\n1,120.000,201.000,20.040,0.414,\r\n"), std::string::npos);
}

TEST(DataFile, SaveAndLoadRoundTrip) {
  TempDir dir;
  CDocData doc = sampleDoc();
  ASSERT_TRUE(SaveSectionFile(doc, dir / "数据文件.txt", Edition::Current).ok());
  CDocData loaded;
  loaded.bFromDrawing = 1;
  const DataFileResult r = LoadSectionFile(loaded, dir / "数据文件.txt");
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_TRUE(r.notes.empty());
  EXPECT_EQ(loaded.bFromDrawing, 0);
  EXPECT_EQ(loaded.strPmName, "1号剖面");
  ASSERT_EQ(loaded.pointList.size(), 3u);
  const CDataStruct& p = loaded.pointList[1];
  EXPECT_EQ(p.ptPos.x, 110.123457);
  EXPECT_EQ(p.ptPos.z, 0.0);
  EXPECT_EQ(p.idObject, 0u);
  EXPECT_EQ(p.strNote, "路边，沟");
  EXPECT_EQ(p.bRevised, 1u);
  EXPECT_EQ(loaded.pointList[0].strLayer, "");
  EXPECT_EQ(loaded.layerList, (std::vector<std::string>{"等高线"}));
  ASSERT_EQ(loaded.vertexList.size(), 2u);
  EXPECT_EQ(loaded.vertexList[1].dBulge, 0.414);
  // Loading then saving gives the same file.
  EXPECT_EQ(FormatSectionData(loaded, Edition::Current), FormatSectionData(doc, Edition::Current));
  // No temporary file is left beside the target.
  int files = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST(DataFile, ReadsOlderVersionsAndLegacyCoordinates) {
  SectionFileContent c;
  const std::string v30 =
      "ZRK3.0\r\n1000.000,500.000,250.000,,\r\n2\r\n0,1.000,2.000,3.000,0.000,0,起点 ,1,3, ,\r\n"
      "1,4.000,6.000,5.000,5.000,0,终点 ,1,3, ,\r\nnotice";
  ASSERT_TRUE(ParseSectionData(win::utf8ToGbk(v30), c).ok());
  EXPECT_EQ(c.version, SectionFileVersion::V30);
  EXPECT_EQ(c.YScale, 250.0);
  EXPECT_EQ(c.strPmName, "");
  EXPECT_TRUE(c.vertices.empty());
  EXPECT_EQ(c.points[1].bRevised, 0u);
  EXPECT_EQ(c.points[1].ptPos.y, 6.0);

  const std::string v36 =
      "ZRK3.6\n1,2,3,A,B,\n1\n0,1,2,3,0,0, ,0,0,L1 ,\n1\n0,1,2,0,0,\n";  // LF only, title cut
  ASSERT_TRUE(ParseSectionData(v36, c).ok());
  EXPECT_EQ(c.version, SectionFileVersion::V36);
  EXPECT_EQ(c.strPmName, "A");
  EXPECT_EQ(c.vertices.size(), 1u);
  EXPECT_EQ(c.points[0].strLayer, "L1");
  EXPECT_EQ(c.points[0].strNote, "");

  // A UTF-8 file with a byte-order mark is read as UTF-8.
  ASSERT_TRUE(ParseSectionData("\xEF\xBB\xBFZRK3.0\n1,1,1,剖面,\n0\n", c).ok());
  EXPECT_EQ(c.strPmName, "剖面");
}

TEST(DataFile, RefusesForeignFilesAndMissingFiles) {
  SectionFileContent c;
  c.strPmName = "old";
  DataFileResult r = ParseSectionData("ZRK3.5\r\n1,1,1,t,\r\n0\r\n", c);
  EXPECT_EQ(r.status, DataFileStatus::NotOurFormat);
  EXPECT_EQ(r.message, "非本软件数据格式文件");
  EXPECT_EQ(ParseSectionData("ZRK3.8 \r\n", c).status, DataFileStatus::NotOurFormat);
  EXPECT_EQ(ParseSectionData("", c).status, DataFileStatus::NotOurFormat);
  EXPECT_EQ(c.strPmName, "old");
  CDocData doc;
  r = LoadSectionFile(doc, "/nonexistent/file.txt");
  EXPECT_EQ(r.status, DataFileStatus::CannotOpen);
  EXPECT_EQ(r.message, "文件导入失败");
}

// A damaged file is refused whole, with the line named, and the document is not touched.
TEST(DataFile, DamagedFilesAreRefusedWithTheLineNumber) {
  struct Case {
    const char* text;
    const char* note;
  };
  const Case cases[] = {
      {"ZRK3.8\n1,1,1,t,\n2\n0,1,2,3,0,0, ,0,0, ,0,\n1,x,2,3,0,0, ,0,0, ,0,\n0\n", "第5行格式错误"},
      {"ZRK3.8\n1,1,1,t,\nabc\n", "第3行的个数不是数字"},
      {"ZRK3.8\n1,1,1,t,\n-1\n", "第3行的个数不是数字"},
      {"ZRK3.8\n1,1,1,t,\n3\n0,1,2,3,0,0, ,0,0, ,0,\n", "在第5行之前结束"},
      {"ZRK3.6\n1,1,1,t,\n0\n2\n0,1,2,0,0,\n", "在第6行之前结束"},
      {"ZRK3.6\n1,1,1,t,\n0\n1\n0,1,2,nan,0,\n", "第5行格式错误"},
      {"ZRK3.6\n1,1,1,t,\n0\n", "在第4行之前结束"},
      {"ZRK3.0\nbad header\n0\n", "第2行格式错误"},
      {"ZRK3.0\n1,1,1,t,\n1\n0,1,2,3,0,-1, ,0,0, ,\n", "第4行格式错误"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ASSERT_TRUE(win::writeFileAtomically(dir / "f.txt", c.text));
    CDocData doc = sampleDoc();
    const DataFileResult r = LoadSectionFile(doc, dir / "f.txt");
    EXPECT_EQ(r.status, DataFileStatus::Damaged) << c.text;
    EXPECT_EQ(r.message, "文件导入失败");
    ASSERT_FALSE(r.notes.empty());
    EXPECT_NE(r.notes.back().find(c.note), std::string::npos) << r.notes.back();
    EXPECT_TRUE(r.notes.back().starts_with("\n命令:"));
    EXPECT_EQ(doc.pointList.size(), 3u);
    EXPECT_EQ(doc.strPmName, "1号剖面");
  }
}

// A point line that ends early (an older writer's, one cut by hand) keeps the fields it
// lacks from the line before (the first line from a new record), with a note.
TEST(DataFile, ALineEndingEarlyKeepsTheRestOfTheLineBefore) {
  SectionFileContent c;
  const DataFileResult r = ParseSectionData(
      "ZRK3.8\n1,1,1,t,\n3\n0,1,2,3,0,0, ,0,0, ,\n1,4,5,6,7,1,a,1,2,L,1,\n2,8,9,10,11,\n0\n", c);
  ASSERT_TRUE(r.ok()) << r.message;
  ASSERT_EQ(c.points.size(), 3u);
  EXPECT_EQ(c.points[0].bRevised, 0u);  // a new record's
  EXPECT_EQ(c.points[2].dDist, 11);
  EXPECT_EQ(c.points[2].bDelete, 1u);  // the line before's
  EXPECT_EQ(c.points[2].strNote, "a");
  EXPECT_EQ(c.points[2].strLayer, "L");
  EXPECT_EQ(c.points[2].bRevised, 1u);
  ASSERT_FALSE(r.notes.empty());
  EXPECT_NE(r.notes.front().find("第4行不完整"), std::string::npos) << r.notes.front();
}

TEST(DataFile, LongTextIsCutAtACharacterBoundary) {
  std::string remark = "A";
  for (int i = 0; i < 300; ++i) remark += "高";  // 1 + 600 bytes in GBK
  const std::string file =
      "ZRK3.0\r\n1,1,1,t,\r\n1\r\n0,1,2,3,0,0," + win::utf8ToGbk(remark) + ",0,0,L,\r\n";
  SectionFileContent c;
  const DataFileResult r = ParseSectionData(file, c);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(win::utf8ToGbk(c.points[0].strNote).size(), 511u);  // "A" and 255 characters
  EXPECT_EQ(c.points[0].strNote.substr(0, 4), "A高");
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_NE(r.notes[0].find("第4行"), std::string::npos);
}

TEST(DataFile, PointNumbersOutOfOrderAreSetToPositions) {
  SectionFileContent c;
  const DataFileResult r = ParseSectionData(
      "ZRK3.0\n1,1,1,t,\n3\n5,1,2,3,0,0, ,0,0, ,\n1,1,2,3,0,0, ,0,0, ,\n1,1,2,3,0,0, ,0,0, ,\n", c);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(c.points[0].nNo, 0);
  EXPECT_EQ(c.points[2].nNo, 2);
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_NE(r.notes[0].find("重新编号"), std::string::npos);
}

TEST(DataFile, TextGbkCannotEncodeSurvivesInGb18030) {
  CDocData doc = sampleDoc();
  doc.pointList[1].strNote = "€𠀀😀";
  doc.strPmName = "标题\r\n换行";  // a line break would split the header line
  const std::string bytes = FormatSectionData(doc, Edition::Current);
  SectionFileContent c;
  ASSERT_TRUE(ParseSectionData(bytes, c).ok());
  EXPECT_EQ(c.points[1].strNote, "€𠀀😀");
  EXPECT_EQ(c.strPmName, "标题换行");
}

TEST(DataFile, FailedSaveReportsAndKeepsTheOldFile) {
  TempDir dir;
  CDocData doc = sampleDoc();
  EXPECT_EQ(SaveSectionFile(doc, dir / "missing/f.txt", Edition::Current).message, "保存文件失败");
  // The target is a folder: the rename fails and the folder stays as it was.
  std::filesystem::create_directory(dir / "taken");
  ASSERT_TRUE(win::writeFileAtomically(dir / "taken/keep.txt", "old"));
  EXPECT_EQ(SaveSectionFile(doc, dir / "taken", Edition::Current).status,
            DataFileStatus::CannotWrite);
  EXPECT_EQ(win::readFileBytes(dir / "taken/keep.txt"), "old");
  int files = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);  // no temporary file left behind
}

TEST(DataFile, HugeCountsDoNotAllocate) {
  SectionFileContent c;
  const DataFileResult r = ParseSectionData("ZRK3.0\n1,1,1,t,\n2147483647\n", c);
  EXPECT_EQ(r.status, DataFileStatus::Damaged);
}

}  // namespace

namespace {

// A count smaller than its list is refused with the line of the first record past it, by
// the readers that keep the vertices and by those that keep only the points alike.
TEST(DataFile, CountsSmallerThanTheirListsAreRefused) {
  const std::string header = "ZRK3.8\r\n1000.000,500.000,500.000,t,\r\n";
  const std::string pt = "0,1,2,3,0,0, ,1,3, ,0,\r\n";
  SectionFileContent out;
  for (const bool vertices : {true, false}) {
    const auto r =
        ParseSectionData(header + "1\r\n" + pt + pt + "0\r\n", out, SectionReadOptions{vertices});
    EXPECT_FALSE(r.ok());
    ASSERT_FALSE(r.notes.empty());
    EXPECT_NE(r.notes.back().find("第5行"), std::string::npos) << r.notes.back();
  }
  const auto r = ParseSectionData(header + "1\r\n" + pt + "1\r\n0,1,2,0,0,\r\n1,3,4,5,0,\r\n", out);
  EXPECT_FALSE(r.ok());
  EXPECT_NE(r.notes.back().find("第7行"), std::string::npos) << r.notes.back();
  EXPECT_TRUE(ParseSectionData(header + "1\r\n" + pt + "1\r\n0,1,2,0,0,\r\n", out).ok());
}

// Numbers no data file can hold are refused before anything is written.
TEST(DataFile, UnwritableNumbersAreRefusedAndTheOldFileKept) {
  TempDir dir;
  CDocData doc = sampleDoc();
  ASSERT_TRUE(SaveSectionFile(doc, dir / "s.txt", Edition::Current).ok());
  const std::string before = *win::readFileBytes(dir / "s.txt");
  doc.vertexList[1].dBulge = 1e308;
  auto r = SaveSectionFile(doc, dir / "s.txt", Edition::Current);
  EXPECT_FALSE(r.ok());
  EXPECT_NE(r.notes.back().find("section-line vertex 1"), std::string::npos);
  doc = sampleDoc();
  doc.pointList[2].dDist = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(SaveSectionFile(doc, dir / "s.txt", Edition::Current).ok());
  EXPECT_EQ(*win::readFileBytes(dir / "s.txt"), before);
}

// A folder or a device named as a data file is refused with the reason.
TEST(DataFile, FoldersAndDevicesAreNotDataFiles) {
  TempDir dir;
  SectionFileContent out;
  for (const char* file : {"", "/dev/zero", "/proc/self/mem"}) {
    const auto path = *file ? std::filesystem::path(file) : dir.path();
    const auto r = ReadSectionFile(path, out);
    EXPECT_EQ(r.status, DataFileStatus::CannotOpen) << path;
    ASSERT_FALSE(r.notes.empty());
  }
  EXPECT_NE(ReadSectionFile(dir.path(), out).notes.back().find("is a folder"), std::string::npos);
}

}  // namespace

namespace {

// The comma separates the fields: in a title, remark or layer it is written as the
// full-width comma, which reads back, and the save says so.
TEST(DataFile, CommasGetTheirStandInAndTheSaveSaysSo) {
  TempDir dir;
  CDocData doc = sampleDoc();
  doc.strPmName = "北线,K1+200 剖面";
  doc.pointList[0].strLayer = "😀 a,b";
  const auto saved = SaveSectionFile(doc, dir / "s.txt", Edition::Current);
  ASSERT_TRUE(saved.ok());
  ASSERT_FALSE(saved.notes.empty());
  EXPECT_NE(saved.notes.back().find("全角逗号"), std::string::npos);
  CDocData loaded;
  ASSERT_TRUE(LoadSectionFile(loaded, dir / "s.txt").ok());
  EXPECT_EQ(loaded.strPmName, "北线，K1+200 剖面");
  EXPECT_EQ(loaded.pointList[0].strLayer, "😀a，b");
  EXPECT_TRUE(SaveSectionFile(loaded, dir / "s.txt", Edition::Current).notes.empty());
}

}  // namespace

namespace {

TEST(DataFile, SaveFollowsLinksAndWritesDevicesThrough) {
  TempDir dir;
  CDocData doc = sampleDoc();
  std::filesystem::create_symlink("real.txt", dir / "link.txt");
  ASSERT_TRUE(SaveSectionFile(doc, dir / "link.txt", Edition::Current).ok());
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
  SectionFileContent out;
  EXPECT_TRUE(ReadSectionFile(dir / "real.txt", out).ok());
  EXPECT_TRUE(SaveSectionFile(doc, "/dev/null", Edition::Current).ok());
  EXPECT_FALSE(SaveSectionFile(doc, "/dev/full", Edition::Current).ok());
}

}  // namespace
