#include <gtest/gtest.h>

#include "platform/host/menu_model.h"
#include "popup_menu_sequence.h"

namespace host {
namespace {

using testing::addPopupMenuItem;
using testing::labelsOf;
using Labels = std::vector<std::string>;

constexpr std::string_view kPopup = "Korvane软件";

// A host menu like a fresh start: one group with three popups, two of them on the bar.
struct MenuFixture : ::testing::Test {
  MenuFixture() {
    MenuGroup* group = model.addGroup("KESTRA").value();
    for (const char* name : {"&File", "&Edit", "&Tools"}) {
      PopupMenu* p = group->menus().add(name).value();
      p->addMenuItem(0, std::string(name) + " item", "_CMD\n");
    }
    group->menus().item(0).value()->insertInMenuBar(0);
    group->menus().item(1).value()->insertInMenuBar(1);
  }
  PopupMenus& popups() { return model.menuGroups().item(0).value()->menus(); }
  MenuModel model;
};

TEST_F(MenuFixture, MissingPopupIsMadeFilledAndPutAtTheRightEndOfTheBar) {
  std::string trace;
  ASSERT_EQ(addPopupMenuItem(model, kPopup, "&KKestra切剖面", "kestrapm\n", &trace),
            Status::Normal);
  EXPECT_EQ(trace, "abcdefjikl");
  PopupMenu* popup = popups().item(kPopup).value();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(labelsOf(*popup), (Labels{"&KKestra切剖面"}));
  EXPECT_EQ(popup->item(0).value().macro, "kestrapm\n");
  ASSERT_EQ(model.menuBar().count(), 3);
  EXPECT_EQ(model.menuBar().item(2).value(), popup);

  // The second item of a start finds the popup: separator, then the item.
  trace.clear();
  ASSERT_EQ(addPopupMenuItem(model, kPopup, "访问主页", "_browser https://example.org ", &trace),
            Status::Normal);
  EXPECT_EQ(trace, "abcdefghi");
  EXPECT_EQ(labelsOf(*popup), (Labels{"&KKestra切剖面", "-", "访问主页"}));
  EXPECT_EQ(model.menuBar().count(), 3);
}

TEST_F(MenuFixture, ExistingPopupGetsASeparatorAndTheItemEachTime) {
  PopupMenu* popup = popups().add(kPopup).value();
  popup->addMenuItem(0, "Other tool", "other\n");
  for (int run = 0; run < 2; ++run) {
    std::string trace;
    ASSERT_EQ(addPopupMenuItem(model, kPopup, "&KKestra切剖面", "kestrapm\n", &trace),
              Status::Normal);
    EXPECT_EQ(trace, "abcdefghi");
  }
  EXPECT_EQ(labelsOf(*popup), (Labels{"Other tool", "-", "&KKestra切剖面", "-", "&KKestra切剖面"}));
  // A popup found in its group is not put on the bar by this sequence.
  EXPECT_FALSE(popup->onMenuBar());
}

TEST_F(MenuFixture, PopupOnTheBarAlreadyIsNotInsertedTwice) {
  PopupMenu* tools = popups().item("&tools").value();  // matched without case and markers
  ASSERT_NE(tools, nullptr);
  ASSERT_EQ(tools->insertInMenuBar(2), Status::Normal);
  EXPECT_EQ(tools->insertInMenuBar(0), Status::AutomationError);
  EXPECT_EQ(model.menuBar().count(), 3);
}

TEST(Menu, MembersFailWithAnAutomationErrorWhereAHostWould) {
  MenuModel model;
  std::string trace;
  // No menu group at all: the sequence ends at step d and changes nothing.
  EXPECT_EQ(addPopupMenuItem(model, kPopup, "x", "x\n", &trace), Status::AutomationError);
  EXPECT_EQ(trace, "abcd");
  EXPECT_EQ(model.menuBar().count(), 0);

  PopupMenus& popups = model.addGroup("G").value()->menus();
  EXPECT_EQ(model.addGroup("g").status(), Status::AlreadyExists);
  EXPECT_EQ(popups.item("nothing").status(), Status::AutomationError);
  EXPECT_EQ(popups.item(0).status(), Status::AutomationError);
  PopupMenu* p = popups.add("P").value();
  EXPECT_EQ(popups.add("p").status(), Status::AutomationError);
  EXPECT_EQ(popups.add("").status(), Status::AutomationError);
  EXPECT_EQ(p->addMenuItem(1, "beyond the end", "m"), Status::AutomationError);
  EXPECT_EQ(p->addMenuItem(-1, "negative", "m"), Status::AutomationError);
  EXPECT_EQ(p->addMenuItem(0, "", "m"), Status::AutomationError);
  EXPECT_EQ(p->addSeparator(2), Status::AutomationError);
  EXPECT_EQ(p->item(0).status(), Status::AutomationError);
  EXPECT_EQ(p->removeItem(0), Status::AutomationError);
  EXPECT_EQ(p->insertInMenuBar(1), Status::AutomationError);
  EXPECT_EQ(p->removeFromMenuBar(), Status::AutomationError);
  EXPECT_EQ(model.menuBar().item(0).status(), Status::AutomationError);
  EXPECT_EQ(p->count(), 0);
}

TEST(Menu, ItemsGoBeforeTheIndexAndMacrosAreFoundByLabel) {
  MenuModel model;
  PopupMenu* p = model.addGroup("G").value()->menus().add("&Draw").value();
  ASSERT_EQ(p->addMenuItem(0, "&Line", "_LINE\n"), Status::Normal);
  ASSERT_EQ(p->addMenuItem(0, "&Arc", "_ARC\n"), Status::Normal);
  ASSERT_EQ(p->addSeparator(1), Status::Normal);
  EXPECT_EQ(labelsOf(*p), (Labels{"&Arc", "-", "&Line"}));
  EXPECT_EQ(model.macroOf("draw", "line").value(), "_LINE\n");
  EXPECT_EQ(model.macroOf("draw", "circle").status(), Status::NotFound);
  ASSERT_EQ(p->removeItem(1), Status::Normal);
  EXPECT_EQ(labelsOf(*p), (Labels{"&Arc", "&Line"}));
}

}  // namespace
}  // namespace host
