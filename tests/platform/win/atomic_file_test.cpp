#include "platform/win/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace {

TEST(WriteFilesAtomically, AllFilesOrNoneOfTheTargetsTouched) {
  testing_support::TempDir dir;
  ASSERT_TRUE(win::writeFileAtomically(dir / "a.txt", "old"));
  std::vector<win::FileImage> files = {{dir / "a.txt", "new a"}, {dir / "b.txt", "new b"}};
  ASSERT_TRUE(win::writeFilesAtomically(files));
  EXPECT_EQ(win::readFileBytes(dir / "a.txt"), "new a");
  EXPECT_EQ(win::readFileBytes(dir / "b.txt"), "new b");

  // a file in a folder that does not exist: nothing is replaced, no temporary file is left
  files = {{dir / "a.txt", "newer a"}, {dir / "missing" / "c.txt", "c"}};
  std::filesystem::path failed;
  EXPECT_FALSE(win::writeFilesAtomically(files, &failed));
  EXPECT_EQ(failed, dir / "missing" / "c.txt");
  EXPECT_EQ(win::readFileBytes(dir / "a.txt"), "new a");
  std::size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    entries += !e.is_directory();
  EXPECT_EQ(entries, 2u);
}

}  // namespace
