#include "platform/host/command_table.h"

#include <algorithm>
#include <exception>

#include "platform/host/command_line.h"
#include "platform/win/utf8.h"

namespace host {
namespace {

bool validName(std::string_view name) {
  if (name.empty()) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7F;
  });
}

// Global names are registered with or without the "_" that selects them when typed
// ("_RUVO" and "RUVO" name the same global command).
std::string_view bareGlobal(std::string_view name) {
  if (!name.empty() && name.front() == '_') name.remove_prefix(1);
  return name;
}

bool sameGlobal(std::string_view a, std::string_view b) {
  return win::equalsIgnoreAsciiCase(bareGlobal(a), bareGlobal(b));
}

}  // namespace

Status CommandTable::addCommand(std::string_view group, std::string_view globalName,
                                std::string_view localName, int flags, CommandFunction function) {
  if (group.empty() || !validName(globalName) || !validName(localName) || !function) {
    return Status::InvalidInput;
  }
  if (bareGlobal(globalName).empty()) return Status::InvalidInput;
  for (const Entry& e : entries_) {
    if (!win::equalsIgnoreAsciiCase(e.info.group, group)) continue;
    if (sameGlobal(e.info.globalName, globalName) ||
        win::equalsIgnoreAsciiCase(e.info.localName, localName)) {
      return Status::AlreadyExists;
    }
  }
  entries_.push_back(
      Entry{CommandInfo{std::string(group), std::string(globalName), std::string(localName), flags},
            std::make_shared<CommandFunction>(std::move(function))});
  return Status::Normal;
}

Status CommandTable::removeCommand(std::string_view group, std::string_view globalName) {
  auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
    return win::equalsIgnoreAsciiCase(e.info.group, group) &&
           sameGlobal(e.info.globalName, globalName);
  });
  if (it == entries_.end()) return Status::NotFound;
  entries_.erase(it);
  return Status::Normal;
}

Status CommandTable::removeGroup(std::string_view group) {
  auto removed = std::erase_if(
      entries_, [&](const Entry& e) { return win::equalsIgnoreAsciiCase(e.info.group, group); });
  return removed > 0 ? Status::Normal : Status::NotFound;
}

const CommandTable::Entry* CommandTable::find(std::string_view name) const {
  if (!name.empty() && name.front() == '\'') name.remove_prefix(1);
  bool globalOnly = !name.empty() && name.front() == '_';
  if (globalOnly) name.remove_prefix(1);
  if (name.empty()) return nullptr;
  // The newest group wins, so walk from the back.
  if (!globalOnly) {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      if (win::equalsIgnoreAsciiCase(it->info.localName, name)) return &*it;
    }
  }
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (sameGlobal(it->info.globalName, name)) return &*it;
  }
  return nullptr;
}

Status CommandTable::runCommand(std::string_view name) {
  const Entry* entry = find(name);
  if (entry == nullptr) return Status::NotFound;
  if (!running_.empty() && (entry->info.flags & kCommandTransparent) == 0) return Status::Rejected;
  // Copy what the command needs: it may add or remove commands while it runs.
  auto function = entry->function;
  std::string globalName = entry->info.globalName;
  running_.push_back(globalName);
  // The stack must be popped however the command ends, or every later command is refused.
  struct Pop {
    std::vector<std::string>& running;
    ~Pop() { running.pop_back(); }
  } pop{running_};
  std::string failure;
  try {
    (*function)();
    return Status::Normal;
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "unknown exception";
  }
  if (messages_ != nullptr) {
    messages_->print("\nThe command \"" + std::string(bareGlobal(globalName)) +
                     "\" failed: " + failure + "\n");
  }
  return Status::Error;
}

bool CommandTable::hasCommand(std::string_view name) const { return find(name) != nullptr; }

std::vector<CommandInfo> CommandTable::commands() const {
  std::vector<CommandInfo> out;
  out.reserve(entries_.size());
  for (const Entry& e : entries_) out.push_back(e.info);
  return out;
}

std::string CommandTable::activeCommand() const {
  return running_.empty() ? std::string() : running_.back();
}

}  // namespace host
