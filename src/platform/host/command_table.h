#pragma once
// The command stack every host of this platform uses.

#include <memory>

#include "platform/host/command_stack.h"

namespace host {

class CommandLine;

class CommandTable final : public CommandStack {
 public:
  // A command that ends with an exception is reported on `messages` (when given) and
  // answers Error; the exception never reaches the caller, since a host's event loop
  // cannot let one through.
  explicit CommandTable(CommandLine* messages = nullptr) : messages_(messages) {}

  Status addCommand(std::string_view group, std::string_view globalName, std::string_view localName,
                    int flags, CommandFunction function) override;
  Status removeCommand(std::string_view group, std::string_view globalName) override;
  Status removeGroup(std::string_view group) override;
  Status runCommand(std::string_view name) override;
  bool hasCommand(std::string_view name) const override;
  std::vector<CommandInfo> commands() const override;
  std::string activeCommand() const override;

 private:
  struct Entry {
    CommandInfo info;
    // Shared so that a command that removes itself while it runs stays alive until it returns.
    std::shared_ptr<CommandFunction> function;
  };
  const Entry* find(std::string_view name) const;

  std::vector<Entry> entries_;  // in the order added; later entries shadow earlier ones
  std::vector<std::string> running_;
  CommandLine* messages_ = nullptr;
};

}  // namespace host
