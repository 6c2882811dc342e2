#pragma once
// Message boxes answered from the script; the box's text goes to the command line so
// that a transcript shows what the user was told.

#include "platform/host/command_line.h"
#include "platform/host/headless/input_script.h"
#include "platform/host/user_interface.h"

namespace host::headless {

class HeadlessUserInterface final : public UserInterface {
 public:
  HeadlessUserInterface(InputScript& script, CommandLine& commandLine)
      : script_(script), commandLine_(commandLine) {}

  MessageBoxButton messageBox(std::string_view text, std::string_view caption,
                              MessageBoxButtons buttons, MessageBoxIcon icon) override;
  void focusDrawingView() override { ++focusRequests_; }

  int messageBoxCount() const { return boxes_; }
  int focusRequests() const { return focusRequests_; }

 private:
  InputScript& script_;
  CommandLine& commandLine_;
  int boxes_ = 0;
  int focusRequests_ = 0;
};

// Whether a box with these buttons shows `button`.
bool hasButton(MessageBoxButtons buttons, MessageBoxButton button);
// What Escape (or an exhausted script) gives on such a box. A Yes/No box has no escape;
// No is taken as the answer that changes nothing.
MessageBoxButton escapeButton(MessageBoxButtons buttons);

}  // namespace host::headless
