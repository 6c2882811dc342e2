#include <gtest/gtest.h>

#include "host_fixture.h"
#include "platform/host/module_manager.h"
#include "popup_menu_sequence.h"

namespace host {
namespace {

const std::string kModules = KTEST_MODULE_DIR;
std::string module(const char* name) { return kModules + "/libktest_" + name + ".so"; }

// Only the lines the test module printed, in order (a prompt may precede one on its line).
std::vector<std::string> moduleLines(const std::string& transcript) {
  std::vector<std::string> out;
  std::istringstream in(transcript);
  for (std::string line; std::getline(in, line);) {
    if (auto at = line.find("[ktest] "); at != std::string::npos)
      out.push_back(line.substr(at + 8));
  }
  return out;
}

class ModuleTest : public testing::HostTest {
 protected:
  ModuleTest() : HostTest(kModules) {}
  ModuleId load(const char* name) {
    ModuleResult r = host().modules().loadModule(module(name));
    EXPECT_EQ(r.status, Status::Normal) << r.reason;
    return r.id;
  }
  void mode(const char* m) {
    host().headlessVariables().define("KTESTMODE", std::string(m), false);
  }
};

using Lines = std::vector<std::string>;

TEST_F(ModuleTest, MessagesReactorsAndDataFollowTheDocumentsLifetime) {
  ModuleId id = load("current");
  EXPECT_EQ(moduleLines(take()), (Lines{"message 1", "menu abcdefjiklabcdefghi"}));
  const ModuleInfo* info = host().modules().find(id);
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(info->unlocked);
  EXPECT_TRUE(info->mdiAware);
  EXPECT_EQ(info->edition, ModuleEdition::Current);
  EXPECT_EQ(host().services().moduleFileName(id).value(), module("current"));

  Document& first = newDocument();
  EXPECT_EQ(moduleLines(take()), (Lines{"created Drawing1.dxf count 1 record 1 records 1",
                                        "activated Drawing1.dxf record 1", "message 3"}));
  Document& second = newDocument();
  EXPECT_EQ(moduleLines(take()), (Lines{"created Drawing2.dxf count 2 record 2 records 2",
                                        "activated Drawing2.dxf record 2", "message 3"}));
  host().typeCommand("ktest");
  ASSERT_EQ(host().documents().activateDocument(first), Status::Normal);
  host().typeCommand("_KTEST");
  EXPECT_EQ(moduleLines(take()), (Lines{"command ktest record 2", "activated Drawing1.dxf record 1",
                                        "command ktest record 1"}));
  // The data manager registered first, so its record is gone when the reactor hears.
  ASSERT_EQ(host().documents().closeDocument(second), Status::Normal);
  EXPECT_EQ(moduleLines(take()),
            (Lines{"to be destroyed Drawing2.dxf count 2 records 1", "message 4"}));
  ASSERT_EQ(host().documents().closeDocument(first), Status::Normal);
  EXPECT_EQ(moduleLines(take()),
            (Lines{"to be destroyed Drawing1.dxf count 1 records 0", "message 4"}));

  ASSERT_EQ(host().modules().unloadModule(id).status, Status::Normal);
  EXPECT_EQ(moduleLines(take()), (Lines{"message 2"}));
  EXPECT_TRUE(host().modules().modules().empty());
  // Commands and reactors went with the module; the menu stays.
  EXPECT_EQ(host().typeCommand("ktest"), Status::NotFound);
  newDocument();
  EXPECT_EQ(moduleLines(take()), Lines{});
  EXPECT_TRUE(host().menuModel().macroOf("Korvane软件", "访问主页").ok());
}

TEST_F(ModuleTest, StartUpMessageAndMenuAndReloadAddTheItemsAgain) {
  ModuleId id = load("current");
  EXPECT_NE(take().find("\n命令:请输入命令ktest启动测试模块\n "), std::string::npos);
  PopupMenu* popup =
      host().menus().menuGroups().item(0).value()->menus().item("Korvane软件").value();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(testing::labelsOf(*popup), (Lines{"&KKestra切剖面", "-", "访问主页"}));
  // At the right end of the menu bar.
  MenuBar& bar = host().menus().menuBar();
  EXPECT_EQ(bar.item(bar.count() - 1).value(), popup);
  EXPECT_EQ(host().chooseMenuItem("Korvane软件", "&KKestra切剖面"), Status::Normal);
  EXPECT_EQ(moduleLines(take()), (Lines{"command ktest record -1"}));

  host().modules().unloadModule(id);
  load("current");
  EXPECT_EQ(moduleLines(take()), (Lines{"message 2", "message 1", "menu abcdefghiabcdefghi"}));
  EXPECT_EQ(testing::labelsOf(*popup),
            (Lines{"&KKestra切剖面", "-", "访问主页", "-", "&KKestra切剖面", "-", "访问主页"}));
}

TEST_F(ModuleTest, LegacyEditionIsRecognisedAndOtherInterfacesRefused) {
  ModuleId id = load("legacy");
  ASSERT_NE(host().modules().find(id), nullptr);
  EXPECT_EQ(host().modules().find(id)->edition, ModuleEdition::Legacy);

  ModuleResult old = host().modules().loadModule(module("legacy_old"));
  EXPECT_EQ(old.status, Status::NotSupported);
  EXPECT_NE(old.reason.find("legacy module of interface 2.5"), std::string::npos) << old.reason;
  ModuleResult other = host().modules().loadModule(module("other_api"));
  EXPECT_EQ(other.status, Status::NotSupported);
  EXPECT_NE(other.reason.find("interface version 2"), std::string::npos) << other.reason;
  ModuleResult none = host().modules().loadModule(module("not_a_module"));
  EXPECT_EQ(none.status, Status::NotSupported);
  EXPECT_NE(none.reason.find("gcrxEntryPoint"), std::string::npos) << none.reason;
  ModuleResult missing = host().modules().loadModule(module("missing"));
  EXPECT_EQ(missing.status, Status::NotFound);
  ModuleResult twice = host().modules().loadModule(module("legacy"));
  EXPECT_EQ(twice.status, Status::AlreadyExists);
  // Refused modules were never initialised.
  EXPECT_EQ(moduleLines(take()), (Lines{"message 1", "menu abcdefjiklabcdefghi"}));
  EXPECT_EQ(host().modules().modules().size(), 1u);
}

TEST(ModuleTrust, UntrustedFoldersNeedTheUsersConsent) {
  testing::MemoryFiles files;
  std::ostringstream out;
  headless::HeadlessOptions o;
  o.output = &out;
  o.files = files.io();
  o.trustedFolders = "/nonexistent/plugins";
  headless::HeadlessHost host(std::move(o));
  ModuleResult refused = host.modules().loadModule(module("current"));
  EXPECT_EQ(refused.status, Status::Refused);
  EXPECT_NE(refused.reason.find("not in a trusted folder"), std::string::npos) << refused.reason;
  EXPECT_EQ(out.str().find("[ktest]"), std::string::npos);

  ModuleResult allowed =
      host.modules().loadModule(module("current"), {.allowUntrustedFolder = true});
  EXPECT_EQ(allowed.status, Status::Normal) << allowed.reason;
}

TEST_F(ModuleTest, FailedInitialisationLeavesNothingLoaded) {
  mode("fail");
  ModuleResult r = host().modules().loadModule(module("current"));
  EXPECT_EQ(r.status, Status::Error);
  EXPECT_NE(r.reason.find("failed to initialise"), std::string::npos);
  EXPECT_TRUE(host().modules().modules().empty());
  EXPECT_FALSE(host().commands().hasCommand("ktest"));
}

TEST_F(ModuleTest, ACommandThatThrowsIsReportedAndTheNextCommandRuns) {
  load("current");
  take();
  EXPECT_EQ(host().typeCommand("ktestthrow"), Status::Error);
  std::string out = take();
  EXPECT_NE(out.find("The command \"KTESTTHROW\" failed: index out of range"), std::string::npos)
      << out;
  EXPECT_EQ(host().commands().activeCommand(), "");
  // A modal command runs again, so the stack holds nothing of the failed one.
  mode("throw-other");
  EXPECT_EQ(host().typeCommand("ktestthrow"), Status::Error);
  EXPECT_NE(take().find("failed: unknown exception"), std::string::npos);
  EXPECT_EQ(host().typeCommand("ktest"), Status::Normal);
  EXPECT_EQ(moduleLines(take()), (Lines{"command ktest record -1"}));
}

TEST_F(ModuleTest, AModuleThatThrowsWhileInitialisingIsNotKept) {
  mode("throw-init");
  ModuleResult r = host().modules().loadModule(module("current"));
  EXPECT_EQ(r.status, Status::Error);
  EXPECT_NE(take().find("failed on module message 1: no licence file"), std::string::npos);
  EXPECT_TRUE(host().modules().modules().empty());
  mode("");
  EXPECT_EQ(host().modules().loadModule(module("current")).status, Status::Normal);
}

TEST_F(ModuleTest, AModuleThatFailsAfterAddingCommandsAndMenuItemsLeavesNoneOfThem) {
  // A popup of the host's with an item of its own, which the module adds to.
  PopupMenus& popups = host().menus().menuGroups().item(0).value()->menus();
  PopupMenu* host_popup = popups.add("Korvane软件").value();
  ASSERT_NE(host_popup, nullptr);
  ASSERT_EQ(host_popup->addMenuItem(0, "&Own", "own\n"), Status::Normal);
  const int barCount = host().menus().menuBar().count();
  const std::size_t commandCount = host().commands().commands().size();

  mode("throw-late");
  ModuleResult r = host().modules().loadModule(module("current"));
  EXPECT_EQ(r.status, Status::Error);
  EXPECT_NE(take().find("failed on module message 1: licence expired"), std::string::npos);
  EXPECT_TRUE(host().modules().modules().empty());
  // Its commands went with it (running one would call into the unloaded library) ...
  EXPECT_FALSE(host().commands().hasCommand("ktest"));
  EXPECT_FALSE(host().commands().hasCommand("ktestthrow"));
  EXPECT_EQ(host().typeCommand("ktest"), Status::NotFound);
  EXPECT_EQ(host().commands().commands().size(), commandCount);
  // ... and so did its menu items; the host's own item stays.
  EXPECT_EQ(testing::labelsOf(*host_popup), (Lines{"&Own"}));
  EXPECT_EQ(host().menus().menuBar().count(), barCount);

  // Loaded again without the fault, it adds everything anew.
  mode("");
  take();
  EXPECT_EQ(host().modules().loadModule(module("current")).status, Status::Normal);
  EXPECT_EQ(host().typeCommand("ktest"), Status::Normal);
  EXPECT_EQ(testing::labelsOf(*host_popup),
            (Lines{"&Own", "-", "&KKestra切剖面", "-", "访问主页"}));
}

TEST_F(ModuleTest, AModuleOfItsOwnPopupThatFailsLeavesNoPopupOnTheMenuBar) {
  const int barCount = host().menus().menuBar().count();
  mode("throw-late");
  EXPECT_EQ(host().modules().loadModule(module("current")).status, Status::Error);
  EXPECT_EQ(host().menus().menuBar().count(), barCount);
  Result<PopupMenu*> popup =
      host().menus().menuGroups().item(0).value()->menus().item("Korvane软件");
  if (popup.ok()) {
    EXPECT_EQ(popup.value()->count(), 0);
    EXPECT_FALSE(popup.value()->onMenuBar());
  }
}

TEST_F(ModuleTest, ALockedModuleStaysAndARefusingOneToo) {
  mode("locked");
  ModuleId id = load("current");
  ModuleResult r = host().modules().unloadModule(id);
  EXPECT_EQ(r.status, Status::Locked);
  EXPECT_NE(r.reason.find("locked"), std::string::npos);
  EXPECT_NE(host().modules().find(id), nullptr);
  // Nothing was sent: the module keeps its commands.
  EXPECT_TRUE(host().commands().hasCommand("ktest"));
  EXPECT_EQ(moduleLines(take()).back(), "menu abcdefjiklabcdefghi");

  mode("refuse-unload");
  host().modules().unlockModule(id);
  EXPECT_EQ(host().modules().unloadModule(id).status, Status::Refused);
  EXPECT_NE(host().modules().find(id), nullptr);
  EXPECT_EQ(host().modules().unloadModule(ModuleId{999}).status, Status::NotFound);
}

TEST_F(ModuleTest, AModuleThatIsNotMdiAwareKeepsTheHostToOneDrawing) {
  mode("single");
  newDocument();
  newDocument();
  ModuleResult r = host().modules().loadModule(module("current"));
  EXPECT_EQ(r.status, Status::Refused);
  EXPECT_NE(r.reason.find("not MDI-aware and 2 drawings"), std::string::npos) << r.reason;
  // It was initialised and told to unload again.
  EXPECT_EQ(moduleLines(take()), (Lines{"message 1", "menu abcdefjiklabcdefghi", "message 2"}));
  EXPECT_FALSE(host().commands().hasCommand("ktest"));

  host().documents().closeDocument(*host().documents().curDocument());
  load("current");
  EXPECT_FALSE(host().modules().allMdiAware());
  EXPECT_EQ(host().documents().newDocument().status(), Status::Refused);
  EXPECT_EQ(host().documents().documentCount(), 1u);
}

TEST(ModuleShutdown, TheHostClosesDrawingsThenSaysGoodbyeToEveryModule) {
  testing::MemoryFiles files;
  std::ostringstream out;
  {
    headless::HeadlessOptions o;
    o.output = &out;
    o.files = files.io();
    o.trustedFolders = kModules;
    headless::HeadlessHost host(std::move(o));
    host.headlessVariables().define("KTESTMODE", std::string("locked"), false);
    ASSERT_TRUE(host.modules().loadModule(module("current")).ok());
    host.documents().newDocument();
    out.str({});
  }
  EXPECT_EQ(moduleLines(out.str()), (Lines{"to be destroyed Drawing1.dxf count 1 records 0",
                                           "message 4", "message 13", "message 8", "message 2"}));
}

}  // namespace
}  // namespace host
