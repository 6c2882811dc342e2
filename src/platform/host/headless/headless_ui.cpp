#include "platform/host/headless/headless_ui.h"

#include <string>

namespace host::headless {

bool hasButton(MessageBoxButtons buttons, MessageBoxButton b) {
  using B = MessageBoxButton;
  switch (buttons) {
    case MessageBoxButtons::Ok:
      return b == B::Ok;
    case MessageBoxButtons::OkCancel:
      return b == B::Ok || b == B::Cancel;
    case MessageBoxButtons::YesNo:
      return b == B::Yes || b == B::No;
    case MessageBoxButtons::YesNoCancel:
      return b == B::Yes || b == B::No || b == B::Cancel;
    case MessageBoxButtons::RetryCancel:
      return b == B::Retry || b == B::Cancel;
  }
  return false;
}

MessageBoxButton escapeButton(MessageBoxButtons buttons) {
  switch (buttons) {
    case MessageBoxButtons::Ok:
      return MessageBoxButton::Ok;
    case MessageBoxButtons::YesNo:
      return MessageBoxButton::No;
    default:
      return MessageBoxButton::Cancel;
  }
}

MessageBoxButton HeadlessUserInterface::messageBox(std::string_view text, std::string_view caption,
                                                   MessageBoxButtons buttons, MessageBoxIcon) {
  ++boxes_;
  std::string shown = "\n[";
  shown.append(caption).append("] ").append(text).append("\n");
  commandLine_.print(shown);
  auto answer = script_.next();
  if (answer && answer->kind == ScriptAnswer::Kind::Button && hasButton(buttons, answer->button)) {
    return answer->button;
  }
  if (answer && answer->kind != ScriptAnswer::Kind::Cancel) {
    commandLine_.print("script: \"" + describe(*answer) + "\" does not answer this box\n");
  }
  return escapeButton(buttons);
}

}  // namespace host::headless
