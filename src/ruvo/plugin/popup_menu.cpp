#include "ruvo/plugin/popup_menu.h"

#include "platform/host/menu.h"

namespace ruvo {

host::Status AddPopupMenuItem(host::MenuApplication& app, std::string_view label,
                              std::string_view macro) {
  host::MenuBar& bar = app.menuBar();
  // Read before the popup may be added, so a new popup goes to the right end of the bar.
  const int barCount = bar.count();
  host::Result<host::MenuGroup*> group = app.menuGroups().item(0);
  if (!group.ok()) return group.status();
  host::PopupMenus& popups = group.value()->menus();
  host::Result<host::PopupMenu*> found = popups.item(kPopupMenuName);
  if (found.ok()) {
    host::PopupMenu& popup = *found.value();
    const int n = popup.count();
    if (host::Status s = popup.addSeparator(n); !host::ok(s)) return s;
    return popup.addMenuItem(n + 1, label, macro);
  }
  if (found.status() != host::Status::AutomationError) return found.status();
  host::Result<host::PopupMenu*> made = popups.add(kPopupMenuName);
  if (!made.ok()) return made.status();
  host::PopupMenu& popup = *made.value();
  if (host::Status s = popup.addMenuItem(0, label, macro); !host::ok(s)) return s;
  if (!popup.onMenuBar()) return popup.insertInMenuBar(barCount);
  return host::Status::Normal;
}

}  // namespace ruvo
