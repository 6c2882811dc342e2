#pragma once
// The host's command stack: command groups, each holding commands under a global
// (language-independent) and a local name.
//
// Names are matched without regard to ASCII case. A name typed with a leading "_" is
// looked up among the global names only; any other name among the local names first and
// then among the global names. Groups added later shadow earlier groups with a command
// of the same name, as a stack does.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/status.h"

namespace host {

// Command flags (bits).
enum CommandFlags : int {
  kCommandModal = 0,
  kCommandTransparent = 1,  // may run while another command is active
  kCommandUsePickSet = 2,
  kCommandNoHistory = 4,
};

using CommandFunction = std::function<void()>;

struct CommandInfo {
  std::string group;
  std::string globalName;
  std::string localName;
  int flags = 0;
};

class CommandStack {
 public:
  virtual ~CommandStack() = default;

  // AlreadyExists when the group already holds a command with either name; InvalidInput
  // for an empty group, empty names, a name with a blank or control character, or an
  // empty function.
  virtual Status addCommand(std::string_view group, std::string_view globalName,
                            std::string_view localName, int flags, CommandFunction function) = 0;
  // Removes the command whose global name is given. NotFound when there is none.
  virtual Status removeCommand(std::string_view group, std::string_view globalName) = 0;
  virtual Status removeGroup(std::string_view group) = 0;

  // Runs the command typed as `name`. NotFound for an unknown name; Rejected when a
  // command is already running and this one is not transparent. A "'" prefix (typed
  // transparently) is accepted and ignored.
  virtual Status runCommand(std::string_view name) = 0;

  virtual bool hasCommand(std::string_view name) const = 0;
  virtual std::vector<CommandInfo> commands() const = 0;
  // Name of the command running now (its global name), empty when none.
  virtual std::string activeCommand() const = 0;
};

}  // namespace host
