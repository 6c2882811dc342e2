#pragma once
// A plug-in's way of adding an item to its popup menu through the host's automation
// object: find the popup in the first menu group and append a separator and the item, or
// make the popup, add the item and put the popup at the right end of the menu bar.

#include <string>
#include <string_view>
#include <vector>

#include "platform/host/menu.h"

namespace host::testing {

// Returns Normal when the item was added; any automation error ends the sequence and is
// returned. `trace` receives the letter of every step taken, in order.
Status addPopupMenuItem(MenuApplication& app, std::string_view popupName, std::string_view label,
                        std::string_view macro, std::string* trace = nullptr);

// The labels of a popup, a separator shown as "-".
std::vector<std::string> labelsOf(PopupMenu& popup);

}  // namespace host::testing
