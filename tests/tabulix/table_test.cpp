#include "tabulix/table.h"

#include <gtest/gtest.h>

#include "platform/win/atomic_file.h"
#include "platform/win/codepage.h"
#include "support/temp_dir.h"

namespace {

using namespace tabulix;
using testing_support::TempDir;

TabulixPoint pt(int no, double x, double y, double dist, std::uint32_t type, std::string note,
                std::string layer = "") {
  TabulixPoint p;
  p.nNo = no;
  p.ptPos = {x, y, 0};
  p.dHigh = 100 + no;
  p.dDist = dist;
  p.nType = type;
  p.strNote = std::move(note);
  p.strLayer = std::move(layer);
  return p;
}

// A section east then north: start, two crossings, a knee, an added point, end.
std::vector<TabulixPoint> sample() {
  std::vector<TabulixPoint> points = {
      pt(0, 0, 0, 0, ruvo::PT_END, "起点"),
      pt(1, 10.04, 0, 10.04, ruvo::PT_CROSS, "", "DGX"),
      pt(2, 20.04, 0, 20.04, ruvo::PT_CROSS, "", "DGX2"),
      pt(3, 30, 0, 30, ruvo::PT_KNEE, "拐点"),
      pt(4, 30, 5, 35, ruvo::PT_ADDED, "加点", "加点层"),
      pt(5, 30, 10.123456, 40.123456, ruvo::PT_END, "终点"),
  };
  ComputeAzimuths(points);
  return points;
}

TableView view(std::vector<std::string> fields, int decimals = 3, int mode = 1,
               bool reverse = false) {
  TableView v = TableView::FromSettings(TabulixSettings{}, reverse);
  for (std::size_t i = 0; i < fields.size(); ++i) v.titles[i] = fields[i];
  v.columnCount = static_cast<int>(fields.size());
  v.decimals = decimals;
  v.displayMode = mode;
  return v;
}

std::vector<std::string> column(const Table& t, std::size_t c) {
  std::vector<std::string> out;
  for (const auto& row : t.rows) out.push_back(row[c]);
  return out;
}

TEST(Table, DecimalsAndPreviousDistancesThatAddUp) {
  auto points = sample();
  Table t = FillTable(points, view({"坐标X", "高程Z", "与起点距离", "与前点距离"}, 2, 0));
  EXPECT_EQ(t.headers,
            (std::vector<std::string>{"序号", "坐标X", "高程Z", "与起点距离", "与前点距离"}));
  EXPECT_EQ(column(t, 3), (std::vector<std::string>{"0.00", "10.04", "20.04", "35.00", "40.12"}));
  EXPECT_EQ(column(t, 4), (std::vector<std::string>{"0.00", "10.04", "10.00", "14.96", "5.12"}));

  t = FillTable(points, view({"坐标Y", "高程Z", "与起点距离", "与前点距离"}, 5, 0));
  EXPECT_EQ(t.rows.back()[1], "10.12346");  // coordinates: five decimals
  EXPECT_EQ(t.rows.back()[2], "105.000");   // elevations and distances: at most three
  EXPECT_EQ(t.rows.back()[3], "40.123");

  t = FillTable(points, view({"与起点距离", "与前点距离"}, 0, 0));
  double sum = 0;
  for (const auto& s : column(t, 2)) sum += std::stod(s);
  EXPECT_EQ(sum, std::stod(t.rows.back()[1]));
  EXPECT_EQ(column(t, 2), (std::vector<std::string>{"0", "10", "10", "15", "5"}));

  // A distance half-way between two shown values rounds the same way in both columns, so
  // the column still adds up when the section turns back on itself.
  std::vector<TabulixPoint> tie = {pt(0, 0, 0, 0, ruvo::PT_END, "起点"),
                                   pt(1, 5, 0, 5, ruvo::PT_CROSS, "", "DGX"),
                                   pt(2, 0.5, 0, 0.5, ruvo::PT_END, "终点")};
  t = FillTable(tie, view({"与起点距离", "与前点距离"}, 0, 1));
  EXPECT_EQ(column(t, 1), (std::vector<std::string>{"0", "5", "0"}));
  EXPECT_EQ(column(t, 2), (std::vector<std::string>{"0", "5", "-5"}));
}

TEST(Table, ReverseOrderNumbersDistancesAndRenumbering) {
  auto points = sample();
  TableView v = view({"编号", "与起点距离", "图层", "注释"}, 3, 1, true);
  Table t = FillTable(points, v);
  EXPECT_EQ(column(t, 0), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(column(t, 1), (std::vector<std::string>{"6", "5", "4", "3", "2", "1"}));
  EXPECT_EQ(t.rows[0][2], "0.000");
  EXPECT_EQ(t.rows[1][2], "5.123");
  EXPECT_EQ(t.rows.back()[2], "40.123");
  EXPECT_EQ(column(t, 3),
            (std::vector<std::string>{"(端点)", "(加点)", "(拐点)", "DGX2", "DGX", "(端点)"}));
  EXPECT_EQ(t.rows[1][4], "加点");
  EXPECT_EQ(t.rows[0][4], "");  // "终点" is not shown as a remark
  v.renumber = true;
  t = FillTable(points, v);
  EXPECT_EQ(column(t, 1), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
}

TEST(Table, DisplayModesDeletedAndHiddenPoints) {
  auto points = sample();
  points[1].bDelete = 1;
  points[2].nType = ruvo::PT_HIDDEN;
  EXPECT_EQ(FillTable(points, view({"编号", "注释"}, 3, 0)).rows.size(), 3u);  // 0, 4, 5
  EXPECT_EQ(FillTable(points, view({"编号", "注释"}, 3, 1)).rows.size(), 4u);
  EXPECT_EQ(column(FillTable(points, view({"编号", "注释"}, 3, 2)), 1),
            (std::vector<std::string>{"1", "4", "6"}));
  TableView unknown = view({"编号", "no such field"});
  EXPECT_EQ(FillTable(points, unknown).rows[1][2], "4");  // shows nNo + 1
}

TEST(Table, AzimuthsAtVertices) {
  auto points = sample();
  Table t = FillTable(points, view({"方位", "注释"}, 3, 1));
  EXPECT_EQ(column(t, 1), (std::vector<std::string>{"90.0", "", "", "0.0", "", "180.0"}));
  t = FillTable(points, view({"方位"}, 3, 1, true));
  EXPECT_EQ(column(t, 1), (std::vector<std::string>{"180.0", "", "270.0", "", "", "90.0"}));

  // A deleted knee is skipped: the leg runs from the start straight to the end.
  points[3].bDelete = 1;
  ComputeAzimuths(points);
  const double direct = 90 - std::atan(10.123456 / 30) * 180 / 3.1415926;
  EXPECT_DOUBLE_EQ(points[0].dAzimuth, direct);
  EXPECT_DOUBLE_EQ(points[5].dAzimuth, direct + 180);

  // Without knees the reversed start shows the first leg's forward azimuth.
  std::vector<TabulixPoint> straight = {pt(0, 0, 0, 0, ruvo::PT_END, "起点"),
                                        pt(1, 100, 0, 100, ruvo::PT_END, "终点")};
  ComputeAzimuths(straight);
  EXPECT_EQ(straight[0].dAzimuth, 90);
  EXPECT_EQ(straight[0].dBackAzimuth, 90);
  EXPECT_EQ(straight[1].dAzimuth, 270);
  std::vector<TabulixPoint> none;
  ComputeAzimuths(none);
  std::vector<TabulixPoint> one = {pt(0, 0, 0, 0, ruvo::PT_END, "起点")};
  ComputeAzimuths(one);
}

// The filter works from the ticked names themselves: no name can match part of another and
// the list separator of the user's locale plays no part.
TEST(Table, LayerFilterByTickedNames) {
  auto points = sample();
  points[2].strLayer = "DGX, DGX";
  ApplyLayerFilter(points, {"DGX, DGX"});
  EXPECT_EQ(points[1].nType, ruvo::PT_HIDDEN);
  EXPECT_EQ(points[2].nType, ruvo::PT_CROSS);
  EXPECT_EQ(points[3].nType, ruvo::PT_KNEE);
  // An added point becomes an ordinary or a hidden point by its layer, as in the plug-in.
  EXPECT_EQ(points[4].nType, ruvo::PT_HIDDEN);
  ApplyLayerFilter(points, {"DGX", "DGX, DGX", "加点层"});
  EXPECT_EQ(points[1].nType, ruvo::PT_CROSS);
  EXPECT_EQ(points[4].nType, ruvo::PT_CROSS);
  ApplyLayerFilter(points, {});
  EXPECT_EQ(points[1].nType, ruvo::PT_HIDDEN);
  EXPECT_EQ(points[5].nType, ruvo::PT_END);
}

TEST(Table, OpensAllVersionsAndRefusesWithoutLosingTheTable) {
  TempDir dir;
  ruvo::CDocData doc;
  doc.pointList.resize(3);
  doc.pointList[0].nType = ruvo::PT_END;
  doc.pointList[1].strLayer = "等高线";
  doc.pointList[1].nNo = 1;
  doc.pointList[2].nNo = 2;
  doc.pointList[2].nType = ruvo::PT_ADDED;
  doc.pointList[2].strLayer = "加点层";
  ASSERT_TRUE(ruvo::SaveSectionFile(doc, dir / "v38.txt", ruvo::Edition::Current).ok());
  TabulixData data;
  ASSERT_TRUE(OpenDataFile(dir / "v38.txt", data).ok());
  EXPECT_EQ(data.points.size(), 3u);
  EXPECT_EQ(data.layers, (std::vector<std::string>{"等高线"}));  // not the added point's

  ASSERT_TRUE(win::writeFileAtomically(dir / "v30.txt",
                                       "ZRK3.0\r\n1,1,1,t,\r\n1\r\n0,1,2,3,0,0, ,1,3, ,\r\n"));
  ASSERT_TRUE(win::writeFileAtomically(
      dir / "v36.txt", "ZRK3.6\r\n1,1,1,t,\r\n1\r\n0,1,2,3,0,0, ,1,3,L ,\r\nvertex part ignored"));
  ASSERT_TRUE(OpenDataFile(dir / "v30.txt", data).ok());
  ASSERT_TRUE(OpenDataFile(dir / "v36.txt", data).ok());
  EXPECT_EQ(data.layers, (std::vector<std::string>{"L"}));

  ASSERT_TRUE(win::writeFileAtomically(dir / "v35.txt", "ZRK3.5\r\n1,1,1,t,\r\n0\r\n"));
  auto r = OpenDataFile(dir / "v35.txt", data);
  EXPECT_EQ(r.message, "非本软件数据格式文件");
  ASSERT_TRUE(win::writeFileAtomically(dir / "bad.txt",
                                       "ZRK3.8\r\n1,1,1,t,\r\n2\r\n0,1,2,3,0,0, ,1,3, ,0,\r\n"));
  r = OpenDataFile(dir / "bad.txt", data);
  EXPECT_EQ(r.message, "文件导入失败");
  EXPECT_EQ(r.notes.back(), "\n命令:数据文件在第5行之前结束\n");
  EXPECT_EQ(OpenDataFile(dir / "missing.txt", data).message, "文件导入失败");
  EXPECT_EQ(data.layers, (std::vector<std::string>{"L"}));  // the previous table stays
  EXPECT_EQ(data.points.size(), 1u);
}

TEST(Table, ExportWritesTheShownTexts) {
  TempDir dir;
  auto points = sample();
  points[1].strNote = "€😀";  // GBK cannot encode these
  Table t = FillTable(points, view({"编号", "注释", "图层"}, 3, 0));
  ASSERT_EQ(ExportTable(t, dir / "a.csv"), ExportStatus::Written);
  ASSERT_EQ(ExportTable(t, dir / "a.txt"), ExportStatus::Written);
  const auto csv = win::readFileBytes(dir / "a.csv");
  EXPECT_EQ(csv, win::readFileBytes(dir / "a.txt"));
  EXPECT_EQ(win::gbkToUtf8(*csv),
            "5\r\n1,,(端点)\r\n2,€😀,DGX\r\n3,,DGX2\r\n5,加点,(加点)\r\n6,,(端点)\r\n");
  EXPECT_EQ(ExportTable(Table{{"序号", "编号"}, {}}, dir / "none.csv"),
            ExportStatus::NothingToExport);
  EXPECT_FALSE(std::filesystem::exists(dir / "none.csv"));
  EXPECT_EQ(ExportTable(t, dir / "no/such/dir.csv"), ExportStatus::CannotWrite);
  int files = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 2);
}

}  // namespace

namespace {

// The export goes through the one atomic writer: links stay links, devices are written.
TEST(Table, ExportFollowsLinksAndWritesDevicesThrough) {
  TempDir dir;
  Table t = FillTable(sample(), view({"编号", "注释", "图层"}, 3, 0));
  std::filesystem::create_symlink("real.csv", dir / "link.csv");
  ASSERT_EQ(ExportTable(t, dir / "link.csv"), ExportStatus::Written);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.csv"));
  EXPECT_TRUE(win::readFileBytes(dir / "real.csv"));
  EXPECT_EQ(ExportTable(t, "/dev/null"), ExportStatus::Written);
  EXPECT_EQ(ExportTable(t, dir.path()), ExportStatus::CannotWrite);
}

}  // namespace
