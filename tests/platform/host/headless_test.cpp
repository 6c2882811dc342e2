#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "host_fixture.h"
#include "platform/win/registry.h"

namespace host {
namespace {

using headless::ScriptAnswer;
using HeadlessTest = testing::HostTest;

TEST(Script, TextFormRoundTripsAndBadLinesAreRefusedWhole) {
  for (const char* text : {"pick 1A", "pick-at 1.5,-2,0", "point 3,4,5", "cancel", "none",
                           "drag 10,20,0", "drag-cancel", "button yes", "text Window"}) {
    auto a = headless::parseScriptAnswer(text);
    ASSERT_TRUE(a) << text;
    auto again = headless::parseScriptAnswer(headless::describe(*a));
    ASSERT_TRUE(again) << headless::describe(*a);
    EXPECT_EQ(headless::describe(*again), headless::describe(*a));
  }
  EXPECT_EQ(headless::parseScriptAnswer("  POINT 1 , 2 ")->point, (geom::Point3d{1, 2, 0}));
  EXPECT_EQ(headless::parseScriptAnswer("text  a b ")->text, "a b");
  for (const char* bad :
       {"", "pick", "pick 0", "pick xyz", "point 1", "point 1,2,3,4", "point 1,nan", "point 1,inf",
        "drag 1,", "button maybe", "cancel now", "jump 1,2", "text", "text  "}) {
    EXPECT_FALSE(headless::parseScriptAnswer(bad)) << bad;
  }
  headless::InputScript script;
  EXPECT_EQ(script.pushText("# comment\npoint 1,2\n\nbogus\ncancel\n"), 4u);
  EXPECT_TRUE(script.empty());
  EXPECT_EQ(script.pushText("# comment\r\npoint 1,2\r\n\r\ncancel"), 0u);
  EXPECT_EQ(script.size(), 2u);
}

TEST_F(HeadlessTest, MessageBoxesTakeButtonsAndEscapeAsAUserWould) {
  UserInterface& ui = host().userInterface();
  host().script().push(ScriptAnswer::press(MessageBoxButton::Yes));
  host().script().push(ScriptAnswer::press(MessageBoxButton::Yes));  // not on an OK box
  host().script().push(ScriptAnswer::cancel());
  EXPECT_EQ(ui.messageBox("再试?", "Kestra", MessageBoxButtons::YesNo), MessageBoxButton::Yes);
  EXPECT_EQ(ui.messageBox("图件不是世界坐标系(WCS)", "Kestra"), MessageBoxButton::Ok);
  EXPECT_EQ(ui.messageBox("", "", MessageBoxButtons::OkCancel), MessageBoxButton::Cancel);
  // Exhausted: Escape.
  EXPECT_EQ(ui.messageBox("", "", MessageBoxButtons::RetryCancel), MessageBoxButton::Cancel);
  EXPECT_EQ(ui.messageBox("", "", MessageBoxButtons::YesNo), MessageBoxButton::No);
  std::string shown = take();
  EXPECT_NE(shown.find("[Kestra] 图件不是世界坐标系(WCS)\n"), std::string::npos);
  EXPECT_NE(shown.find("\"button yes\" does not answer this box"), std::string::npos);
  EXPECT_EQ(host().headlessUserInterface().messageBoxCount(), 5);
}

TEST_F(HeadlessTest, ViewIsFittedToTheScreenAndReadThroughVariables) {
  Display& display = host().display();
  SystemVariables& vars = host().variables();
  // 1280 x 800 pixels: a wide record keeps its width, a tall one its height.
  ASSERT_EQ(display.setCurrentView({{10, 20}, 5, 160}), Status::Normal);
  EXPECT_DOUBLE_EQ(std::get<double>(vars.getVariable("VIEWSIZE").value()), 100.0);
  EXPECT_EQ(std::get<geom::Point3d>(vars.getVariable("viewctr").value()),
            (geom::Point3d{10, 20, 0}));
  ASSERT_EQ(display.setCurrentView({{0, 0}, 40, 0}), Status::Normal);
  ViewRecord v = display.currentView();
  EXPECT_DOUBLE_EQ(v.height, 40.0);
  EXPECT_DOUBLE_EQ(v.width, 64.0);
  EXPECT_EQ(std::get<geom::Point2d>(vars.getVariable("SCREENSIZE").value()),
            (geom::Point2d{1280, 800}));
  // A zero or broken record leaves the view alone.
  EXPECT_EQ(display.setCurrentView({{5, 5}, 0, 0}), Status::InvalidInput);
  EXPECT_EQ(display.setCurrentView({{std::nan(""), 5}, 1, 1}), Status::InvalidInput);
  EXPECT_EQ(display.currentView().center, (geom::Point2d{0, 0}));

  EXPECT_EQ(std::get<int>(vars.getVariable("WORLDUCS").value()), 1);
  EXPECT_EQ(vars.setVariable("WORLDUCS", 0), Status::Rejected);
  EXPECT_EQ(vars.setVariable("VIEWSIZE", 3.0), Status::Rejected);
  host().headlessVariables().define("WORLDUCS", 0, true);
  EXPECT_EQ(std::get<int>(vars.getVariable("WORLDUCS").value()), 0);
  EXPECT_EQ(std::get<std::string>(vars.getVariable("CPROFILE").value()), "Default");
  EXPECT_EQ(vars.getVariable("NOSUCHVAR").status(), Status::NotFound);
  EXPECT_EQ(vars.setVariable("PICKBOX", std::string("big")), Status::InvalidInput);
  EXPECT_EQ(vars.setVariable("pickbox", 5), Status::Normal);
}

TEST_F(HeadlessTest, TemporaryVectorsLastUntilTheNextRedraw) {
  Display& display = host().display();
  EXPECT_EQ(display.drawVector({0, 0, 0}, {1, 1, 0}, 100), Status::Normal);
  EXPECT_EQ(display.drawVector({0, 1, 0}, {1, 0, 0}, 100, true), Status::Normal);
  EXPECT_EQ(display.drawVector({0, 0, 0}, {1, 1, 0}, 300), Status::InvalidInput);
  display.updateDisplay();
  const auto& vectors = host().headlessDisplay().temporaryVectors();
  ASSERT_EQ(vectors.size(), 2u);
  EXPECT_EQ(vectors[1].colour, 100);
  EXPECT_TRUE(vectors[1].highlight);
  display.redraw();
  EXPECT_TRUE(host().headlessDisplay().temporaryVectors().empty());
}

TEST_F(HeadlessTest, ServicesReportTheUserFolderRegistryRootAndProfile) {
  HostServices& s = host().services();
  std::string folder = s.userDataFolder();
  EXPECT_EQ(folder, tempFolder("data") + "/");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(s.registryProductRootKey(), "Software\\Kestra\\Host\\R1");
  EXPECT_EQ(s.currentProfileName(), "Default");
  EXPECT_EQ(s.moduleFileName(ModuleId{42}).status(), Status::NotFound);
}

TEST_F(HeadlessTest, SupportFilesAndSideDrawings) {
  namespace fs = std::filesystem;
  fs::path support = tempFolder("support"), site = tempFolder("site");
  fs::create_directories(support);
  fs::create_directories(site);
  std::ofstream(support / "acadiso.lin") << "*X,x\nA,1\n";
  std::ofstream(site / "acadiso.lin") << "*Y,y\nA,1\n";
  testing::MemoryFiles files;
  std::ostringstream out;
  headless::HeadlessOptions o;
  o.output = &out;
  o.files = files.io();
  o.supportFolders = {support.string()};
  headless::HeadlessHost h(std::move(o));
  HostServices& s = h.services();
  EXPECT_EQ(s.findFile("acadiso.lin").value(), (support / "acadiso.lin").string());
  // The current drawing's folder comes first.
  h.documents().openDocument((site / "plan.dxf").string());
  EXPECT_EQ(s.findFile("acadiso.lin").value(), (site / "acadiso.lin").string());
  EXPECT_EQ(s.findFile("missing.lin").status(), Status::NotFound);
  EXPECT_EQ(s.findFile((support / "acadiso.lin").string()).status(), Status::Normal);
  EXPECT_EQ(s.findFile("").status(), Status::InvalidInput);

  auto side = s.readDrawingFile("TK.dxf");
  ASSERT_TRUE(side.ok());
  EXPECT_TRUE(side.value()->layers().has("0"));
  EXPECT_EQ(h.documents().documentCount(), 1u);  // a side drawing is no document
  EXPECT_EQ(s.readDrawingFile("TK.dwg").status(), Status::FileError);
}

TEST(HeadlessFolders, PerUserFolderFollowsXdgDataHome) {
  const char* savedData = std::getenv("XDG_DATA_HOME");
  const char* savedHome = std::getenv("HOME");
  std::string data = savedData ? savedData : "", home = savedHome ? savedHome : "";
  setenv("XDG_DATA_HOME", "/tmp/xdg-data/", 1);
  EXPECT_EQ(headless::defaultUserDataFolder(), "/tmp/xdg-data/kestra/");
  setenv("XDG_DATA_HOME", "relative/ignored", 1);
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(headless::defaultUserDataFolder(), "/home/someone/.local/share/kestra/");
  unsetenv("XDG_DATA_HOME");
  unsetenv("HOME");
  EXPECT_EQ(headless::defaultUserDataFolder(), "");
  savedData ? setenv("XDG_DATA_HOME", data.c_str(), 1) : unsetenv("XDG_DATA_HOME");
  savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}

TEST_F(HeadlessTest, TypedCommandsAndMenuItemsRunThroughTheCommandStack) {
  int runs = 0;
  host().commands().addCommand("G", "_HELLO", "hello", 0, [&] { ++runs; });
  EXPECT_EQ(host().typeCommand("HELLO"), Status::Normal);
  EXPECT_EQ(host().typeCommand("nothing"), Status::NotFound);
  EXPECT_NE(take().find("Unknown command \"nothing\""), std::string::npos);
  PopupMenu* file = host().menus().menuGroups().item(0).value()->menus().item("File").value();
  file->addMenuItem(1, "&Hello", "^C^C_hello ");
  EXPECT_EQ(host().chooseMenuItem("file", "hello"), Status::Normal);
  EXPECT_EQ(host().chooseMenuItem("file", "no such item"), Status::NotFound);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(host().streamCommandLine().promptCount(), 3);
}

TEST(HeadlessTrust, TrustedPathsOfTheCurrentProfileComeFromTheRegistry) {
  auto dir = std::filesystem::temp_directory_path() / "kestra_host_test" / "registry";
  std::filesystem::create_directories(dir);
  win::Registry registry(dir / "registry.reg");
  win::RegKey key;
  ASSERT_EQ(registry.createKey("Software\\Kestra\\Host\\R1\\Profiles\\Default\\Variables", key),
            win::RegStatus::Success);
  ASSERT_EQ(key.setString("TRUSTEDPATHS", "/opt/one;/opt/two/..."), win::RegStatus::Success);
  EXPECT_EQ(headless::trustedPathsFromRegistry(registry, "Software\\Kestra\\Host\\R1", "Default"),
            "/opt/one;/opt/two/...");
  EXPECT_EQ(headless::trustedPathsFromRegistry(registry, "Software\\Kestra\\Host\\R1", "Other"),
            "");

  // The host asks at every load, so a path added while it runs counts at once.
  std::ostringstream out;
  headless::HeadlessOptions o;
  o.output = &out;
  o.registry = &registry;
  headless::HeadlessHost host(std::move(o));
  std::string module = std::string(KTEST_MODULE_DIR) + "/libktest_current.so";
  EXPECT_EQ(host.modules().loadModule(module).status, Status::Refused);
  key.setString("TRUSTEDPATHS", std::string("/opt/one;") + KTEST_MODULE_DIR);
  EXPECT_EQ(host.modules().loadModule(module).status, Status::Normal);
  std::filesystem::remove_all(dir);
}

TEST(HeadlessStartup, ModulesRegisteredForStartUpAreLoaded) {
  auto dir = std::filesystem::temp_directory_path() / "kestra_host_test" / "startup";
  std::filesystem::create_directories(dir);
  win::Registry registry(dir / "registry.reg");
  const std::string root = "Software\\Kestra\\Host\\R1\\Applications\\";
  std::string modules = KTEST_MODULE_DIR;
  struct App {
    const char* name;
    std::uint32_t controls;
    std::string loader;
  } apps[] = {{"ZRK", 2, modules + "/libktest_current.so"},
              {"LATER", 4, modules + "/libktest_legacy.so"},
              {"BROKEN", 2, modules + "/libktest_not_a_module.so"}};
  for (const App& app : apps) {
    win::RegKey key;
    ASSERT_EQ(registry.createKey(root + app.name, key), win::RegStatus::Success);
    key.setDword("LOADCTRLS", app.controls);
    key.setString("LOADER", app.loader);
  }
  std::ostringstream out;
  headless::HeadlessOptions o;
  o.output = &out;
  o.registry = &registry;
  o.trustedFolders = modules;
  headless::HeadlessHost host(std::move(o));
  EXPECT_EQ(host.loadStartupModules(), 1);
  ASSERT_EQ(host.modules().modules().size(), 1u);
  EXPECT_EQ(host.modules().modules()[0].fileName, apps[0].loader);
  EXPECT_NE(out.str().find("The application BROKEN was not loaded"), std::string::npos);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace host
