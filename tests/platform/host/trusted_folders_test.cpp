#include "platform/host/trusted_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace host {
namespace {

namespace fs = std::filesystem;

struct TrustedFoldersTest : ::testing::Test {
  TrustedFoldersTest() {
    root = fs::temp_directory_path() /
           ("kestra_trusted_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "plugins" / "sub");
    fs::create_directories(root / "elsewhere");
  }
  ~TrustedFoldersTest() override { fs::remove_all(root); }
  std::string at(const char* rel) const { return (root / rel).string(); }
  fs::path root;
};

TEST_F(TrustedFoldersTest, OnlyTheListedFolderUnlessMarkedWithSubfolders) {
  std::string list = " ";
  list.append(at("plugins")).append(" ;;").append(at("elsewhere/")).append(";");
  TrustedFolders t(list);
  EXPECT_TRUE(t.trusts(at("plugins/a.so")));
  EXPECT_TRUE(t.trusts(at("elsewhere/a.so")));
  EXPECT_FALSE(t.trusts(at("plugins/sub/a.so")));
  EXPECT_FALSE(t.trusts(at("a.so")));

  TrustedFolders deep(at("plugins") + "/...");
  EXPECT_TRUE(deep.trusts(at("plugins/sub/a.so")));
  EXPECT_TRUE(deep.trusts(at("plugins/a.so")));
  EXPECT_FALSE(deep.trusts(at("elsewhere/a.so")));
  // A folder whose name merely starts like the trusted one is another folder.
  fs::create_directories(root / "pluginsX");
  EXPECT_FALSE(deep.trusts(at("pluginsX/a.so")));
  EXPECT_TRUE(TrustedFolders().empty());
  EXPECT_FALSE(TrustedFolders("").trusts(at("plugins/a.so")));
}

TEST_F(TrustedFoldersTest, DotDotAndLinksAreResolvedBeforeJudging) {
  TrustedFolders t(at("plugins"));
  EXPECT_FALSE(t.trusts(at("plugins/../elsewhere/a.so")));
  EXPECT_TRUE(t.trusts(at("elsewhere/../plugins/a.so")));
  // A link inside the trusted folder that points elsewhere does not make "elsewhere" trusted.
  std::ofstream(root / "elsewhere" / "real.so") << "x";
  fs::create_symlink(root / "elsewhere" / "real.so", root / "plugins" / "link.so");
  EXPECT_FALSE(t.trusts(at("plugins/link.so")));
}

}  // namespace
}  // namespace host
