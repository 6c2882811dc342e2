#include "tabulix/cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/win/atomic_file.h"
#include "platform/win/codepage.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(win::writeFileAtomically(
        dir / "s.txt",
        win::utf8ToGbk("ZRK3.8\r\n1000.000,500.000,500.000,剖面,\r\n3\r\n"
                       "0,0.000000,0.000000,10.000,0.000,0,起点 ,1,3, ,0,\r\n"
                       "1,5.000000,0.000000,11.000,5.000,0, ,0,0,DGX ,0,\r\n"
                       "2,10.000000,0.000000,12.000,10.000,0,终点 ,1,3, ,0,\r\n0\r\nend")));
  }
  int run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return tabulix::RunCommandLine(args, (dir / "Tabulix.ini").string(), out, err);
  }
  TempDir dir;
  std::ostringstream out, err;
};

TEST_F(CliTest, ExportAndShow) {
  const std::string data = (dir / "s.txt").string();
  ASSERT_EQ(run({"export", data, "-o", (dir / "t.csv").string()}), 0) << err.str();
  EXPECT_EQ(win::gbkToUtf8(*win::readFileBytes(dir / "t.csv")),
            "3\r\n1,0.000,0.000\r\n2,5.000,0.000\r\n3,10.000,0.000\r\n");
  ASSERT_EQ(run({"export", data, "-o", (dir / "t.txt").string(), "--fields", "图层,高程Z,方位",
                 "--decimals", "0", "--reverse"}),
            0);
  EXPECT_EQ(win::gbkToUtf8(*win::readFileBytes(dir / "t.txt")),
            "3\r\n(端点),12,270.0\r\nDGX,11,\r\n(端点),10,90.0\r\n");
  ASSERT_EQ(run({"show", data, "--fields", "编号", "--layers", "other"}), 0);
  EXPECT_EQ(out.str(), "序号  编号  坐标X\n1     1     0.000\n2     3     10.000\n");
}

TEST_F(CliTest, SettingsComeFromTheIniBesideTheProgramOrGivenOne) {
  ASSERT_TRUE(win::writeFileAtomically(dir / "Tabulix.ini",
                                       win::utf8ToGbk("[SETTING]\r\nColnumNum=2\r\nRenumber=1\r\n"
                                                      "[HEAD]\r\n表头0=注释\r\n")));
  ASSERT_EQ(run({"show", (dir / "s.txt").string()}), 0);
  EXPECT_TRUE(out.str().starts_with("序号  注释  坐标X\n"));
  ASSERT_TRUE(win::writeFileAtomically(dir / "other.ini", "[SETTING]\r\nColnumNum=4\r\n"));
  ASSERT_EQ(run({"show", (dir / "s.txt").string(), "--ini", (dir / "other.ini").string()}), 0);
  const std::string header = out.str().substr(0, out.str().find('\n'));
  EXPECT_TRUE(header.starts_with("序号  编号  坐标X")) << header;
  EXPECT_TRUE(header.ends_with("坐标Y  高程Z")) << header;
}

TEST_F(CliTest, ExitStatuses) {
  const std::string data = (dir / "s.txt").string();
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_NE(out.str().find("tabulix export DATAFILE"), std::string::npos);
  EXPECT_EQ(run({}), 2);
  EXPECT_EQ(run({"export", data}), 2);
  EXPECT_EQ(run({"export", data, "-o", "x.xls"}), 2);
  EXPECT_EQ(run({"show", data, "--mode", "3"}), 2);
  EXPECT_EQ(run({"show", data, "--decimals", "x"}), 2);
  EXPECT_EQ(run({"show", data, "--fields", "高度"}), 2);
  EXPECT_EQ(run({"show", data, "--what"}), 2);
  EXPECT_EQ(err.str().find('\n'), err.str().size() - 1);  // one line
  EXPECT_EQ(run({"show", (dir / "missing.txt").string()}), 1);
  EXPECT_NE(err.str().find("文件导入失败"), std::string::npos);
  EXPECT_EQ(run({"export", data, "-o", (dir / "e.csv").string(), "--mode", "2", "--layers", "x"}),
            0);
  ASSERT_TRUE(win::writeFileAtomically(dir / "knees.txt",
                                       "ZRK3.0\r\n1,1,1,t,\r\n1\r\n0,1,2,3,0,0, ,0,0,L ,\r\n"));
  EXPECT_EQ(
      run({"export", (dir / "knees.txt").string(), "-o", (dir / "f.csv").string(), "--mode", "2"}),
      1);
  EXPECT_EQ(run({"export", data, "-o", (dir / "no/dir.csv").string()}), 1);
}

// A data file saved as UTF-8 without a byte-order mark reads as UTF-8, not as garbled GBK,
// and the table file holds the text in GBK.
TEST_F(CliTest, Utf8DataFileWithoutMarkReadsAsUtf8) {
  ASSERT_TRUE(win::writeFileAtomically(
      dir / "u.txt",
      std::string("ZRK3.8\r\n1000.000,500.000,500.000,剖面,\r\n3\r\n"
                  "0,0.000000,0.000000,10.000,0.000,0,起点 ,1,3, ,0,\r\n"
                  "1,5.000000,0.000000,11.000,5.000,0,陡坎 ,0,0,等高线 ,0,\r\n"
                  "2,10.000000,0.000000,12.000,10.000,0,终点 ,1,3, ,0,\r\n0\r\nend")));
  ASSERT_EQ(run({"show", (dir / "u.txt").string(), "--fields", "注释,图层"}), 0) << err.str();
  EXPECT_NE(out.str().find("陡坎"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("等高线"), std::string::npos) << out.str();
  ASSERT_EQ(run({"export", (dir / "u.txt").string(), "-o", (dir / "u.csv").string(), "--fields",
                 "注释,图层"}),
            0);
  EXPECT_NE(win::readFileBytes(dir / "u.csv")->find(win::utf8ToGbk("等高线")), std::string::npos);
}

}  // namespace
