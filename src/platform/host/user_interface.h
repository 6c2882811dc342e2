#pragma once
// Message boxes and the keyboard focus.

#include <string_view>

namespace host {

enum class MessageBoxButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageBoxIcon { None, Information, Warning, Error, Question };
enum class MessageBoxButton { Ok, Cancel, Yes, No, Retry };

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // The button the user chose. Escape gives Cancel where the box has a Cancel button and Ok
  // on a box with the single button Ok; a Yes/No box cannot be escaped.
  virtual MessageBoxButton messageBox(std::string_view text, std::string_view caption,
                                      MessageBoxButtons buttons = MessageBoxButtons::Ok,
                                      MessageBoxIcon icon = MessageBoxIcon::None) = 0;
  // Gives the keyboard focus back to the drawing view.
  virtual void focusDrawingView() = 0;
};

}  // namespace host
