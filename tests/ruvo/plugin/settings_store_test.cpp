#include "ruvo/settings/settings_store.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

using namespace ruvo;
using testing_support::TempDir;

class SettingsTest : public ::testing::Test {
 protected:
  win::RegKey settingsKey() {
    win::RegKey key;
    EXPECT_EQ(registry.createKey(kSettingsKey, key), win::RegStatus::Success);
    return key;
  }
  TempDir dir;
  win::Registry registry{dir / "registry.reg"};
};

TEST_F(SettingsTest, FirstReadStoresEveryDefault) {
  CDocData doc;
  ReadSettings(registry, doc);
  win::RegKey key = settingsKey();
  EXPECT_EQ(key.queryString("XYScale"), "1000.0");
  EXPECT_EQ(key.queryString("XScale"), "500.0");
  EXPECT_EQ(key.queryString("txtY"), "5.0");
  EXPECT_EQ(key.queryString("RodWidth"), "1.5");
  EXPECT_EQ(key.queryString("FilterHMax"), "9000.0");
  EXPECT_EQ(key.queryString("FilterHMin"), "1.0");
  EXPECT_EQ(key.queryString("AddNum"), "0.0");
  EXPECT_EQ(key.queryString("strPmName"), "剖面图");
  EXPECT_EQ(key.queryDword("bXYEqual"), 1u);
  EXPECT_EQ(key.queryDword("AutoAssign"), 1u);
  EXPECT_EQ(key.queryDword("SideDistance"), 5u);
  EXPECT_FALSE(key.queryDword("PltState").has_value());
  std::vector<std::string> names;
  key.valueNames(names);
  EXPECT_EQ(names.size(), 25u);
  EXPECT_EQ(names.front(), "AddNum");
  EXPECT_EQ(names.back(), "bSetHigh");
}

TEST_F(SettingsTest, StoredValuesAreTakenOverOrRepaired) {
  win::RegKey key = settingsKey();
  key.setDword("XScale", 250);                      // wrong type: replaced by the member as text
  key.setDword("KneePnt", 7);                       // taken unchanged
  key.setString("txtX", "abc");                     // no number: 0.0
  key.setString("YScale", "");                      // empty: repaired
  key.setString("FilterHMax", "nan");               // not finite: repaired
  key.setString("XYScale", std::string(150, '1'));  // over 200 bytes: repaired
  key.setString("RodWidth", "2.75mm");              // leading number
  CDocData doc;
  ReadSettings(registry, doc);
  EXPECT_EQ(doc.XScale, 500.0);
  EXPECT_EQ(key.queryString("XScale"), "500.0");
  EXPECT_EQ(doc.KneePnt, 7);
  EXPECT_EQ(doc.txtX, 0.0);
  EXPECT_EQ(key.queryString("txtX"), "abc");
  EXPECT_EQ(key.queryString("YScale"), "500.0");
  EXPECT_EQ(doc.FilterHMax, 9000.0);
  EXPECT_EQ(key.queryString("FilterHMax"), "9000.0");
  EXPECT_EQ(key.queryString("XYScale"), "1000.0");
  EXPECT_EQ(doc.RodWidth, 2.75);
}

// Numbers keep every digit they had: a tick step of 0.25 survives a restart.
TEST_F(SettingsTest, NumbersSurviveWriteAndRead) {
  EXPECT_EQ(SettingsNumberText(1000.0), "1000.0");
  EXPECT_EQ(SettingsNumberText(0.25), "0.25");
  EXPECT_EQ(SettingsNumberText(-3.0), "-3.0");
  EXPECT_EQ(SettingsNumberText(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(SettingsNumberText(1e-7), "0.0000001");
  CDocData doc;
  doc.txtX = 0.25;
  doc.XScale = 333.3333;
  doc.strPmName = std::string(150, 'T') + "剖面";  // longer than the 200-byte buffer
  doc.bSetHigh = 1;
  WriteSettings(registry, doc);
  CDocData again;
  ReadSettings(registry, again);
  EXPECT_EQ(again.txtX, 0.25);
  EXPECT_EQ(again.XScale, 333.3333);
  EXPECT_EQ(again.strPmName, doc.strPmName);
  EXPECT_EQ(again.bSetHigh, 1);
}

TEST_F(SettingsTest, PaletteStateAndLegacyEdition) {
  EXPECT_FALSE(ReadPltState(registry, Edition::Current));  // no key: not created
  EXPECT_FALSE(std::filesystem::exists(registry.hiveFile()));
  WritePltState(registry, true, Edition::Current);
  EXPECT_TRUE(ReadPltState(registry, Edition::Current));
  win::RegKey key = settingsKey();
  key.setString("PltState", "1");
  EXPECT_FALSE(ReadPltState(registry, Edition::Current));
  EXPECT_EQ(key.queryDword("PltState"), 0u);
  key.setDword("PltState", 2);
  EXPECT_FALSE(ReadPltState(registry, Edition::Current));

  key.deleteValue("PltState");
  WritePltState(registry, true, Edition::Legacy);
  EXPECT_FALSE(key.queryDword("PltState").has_value());
  EXPECT_FALSE(ReadPltState(registry, Edition::Legacy));
  EXPECT_EQ(ReadPaletteWidth(registry), 310);
  EXPECT_EQ(key.queryDword("nPaletteWidth"), 310u);
  key.setDword("nPaletteWidth", 280);
  EXPECT_EQ(ReadPaletteWidth(registry), 280);
}

class AutoLoadTest : public SettingsTest {
 protected:
  AutoLoadTarget target{"Software\\Host\\R1", "默认", "/opt/kestra/plugins/ruvo.so"};
  const std::string vars = "Software\\Host\\R1\\Profiles\\默认\\Variables";
  win::RegKey varsKey() {
    win::RegKey key;
    EXPECT_EQ(registry.createKey(vars, key), win::RegStatus::Success);
    return key;
  }
};

TEST_F(AutoLoadTest, RegistersTheLoaderAndTrustsTheFolder) {
  win::RegKey v = varsKey();
  v.setString("TRUSTEDPATHS", "");
  ASSERT_TRUE(EnableAutoLoad(registry, target, Edition::Current));
  win::RegKey app;
  ASSERT_EQ(registry.openKey("Software\\Host\\R1\\Applications\\ZRK", app),
            win::RegStatus::Success);
  EXPECT_EQ(app.queryDword("LOADCTRLS"), 2u);
  EXPECT_EQ(app.queryString("LOADER"), "/opt/kestra/plugins/ruvo.so");
  EXPECT_EQ(v.queryString("TRUSTEDPATHS"), ";/opt/kestra/plugins");
  ASSERT_TRUE(EnableAutoLoad(registry, target, Edition::Current));
  EXPECT_EQ(v.queryString("TRUSTEDPATHS"), ";/opt/kestra/plugins");  // already there

  ASSERT_TRUE(DisableAutoLoad(registry, target, Edition::Current));
  EXPECT_EQ(registry.openKey("Software\\Host\\R1\\Applications\\ZRK", app),
            win::RegStatus::FileNotFound);
  EXPECT_EQ(v.queryString("TRUSTEDPATHS"), ";/opt/kestra/plugins");
  const auto before = registry.snapshot().toText("HKEY_CURRENT_USER");
  EXPECT_FALSE(DisableAutoLoad(registry, target, Edition::Current));
  EXPECT_EQ(registry.snapshot().toText("HKEY_CURRENT_USER"), before);
}

TEST_F(AutoLoadTest, TrustedPathsOfAnyLengthAndMissingOnes) {
  // Missing value (and key): created holding the plug-in folder.
  ASSERT_TRUE(EnableAutoLoad(registry, target, Edition::Current));
  EXPECT_EQ(varsKey().queryString("TRUSTEDPATHS"), "/opt/kestra/plugins");

  // Longer than the 200 bytes a fixed buffer would hold: extended all the same.
  std::string many;
  for (int i = 0; i < 20; ++i) many += "/srv/folder" + std::to_string(i) + ";";
  many += "/opt/kestra/plugins2";  // a longer name that merely starts with the folder
  varsKey().setString("TRUSTEDPATHS", many);
  ASSERT_TRUE(EnableAutoLoad(registry, target, Edition::Current));
  EXPECT_EQ(varsKey().queryString("TRUSTEDPATHS"), many + ";/opt/kestra/plugins");

  varsKey().setDword("TRUSTEDPATHS", 5);  // of another type: left alone
  EnableAutoLoad(registry, target, Edition::Current);
  EXPECT_EQ(varsKey().queryDword("TRUSTEDPATHS"), 5u);
}

TEST_F(AutoLoadTest, LegacyEditionHasNoAutoLoad) {
  EXPECT_FALSE(EnableAutoLoad(registry, target, Edition::Legacy));
  EXPECT_FALSE(std::filesystem::exists(registry.hiveFile()));
}

}  // namespace
