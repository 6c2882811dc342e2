#include "platform/win/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/win/atomic_file.h"
#include "platform/win/codepage.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;
using win::RegStatus;

class RegistryTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path hive = dir / "kestra/registry.reg";
};

TEST_F(RegistryTest, TypedValuesRoundTripThroughTheFile) {
  {
    win::Registry reg(hive);
    win::RegKey key;
    ASSERT_EQ(reg.createKey("Software\\Korvane\\Ridav", key), RegStatus::Success);
    EXPECT_EQ(key.setString("strPmName", "剖面图 \"A\\B\""), RegStatus::Success);
    EXPECT_EQ(key.setExpandString("Path", "%HOME%\\bin"), RegStatus::Success);
    EXPECT_EQ(key.setDword("KneePnt", 0xFFFFFFFEu), RegStatus::Success);
    EXPECT_EQ(key.setBinary("Blob", {0, 1, 0xFF}), RegStatus::Success);
    EXPECT_EQ(key.setString("", "default"), RegStatus::Success);
    EXPECT_EQ(key.setString("Multi", "line1\r\nline2"), RegStatus::Success);
  }
  win::Registry reg(hive);  // a fresh process's view
  win::RegKey key;
  ASSERT_EQ(reg.openKey("software\\KORVANE\\ridav", key), RegStatus::Success);
  EXPECT_EQ(key.queryString("STRPMNAME"), "剖面图 \"A\\B\"");
  EXPECT_EQ(key.queryString("Path"), "%HOME%\\bin");
  EXPECT_EQ(key.queryDword("KneePnt"), 0xFFFFFFFEu);
  EXPECT_EQ(key.queryBinary("Blob"), (std::vector<std::uint8_t>{0, 1, 0xFF}));
  EXPECT_EQ(key.queryString(""), "default");
  EXPECT_EQ(key.queryString("Multi"), "line1\r\nline2");
  EXPECT_FALSE(key.queryDword("strPmName").has_value());  // wrong type
  EXPECT_FALSE(key.queryString("KneePnt").has_value());

  const std::string text = win::gbkToUtf8(*win::readFileBytes(hive));
  EXPECT_TRUE(text.starts_with("REGEDIT4\r\n"));
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Korvane\\Ridav]\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"strPmName\"=\"剖面图 \\\"A\\\\B\\\"\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"KneePnt\"=dword:fffffffe\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Blob\"=hex:00,01,ff\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Path\"=hex(2):25,48,4f,4d,45,25,5c,62,69,6e,00\r\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"default\""), std::string::npos);
}

TEST_F(RegistryTest, QueryReportsSizesAndMoreDataAsWindowsDoes) {
  win::Registry reg(hive);
  win::RegKey key;
  ASSERT_EQ(reg.createKey("K", key), RegStatus::Success);
  ASSERT_EQ(key.setString("s", "abc"), RegStatus::Success);
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(key.queryValue("s", &type, nullptr, &size), RegStatus::Success);
  EXPECT_EQ(type, win::kRegSz);
  EXPECT_EQ(size, 8u);  // three UTF-16 units and the terminating zero
  char small[4];
  size = sizeof small;
  EXPECT_EQ(key.queryValue("s", &type, small, &size), RegStatus::MoreData);
  EXPECT_EQ(size, 8u);
  char exact[8];
  size = sizeof exact;
  EXPECT_EQ(key.queryValue("s", &type, exact, &size), RegStatus::Success);
  EXPECT_EQ(std::string(exact, 8), std::string("a\0b\0c\0\0\0", 8));
  EXPECT_EQ(key.queryValue("missing", &type, exact, &size), RegStatus::FileNotFound);
  win::RegKey closed;
  EXPECT_EQ(closed.queryValue("s", &type, exact, &size), RegStatus::InvalidHandle);
}

TEST_F(RegistryTest, OpenCreateAndDeleteKeys) {
  win::Registry reg(hive);
  win::RegKey key;
  EXPECT_EQ(reg.openKey("Software\\Host\\Applications", key), RegStatus::FileNotFound);
  EXPECT_FALSE(key.isOpen());
  bool created = false;
  ASSERT_EQ(reg.createKey("Software\\Host\\Applications\\ZRK\\Sub", key, &created),
            RegStatus::Success);
  EXPECT_TRUE(created);
  ASSERT_EQ(key.setDword("x", 1), RegStatus::Success);
  ASSERT_EQ(reg.createKey("Software\\Host\\Applications\\ZRK\\Sub", key, &created),
            RegStatus::Success);
  EXPECT_FALSE(created);
  win::RegKey apps, zrkSibling;
  ASSERT_EQ(reg.openKey("Software\\Host\\Applications", apps), RegStatus::Success);
  ASSERT_EQ(apps.createSubKey("ZRK2", zrkSibling), RegStatus::Success);
  std::vector<std::string> names;
  ASSERT_EQ(apps.subKeyNames(names), RegStatus::Success);
  EXPECT_EQ(names, (std::vector<std::string>{"ZRK", "ZRK2"}));

  EXPECT_EQ(apps.deleteSubKeyTree("zrk"), RegStatus::Success);
  EXPECT_EQ(apps.deleteSubKeyTree("ZRK"), RegStatus::FileNotFound);
  EXPECT_EQ(key.setDword("y", 2), RegStatus::KeyDeleted);  // handle into the deleted tree
  win::RegKey again;
  EXPECT_EQ(reg.openKey("Software\\Host\\Applications\\ZRK2", again), RegStatus::Success);
  EXPECT_EQ(apps.deleteValue("none"), RegStatus::FileNotFound);
  ASSERT_EQ(apps.setDword("v", 3), RegStatus::Success);
  EXPECT_EQ(apps.deleteValue("V"), RegStatus::Success);
  EXPECT_FALSE(apps.queryDword("v").has_value());
}

TEST_F(RegistryTest, ReadsHandWrittenAndUnicodeExportsAndSkipsGarbage) {
  std::filesystem::create_directories(hive.parent_path());
  const std::string text =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Other]\r\n\"x\"=\"y\"\r\n"
      "[HKEY_CURRENT_USER\\A]\r\n\"n\"=dword:0000000a\r\n\"b\"=hex:01,02,\\\r\n  03\r\n"
      "this is not a value\r\n\"s\"=\"高程\"\r\n";
  ASSERT_TRUE(win::writeFileAtomically(hive, win::utf8ToGbk(text)));
  bool clean = true;
  win::Hive h = win::Hive::fromText(*win::readFileBytes(hive), "HKEY_CURRENT_USER", &clean);
  EXPECT_FALSE(clean);
  EXPECT_EQ(h.keyCount(), 1u);
  win::Registry reg(hive);
  win::RegKey key;
  ASSERT_EQ(reg.openKey("A", key), RegStatus::Success);
  EXPECT_EQ(key.queryDword("n"), 10u);
  EXPECT_EQ(key.queryBinary("b"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(key.queryString("s"), "高程");
  EXPECT_EQ(reg.openKey("Other", key), RegStatus::FileNotFound);
}

// A hive that does not read cleanly is the user's, not ours: its values are used as far as
// they read, one warning names the line, and nothing is ever written over it.
TEST_F(RegistryTest, NeverWritesOverAHiveThatDidNotReadCleanly) {
  std::filesystem::create_directories(hive.parent_path());
  const std::string text =
      "REGEDIT4\r\n\r\n; my settings\r\n[HKEY_CURRENT_USER\\Software\\Ridav\r\n"
      "\"XScale\"=\"500\"\r\n\r\n[HKEY_CURRENT_USER\\Other]\r\n\"k\"=\"v\"\r\n";
  ASSERT_TRUE(win::writeFileAtomically(hive, text));
  std::vector<std::string> warnings;
  win::Registry::setWarningSink([&](const std::string& w) { warnings.push_back(w); });
  {
    win::Registry reg(hive);
    win::RegKey key;
    ASSERT_EQ(reg.openKey("Software\\Ridav", key), RegStatus::Success);
    EXPECT_EQ(key.queryString("XScale"), "500");
    EXPECT_EQ(key.setString("XScale", "1000"), RegStatus::AccessDenied);
    EXPECT_EQ(reg.createKey("New", key), RegStatus::AccessDenied);
    ASSERT_TRUE(reg.readProblem());
    EXPECT_NE(reg.readProblem()->find("registry.reg line 4: not understood"), std::string::npos);
  }
  EXPECT_EQ(*win::readFileBytes(hive), text);
  ASSERT_EQ(warnings.size(), 1u);

  // A folder where the hive should be: nothing read, nothing written, no exception.
  std::filesystem::remove(hive);
  std::filesystem::create_directory(hive);
  warnings.clear();
  {
    win::Registry reg(hive);
    win::RegKey key;
    EXPECT_EQ(reg.createKey("K", key), RegStatus::AccessDenied);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("is a folder"), std::string::npos);
  }
  EXPECT_TRUE(std::filesystem::is_directory(hive));
  win::Registry::setWarningSink(nullptr);
}

TEST_F(RegistryTest, ReadsUnicodeExportsOfNewerEditors) {
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\U]\r\n"
      u"\"t\"=\"高程\"\r\n\"e\"=hex(2):25,00,41,00,25,00,00,00\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  bool clean = false;
  win::Hive h = win::Hive::fromText(bytes, "HKEY_CURRENT_USER", &clean);
  EXPECT_TRUE(clean);
  const win::RegKeyNode* key = h.find("u");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(win::regStringText(win::Hive::findValue(*key, "t")->data), "高程");
  EXPECT_EQ(win::regStringText(win::Hive::findValue(*key, "E")->data), "%A%");
}

TEST_F(RegistryTest, LongBinaryValuesWrapAndReadBack) {
  win::Registry reg(hive);
  win::RegKey key;
  ASSERT_EQ(reg.createKey("K", key), RegStatus::Success);
  std::vector<std::uint8_t> big(300);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_EQ(key.setBinary("big", big), RegStatus::Success);
  const std::string text = *win::readFileBytes(hive);
  EXPECT_NE(text.find(",\\\r\n  "), std::string::npos);
  bool clean = false;
  win::Hive h = win::Hive::fromText(text, "HKEY_CURRENT_USER", &clean);
  EXPECT_TRUE(clean);
  win::Registry fresh(hive);
  ASSERT_EQ(fresh.openKey("K", key), RegStatus::Success);
  EXPECT_EQ(key.queryBinary("big"), big);
}

// Two processes write many values at once; each write is a read-modify-write of the whole
// file, so without the lock one process would drop the other's values.
TEST_F(RegistryTest, ConcurrentWritersLoseNothingAndKeepTheFileWhole) {
  constexpr int kWrites = 60;
  auto writer = [&](const char* prefix) {
    win::Registry reg(hive);
    win::RegKey key;
    if (reg.createKey("Software\\Shared", key) != RegStatus::Success) _exit(3);
    for (int i = 0; i < kWrites; ++i) {
      if (key.setDword(std::string(prefix) + std::to_string(i), static_cast<std::uint32_t>(i)) !=
          RegStatus::Success) {
        _exit(4);
      }
      // Every file a reader can see must parse completely.
      bool clean = false;
      auto bytes = win::readFileBytes(hive);
      if (!bytes) _exit(5);
      win::Hive::fromText(*bytes, "HKEY_CURRENT_USER", &clean);
      if (!clean) _exit(6);
    }
    _exit(0);
  };
  pid_t a = fork();
  if (a == 0) writer("a");
  pid_t b = fork();
  if (b == 0) writer("b");
  int statusA = 0, statusB = 0;
  ASSERT_EQ(waitpid(a, &statusA, 0), a);
  ASSERT_EQ(waitpid(b, &statusB, 0), b);
  EXPECT_TRUE(WIFEXITED(statusA) && WEXITSTATUS(statusA) == 0) << statusA;
  EXPECT_TRUE(WIFEXITED(statusB) && WEXITSTATUS(statusB) == 0) << statusB;

  win::Registry reg(hive);
  win::RegKey key;
  ASSERT_EQ(reg.openKey("Software\\Shared", key), RegStatus::Success);
  std::vector<std::string> names;
  ASSERT_EQ(key.valueNames(names), RegStatus::Success);
  EXPECT_EQ(names.size(), 2u * kWrites);
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_EQ(key.queryDword("a" + std::to_string(i)), static_cast<std::uint32_t>(i));
    EXPECT_EQ(key.queryDword("b" + std::to_string(i)), static_cast<std::uint32_t>(i));
  }
}

TEST_F(RegistryTest, DefaultHiveFollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", "/tmp/xdg-test", 1);
  EXPECT_EQ(win::Registry::defaultHivePath(), "/tmp/xdg-test/kestra/registry.reg");
  if (old) {
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace

namespace {

TEST_F(RegistryTest, BatchWritesTheFileOnceWhenTheOutermostBatchEnds) {
  win::Registry reg(hive);
  {
    win::RegistryBatch outer(reg);
    win::RegKey key;
    ASSERT_EQ(reg.createKey("Software\\Batch", key), RegStatus::Success);
    {
      win::RegistryBatch inner(reg);
      EXPECT_EQ(key.setDword("one", 1), RegStatus::Success);
    }
    EXPECT_EQ(key.setString("two", "二"), RegStatus::Success);
    // Its own calls see the changes; the file does not have them yet.
    EXPECT_EQ(key.queryDword("one"), 1u);
    EXPECT_EQ(key.queryString("two"), "二");
    EXPECT_FALSE(std::filesystem::exists(hive));
  }
  win::Registry other(hive);
  win::RegKey key;
  ASSERT_EQ(other.openKey("Software\\Batch", key), RegStatus::Success);
  EXPECT_EQ(key.queryDword("one"), 1u);
  EXPECT_EQ(key.queryString("two"), "二");

  // A batch that changes nothing leaves the file alone; a failed call inside changes nothing.
  const auto before = std::filesystem::last_write_time(hive);
  {
    win::RegistryBatch batch(reg);
    win::RegKey missing, same;
    EXPECT_EQ(reg.openKey("Software\\Missing", missing), RegStatus::FileNotFound);
    ASSERT_EQ(reg.openKey("Software\\Batch", same), RegStatus::Success);
    EXPECT_EQ(same.deleteValue("three"), RegStatus::FileNotFound);
    EXPECT_EQ(batch.commit(), RegStatus::Success);
  }
  EXPECT_EQ(std::filesystem::last_write_time(hive), before);
}

}  // namespace
