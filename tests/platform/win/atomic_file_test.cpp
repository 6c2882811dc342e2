#include "platform/win/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

std::size_t temporaries(const fs::path& folder) {
  std::size_t n = 0;
  for (const auto& e : fs::directory_iterator(folder)) {
    n += win::isTemporaryFileName(e.path().filename().string()) ? 1 : 0;
  }
  return n;
}

// Folders, devices, FIFOs and the endless or unreadable files of /dev and /proc are refused
// with a reason instead of being read until memory runs out or throwing.
TEST(ReadFileBytes, RefusesWhatIsNotARegularFile) {
  TempDir dir;
  std::string why;
  EXPECT_FALSE(win::readFileBytes(dir.path(), &why));
  EXPECT_EQ(why, "is a folder");
  EXPECT_FALSE(win::readFileBytes("/dev/zero", &why));
  EXPECT_EQ(why, "is a device");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(win::readFileBytes(dir / "fifo", &why));  // and does not wait for a writer
  EXPECT_EQ(why, "is a FIFO");
  EXPECT_FALSE(win::readFileBytes("/proc/self/mem", &why));
  EXPECT_FALSE(win::readFileBytes(dir / "missing", &why));
  EXPECT_EQ(why, "does not exist");

  ASSERT_TRUE(win::writeFileAtomically(dir / "big", std::string(100, 'x')));
  EXPECT_FALSE(win::readFileBytes(dir / "big", &why, 99));
  EXPECT_EQ(why, "is too large");
  EXPECT_EQ(win::readFileBytes(dir / "big", &why, 100)->size(), 100u);
  EXPECT_TRUE(win::readFileBytes("/proc/self/status"));  // reports size 0, has content
}

TEST(WriteFileAtomically, WritesThroughDevicesAndFifosAndFollowsLinks) {
  TempDir dir;
  std::string why;
  // A device is written, not replaced (as root, a rename would replace the node itself).
  EXPECT_TRUE(win::writeFileAtomically("/dev/null", "x", &why)) << why;
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_FALSE(win::writeFileAtomically("/dev/full", "x", &why));
  EXPECT_EQ(why, "could not be written whole");

  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    const int fd = ::open(fifo.c_str(), O_RDONLY);
    char buf[64];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) received.append(buf, static_cast<size_t>(n));
    ::close(fd);
  });
  EXPECT_TRUE(win::writeFileAtomically(fifo, "through the pipe", &why)) << why;
  reader.join();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_TRUE(fs::is_fifo(fifo));

  // A link stays a link; its target gets the new bytes, through a rename beside the target.
  fs::create_directory(dir / "real");
  ASSERT_TRUE(win::writeFileAtomically(dir / "real/target.svg", "old"));
  fs::create_symlink("real/target.svg", dir / "link.svg");
  fs::create_symlink("link.svg", dir / "link2.svg");
  EXPECT_TRUE(win::writeFileAtomically(dir / "link2.svg", "new", &why)) << why;
  EXPECT_TRUE(fs::is_symlink(dir / "link.svg"));
  EXPECT_TRUE(fs::is_symlink(dir / "link2.svg"));
  EXPECT_EQ(*win::readFileBytes(dir / "real/target.svg"), "new");
  // A dangling link creates its target.
  fs::create_symlink("real/made.svg", dir / "dangling.svg");
  EXPECT_TRUE(win::writeFileAtomically(dir / "dangling.svg", "made"));
  EXPECT_EQ(*win::readFileBytes(dir / "real/made.svg"), "made");
  fs::create_symlink("loop", dir / "loop");
  EXPECT_FALSE(win::writeFileAtomically(dir / "loop", "x", &why));

  EXPECT_FALSE(win::writeFileAtomically(dir / "real", "x", &why));
  EXPECT_EQ(why, "is a folder");
  EXPECT_TRUE(fs::is_directory(dir / "real"));
  EXPECT_EQ(temporaries(dir.path()) + temporaries(dir / "real"), 0u);
}

// A killed run's temporary file is removed by the next write into its folder once it is a
// day old; a fresh one may still be in use by another run and stays.
// A file its owner made read-only is not replaced; a missing folder is named as such.
TEST(WriteFileAtomically, RefusesReadOnlyFilesAndNamesAMissingFolder) {
  TempDir dir;
  std::string why;
  EXPECT_FALSE(win::writeFileAtomically(dir / "none" / "x.txt", "x", &why));
  EXPECT_EQ(why, "cannot be written (no such folder)");
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write any file";
  ASSERT_TRUE(win::writeFileAtomically(dir / "kept.txt", "old", &why));
  fs::permissions(dir / "kept.txt", fs::perms::owner_read);
  EXPECT_FALSE(win::writeFileAtomically(dir / "kept.txt", "new", &why));
  EXPECT_EQ(why, "cannot be written (the file is read-only)");
  EXPECT_EQ(win::readFileBytes(dir / "kept.txt"), "old");
}

TEST(WriteFileAtomically, RemovesStaleTemporariesOfItsOwnNaming) {
  TempDir dir;
  const fs::path stale = dir / ".out.dxf.partial-Ab12Cd", fresh = dir / ".out.dxf.partial-Zz99Yy";
  const fs::path other = dir / ".out.dxf.Ab12Cd";  // not ours
  for (const auto& f : {stale, fresh, other}) ASSERT_TRUE(win::writeFileAtomically(f, "x"));
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(25);
  fs::last_write_time(stale, old);
  fs::last_write_time(other, old);
  ASSERT_TRUE(win::writeFileAtomically(dir / "out.dxf", "drawing"));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(fresh));
  EXPECT_TRUE(fs::exists(other));
}

// SIGTERM during a write removes the temporary file before the program dies of it.
TEST(WriteFileAtomically, SignalsRemoveTheTemporaryFile) {
  TempDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Large enough that the write (and its flush) is still under way when the signal comes.
    const std::string big(std::size_t{128} << 20, 'x');
    (void)win::writeFileAtomically(dir / "big.dxf", big);
    ::_exit(0);
  }
  for (int i = 0; i < 5000 && temporaries(dir.path()) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_EQ(temporaries(dir.path()), 0u);
  EXPECT_FALSE(fs::exists(dir / "big.dxf"));
}

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

  // a link among the files is followed and its target replaced, as for a single file
  std::filesystem::create_symlink(dir / "a.txt", dir / "link.txt");
  files = {{dir / "link.txt", "via link"}, {dir / "b.txt", "newer b"}};
  ASSERT_TRUE(win::writeFilesAtomically(files));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
  EXPECT_EQ(win::readFileBytes(dir / "a.txt"), "via link");
}

}  // namespace
