#pragma once
// The plug-in's popup menu on the host's menu bar, built through the host's menu object
// model the way an automation client does it.

#include <string_view>

#include "platform/host/status.h"

namespace host {
class MenuApplication;
}

namespace ruvo {

inline constexpr std::string_view kPopupMenuName = "Korvane软件";

// Appends a separator and the item to the popup "Korvane软件" of the first menu group, or
// makes that popup with the item and puts it at the right end of the menu bar. An
// automation error other than "no such popup" ends it; the status says what happened and
// callers are free to ignore it.
host::Status AddPopupMenuItem(host::MenuApplication& app, std::string_view label,
                              std::string_view macro);

}  // namespace ruvo
