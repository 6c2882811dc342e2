#include <gtest/gtest.h>

#include "platform/win/atomic_file.h"
#include "platform/win/codepage.h"
#include "platform/win/profile.h"
#include "support/temp_dir.h"
#include "tabulix/tabulix_settings.h"

namespace {

using namespace tabulix;
using testing_support::TempDir;

class SettingsTest : public ::testing::Test {
 protected:
  void write(const std::string& utf8) {
    ASSERT_TRUE(win::writeFileAtomically(ini, win::utf8ToGbk(utf8)));
  }
  TempDir dir;
  std::filesystem::path ini = dir / "Tabulix.ini";
};

TEST_F(SettingsTest, DefaultsClampsAndTitles) {
  TabulixSettings s;
  LoadSettings(ini, s);  // no file: defaults
  EXPECT_EQ(s.columnCount, 3);
  EXPECT_EQ(s.decimals, 3);
  EXPECT_EQ(s.titles[8], "图层");
  EXPECT_EQ(s.codeTable.size(), 10u);

  write(
      "[SETTING]\r\nColnumNum=12\r\nDecimalNum=9\r\nKneePnt=2\r\nRenumber=1\r\n"
      "[HEAD]\r\n表头1=注释\r\n表头2=" +
      std::string(60, 'x') + "\r\n");
  LoadSettings(ini, s);
  EXPECT_EQ(s.columnCount, 9);
  EXPECT_EQ(s.decimals, 6);
  EXPECT_EQ(s.displayMode, 2);
  EXPECT_EQ(s.renumber, 1);
  EXPECT_EQ(s.titles[0], "编号");
  EXPECT_EQ(s.titles[1], "注释");
  EXPECT_EQ(s.titles[2], std::string(49, 'x'));
  write("[SETTING]\r\nColnumNum=1\r\n");
  LoadSettings(ini, s);
  EXPECT_EQ(s.columnCount, 2);
}

// Every "CODE" name is read whole, however long and however many; the table still holds
// exactly ten pairs.
TEST_F(SettingsTest, CodeNamesAreReadWhole) {
  std::string text = "[CODE]\r\n";
  for (int i = 0; i < 12; ++i)
    text += "CODE" + std::to_string(i) + "LONGNAME=\"备注" + std::to_string(i) + "\"\r\n";
  write(text);
  const auto all = LoadCodeTable(ini);
  ASSERT_EQ(all.size(), 12u);
  EXPECT_EQ(all[11].first, "CODE11LONGNAME");
  EXPECT_EQ(all[11].second, "备注11");
  TabulixSettings s;
  LoadSettings(ini, s);
  ASSERT_EQ(s.codeTable.size(), 10u);
  EXPECT_EQ(s.codeTable[9].first, "CODE9LONGNAME");
}

TEST_F(SettingsTest, ApplyAndSaveCodeRules) {
  write("[CODE]\r\nL=公路\r\nS=水渠\r\n");
  TabulixSettings s;
  LoadSettings(ini, s);
  std::vector<CodePair> rows = s.codeTable;
  rows[0] = {" L ", " 公路 "};
  rows[1] = {"", ""};   // S removed from the list
  rows[2] = {"Q", ""};  // code without remark: dropped
  rows[3] = {"T", "铁路"};
  s.codeTable = ApplyCodeTable(rows);
  ASSERT_EQ(s.codeTable.size(), 10u);
  EXPECT_EQ(s.codeTable[0], (CodePair{"L", "公路"}));
  EXPECT_EQ(s.codeTable[1], (CodePair{"T", "铁路"}));
  EXPECT_EQ(s.codeTable[2], (CodePair{"", ""}));
  ASSERT_TRUE(SaveSettings(ini, s));
  EXPECT_EQ(win::getProfileKeyNames(ini, "CODE"), (std::vector<std::string>{"L", "S", "T"}));
  EXPECT_EQ(win::getProfileString(ini, "SETTING", "ColnumNum", ""), "3");
  EXPECT_EQ(win::getProfileString(ini, "HEAD", "表头4", ""), "与起点距离");
}

TEST(CodeEntry, UpperCasesAndKeepsTwoLetters) {
  EXPECT_EQ(NormalizeCode("l"), "L");
  EXPECT_EQ(NormalizeCode("ab"), "AB");
  EXPECT_EQ(NormalizeCode("a1bc"), "AB");
  EXPECT_EQ(NormalizeCode("公路x"), "X");
  EXPECT_FALSE(NormalizeCode("12").has_value());
  EXPECT_FALSE(NormalizeCode("").has_value());
}

}  // namespace
