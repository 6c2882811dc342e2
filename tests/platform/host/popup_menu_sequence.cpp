#include "popup_menu_sequence.h"

namespace host::testing {

Status addPopupMenuItem(MenuApplication& app, std::string_view popupName, std::string_view label,
                        std::string_view macro, std::string* trace) {
  std::string ignored;
  std::string& steps = trace != nullptr ? *trace : ignored;
  steps += 'a';
  MenuBar& bar = app.menuBar();
  steps += 'b';
  int barCount = bar.count();
  steps += 'c';
  MenuGroups& groups = app.menuGroups();
  steps += 'd';
  Result<MenuGroup*> group = groups.item(0);
  if (!group.ok()) return group.status();
  steps += 'e';
  PopupMenus& popups = group.value()->menus();
  steps += 'f';
  Result<PopupMenu*> found = popups.item(popupName);
  if (found.ok()) {
    PopupMenu& popup = *found.value();
    steps += 'g';
    int n = popup.count();
    steps += 'h';
    if (Status s = popup.addSeparator(n); !ok(s)) return s;
    steps += 'i';
    return popup.addMenuItem(n + 1, label, macro);
  }
  steps += 'j';
  Result<PopupMenu*> made = popups.add(popupName);
  if (!made.ok()) return made.status();
  PopupMenu& popup = *made.value();
  steps += 'i';
  if (Status s = popup.addMenuItem(0, label, macro); !ok(s)) return s;
  steps += 'k';
  if (!popup.onMenuBar()) {
    steps += 'l';
    return popup.insertInMenuBar(barCount);
  }
  return Status::Normal;
}

std::vector<std::string> labelsOf(PopupMenu& popup) {
  std::vector<std::string> out;
  for (int i = 0; i < popup.count(); ++i) {
    MenuItem item = popup.item(i).value();
    out.push_back(item.kind == MenuItemKind::Separator ? std::string("-") : item.label);
  }
  return out;
}

}  // namespace host::testing
