#pragma once
// The menu object model every host of this platform uses; a window-system host draws its
// menu bar from it.

#include <memory>
#include <vector>

#include "platform/host/menu.h"

namespace host {

class MenuModel final : public MenuApplication {
 public:
  MenuModel();
  ~MenuModel() override;
  MenuModel(const MenuModel&) = delete;
  MenuModel& operator=(const MenuModel&) = delete;

  MenuBar& menuBar() override;
  MenuGroups& menuGroups() override;

  // Adds a menu group (the host's own groups are added at start-up).
  Result<MenuGroup*> addGroup(std::string_view name);

  // The macro of the item with this label (with or without its "&" markers) in the popup
  // of this name, found in any group. NotFound when there is none.
  Result<std::string> macroOf(std::string_view popupName, std::string_view label) const;

  class Popup;
  class Popups;
  class Group;
  class Groups;
  class Bar;

 private:
  std::unique_ptr<Bar> bar_;
  std::unique_ptr<Groups> groups_;
};

// Compares menu names the way the host does: ASCII case and "&" markers do not count.
bool sameMenuName(std::string_view a, std::string_view b);

}  // namespace host
