#pragma once
// The host's command line as a plug-in writes to it.

#include <string_view>

namespace host {

class CommandLine {
 public:
  virtual ~CommandLine() = default;
  // Prints text as it is ("\n" starts a new line); UTF-8.
  virtual void print(std::string_view text) = 0;
  // Shows the command prompt again after a command printed its own lines.
  virtual void postPrompt() = 0;
};

}  // namespace host
