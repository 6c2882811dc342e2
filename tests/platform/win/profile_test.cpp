#include "platform/win/profile.h"

#include <gtest/gtest.h>

#include "platform/win/atomic_file.h"
#include "platform/win/codepage.h"
#include "platform/win/module_path.h"
#include "platform/win/registry.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

class ProfileTest : public ::testing::Test {
 protected:
  void write(const std::string& utf8) {
    ASSERT_TRUE(win::writeFileAtomically(ini, win::utf8ToGbk(utf8)));
  }
  TempDir dir;
  std::filesystem::path ini = dir / "Tabulix.ini";
};

TEST_F(ProfileTest, ReadsValuesDefaultsAndQuotes) {
  write(
      "; settings\r\n[SETTING]\r\nColnumNum = 5 \r\nDecimalNum=abc\r\nRenumber=\r\n"
      "Neg=-3\r\nHex=0x1F\r\nPart=12px\r\n[HEAD]\r\n表头0=注释\r\n"
      "[CODE]\r\nL=\"公路\"\r\nS='水渠'\r\nQ=\"half\r\nD=\"\"双\"\"\r\n[code]\r\nL=ignored\r\n");
  EXPECT_EQ(win::getProfileInt(ini, "setting", "COLNUMNUM", 3), 5);
  EXPECT_EQ(win::getProfileInt(ini, "SETTING", "DecimalNum", 3), 0);  // not a number
  EXPECT_EQ(win::getProfileInt(ini, "SETTING", "Renumber", 7), 7);    // empty value
  EXPECT_EQ(win::getProfileInt(ini, "SETTING", "KneePnt", 2), 2);     // missing
  EXPECT_EQ(win::getProfileInt(ini, "SETTING", "Neg", 0), -3);
  EXPECT_EQ(win::getProfileInt(ini, "SETTING", "Hex", 0), 31);
  EXPECT_EQ(win::getProfileInt(ini, "SETTING", "Part", 0), 12);
  EXPECT_EQ(win::getProfileString(ini, "HEAD", "表头0", "编号"), "注释");
  EXPECT_EQ(win::getProfileString(ini, "HEAD", "表头1", "坐标X  "), "坐标X");
  EXPECT_EQ(win::getProfileString(ini, "CODE", "L", ""), "公路");  // first section wins
  EXPECT_EQ(win::getProfileString(ini, "CODE", "S", ""), "水渠");
  EXPECT_EQ(win::getProfileString(ini, "CODE", "Q", ""), "\"half");
  EXPECT_EQ(win::getProfileString(ini, "CODE", "D", ""), "\"双\"");
  EXPECT_EQ(win::getProfileString(dir / "missing.ini", "A", "B", "dflt"), "dflt");
}

TEST_F(ProfileTest, ListsKeyAndSectionNamesWhole) {
  std::string text = "[CODE]\r\n";
  std::vector<std::string> expected;
  for (int i = 0; i < 40; ++i) {
    const std::string name = "CODE_NAME_LONGER_THAN_THIRTY_CHARACTERS_" + std::to_string(i);
    text += name + "=remark\r\n";
    expected.push_back(name);
  }
  text += "no equals sign\r\n;comment=1\r\n[SETTING]\r\n[HEAD]\r\n";
  write(text);
  EXPECT_EQ(win::getProfileKeyNames(ini, "code"), expected);
  EXPECT_EQ(win::getProfileSectionNames(ini),
            (std::vector<std::string>{"CODE", "SETTING", "HEAD"}));
  EXPECT_TRUE(win::getProfileKeyNames(ini, "NONE").empty());
}

TEST_F(ProfileTest, WritesKeepOtherLinesAndEncoding) {
  write("; keep me\r\n[SETTING]\r\nColnumNum=3\r\n\r\n[CODE]\r\nL=公路\r\n");
  ASSERT_TRUE(win::writeProfileString(ini, "SETTING", "colnumnum", "9"));
  ASSERT_TRUE(win::writeProfileString(ini, "SETTING", "DecimalNum", "2"));
  ASSERT_TRUE(win::writeProfileString(ini, "CODE", "E", "€😀"));  // needs GB18030
  ASSERT_TRUE(win::writeProfileString(ini, "HEAD", "表头0", "编号"));
  ASSERT_TRUE(win::writeProfileString(ini, "CODE", "L", std::nullopt));
  const std::string bytes = *win::readFileBytes(ini);
  EXPECT_EQ(win::gbkToUtf8(bytes),
            "; keep me\r\n[SETTING]\r\ncolnumnum=9\r\nDecimalNum=2\r\n\r\n[CODE]\r\nE=€😀\r\n"
            "\r\n[HEAD]\r\n表头0=编号\r\n");
  EXPECT_EQ(win::getProfileString(ini, "CODE", "E", ""), "€😀");

  // A UTF-8 file with a byte-order mark is read as UTF-8 and stays UTF-8.
  ASSERT_TRUE(win::writeFileAtomically(ini, "\xEF\xBB\xBF[CODE]\r\nL=公路\r\n"));
  EXPECT_EQ(win::getProfileString(ini, "CODE", "L", ""), "公路");
  ASSERT_TRUE(win::writeProfileString(ini, "CODE", "S", "水渠"));
  EXPECT_EQ(*win::readFileBytes(ini), "\xEF\xBB\xBF[CODE]\r\nL=公路\r\nS=水渠\r\n");
}

TEST_F(ProfileTest, WriteIntoMissingFolderFailsWithoutCrash) {
  EXPECT_FALSE(win::writeProfileString(dir / "no/such/folder.ini", "A", "B", "C"));
}

TEST(ModulePath, FindsTheTestProgramItself) {
  static int marker = 0;
  const auto name = win::moduleFileName(&marker);
  ASSERT_TRUE(name.has_value());
  EXPECT_TRUE(name->ends_with("/test_win")) << *name;
  EXPECT_EQ(win::moduleFolder(&marker), win::folderOf(*name));
  EXPECT_EQ(win::folderOf("C:\\plug\\ruvo.grx"), "C:\\plug");
  EXPECT_EQ(win::folderOf("plain"), "");
}

}  // namespace

namespace {

// A whole section in one reading, as the key-by-key reads give it: first of duplicate keys
// (in any case), values trimmed and unquoted, other sections and comments left out.
TEST(Profile, SectionReadsInOnePassAsKeyByKey) {
  testing_support::TempDir dir;
  const auto ini = dir / "t.ini";
  ASSERT_TRUE(win::writeFileAtomically(
      ini,
      win::utf8ToGbk(
          "[A]\r\nx=1\r\n[CODE]\r\nL = '公路' \r\n; note\r\nS=水渠\r\nl=again\r\n[B]\r\ny=2\r\n")));
  const auto pairs = win::getProfileSection(ini, "code");
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"L", "公路"}));
  EXPECT_EQ(pairs[1], (std::pair<std::string, std::string>{"S", "水渠"}));
  for (const auto& [key, value] : pairs)
    EXPECT_EQ(win::getProfileString(ini, "CODE", key, ""), value);
  EXPECT_TRUE(win::getProfileSection(ini, "missing").empty());
}

}  // namespace

namespace {

// Settings files go through the one atomic writer too: a linked INI or hive stays linked.
TEST(Profile, LinkedSettingsFilesStayLinked) {
  testing_support::TempDir dir;
  std::filesystem::create_symlink("real.ini", dir / "link.ini");
  ASSERT_TRUE(win::writeProfileString(dir / "link.ini", "S", "k", "v"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
  EXPECT_EQ(win::getProfileString(dir / "real.ini", "S", "k", ""), "v");
  EXPECT_FALSE(win::writeProfileString(dir.path(), "S", "k", "v"));

  std::filesystem::create_symlink("real.reg", dir / "link.reg");
  win::Registry reg(dir / "link.reg");
  win::RegKey key;
  ASSERT_EQ(reg.createKey("K", key), win::RegStatus::Success);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.reg"));
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "real.reg"));
}

}  // namespace
