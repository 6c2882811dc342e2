#pragma once
// The host's menu object model as an automation client sees it: the application's menu
// bar and menu groups, each group's popup menus, and the items of a popup.
//
// Every member that a commercial host's automation interface would fail with an automation
// error returns Status::AutomationError here (for example looking up a popup that does
// not exist, or an index out of range), so callers can follow the same sequence.

#include <string>
#include <string_view>

#include "platform/host/status.h"

namespace host {

enum class MenuItemKind { Command, Separator };

struct MenuItem {
  MenuItemKind kind = MenuItemKind::Command;
  std::string label;  // with its "&" mnemonic marker, as given
  std::string macro;  // what the command line receives when the item is chosen
};

class PopupMenu {
 public:
  virtual ~PopupMenu() = default;
  virtual std::string name() const = 0;
  virtual int count() const = 0;
  virtual Result<MenuItem> item(int index) const = 0;
  // `index` from 0 to count(); the item goes before the one now at that index.
  virtual Status addMenuItem(int index, std::string_view label, std::string_view macro) = 0;
  virtual Status addSeparator(int index) = 0;
  virtual Status removeItem(int index) = 0;
  virtual bool onMenuBar() const = 0;
  // `index` from 0 to the menu bar's count. Fails when the popup is on the bar already.
  virtual Status insertInMenuBar(int index) = 0;
  virtual Status removeFromMenuBar() = 0;
};

class PopupMenus {
 public:
  virtual ~PopupMenus() = default;
  virtual int count() const = 0;
  virtual Result<PopupMenu*> item(int index) = 0;
  // Names match without regard to ASCII case and "&" markers.
  virtual Result<PopupMenu*> item(std::string_view name) = 0;
  // Fails when the group already has a popup of that name.
  virtual Result<PopupMenu*> add(std::string_view name) = 0;
};

class MenuGroup {
 public:
  virtual ~MenuGroup() = default;
  virtual std::string name() const = 0;
  virtual PopupMenus& menus() = 0;
};

class MenuGroups {
 public:
  virtual ~MenuGroups() = default;
  virtual int count() const = 0;
  virtual Result<MenuGroup*> item(int index) = 0;
  virtual Result<MenuGroup*> item(std::string_view name) = 0;
};

class MenuBar {
 public:
  virtual ~MenuBar() = default;
  virtual int count() const = 0;
  virtual Result<PopupMenu*> item(int index) = 0;
};

// The application object of the automation interface, as far as menus go.
class MenuApplication {
 public:
  virtual ~MenuApplication() = default;
  virtual MenuBar& menuBar() = 0;
  virtual MenuGroups& menuGroups() = 0;
};

}  // namespace host
