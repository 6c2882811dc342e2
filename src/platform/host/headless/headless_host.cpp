#include "platform/host/headless/headless_host.h"

#include <iostream>

#include "platform/host/host_core.h"
#include "platform/win/registry.h"

namespace host::headless {
namespace {

std::ostream& outputOf(const HeadlessOptions& o) {
  return o.output != nullptr ? *o.output : std::cout;
}

}  // namespace

std::string trustedPathsFromRegistry(win::Registry& registry, std::string_view rootKey,
                                     std::string_view profile) {
  std::string path(rootKey);
  path.append("\\Profiles\\").append(profile).append("\\Variables");
  win::RegKey key;
  if (registry.openKey(path, key) != win::RegStatus::Success) return {};
  return key.queryString("TRUSTEDPATHS").value_or(std::string());
}

HeadlessHost::HeadlessHost(HeadlessOptions options)
    : commandLine_(outputOf(options)),
      variables_(display_),
      ui_(script_, commandLine_),
      commands_(&commandLine_),
      modules_(*this, [this] { return documents_.documentCount(); }),
      documents_(options.files, DocumentHooks{[this](ModuleMessage m) { modules_.broadcast(m); },
                                              [this] { return modules_.allMdiAware(); }}),
      editor_(script_, commandLine_, documents_, display_, variables_),
      services_(modules_, variables_, documents_, options.files, std::move(options.userDataFolder),
                std::move(options.supportFolders)) {
  modules_.setTrustedFolders(TrustedFolders(options.trustedFolders));
  registry_ = options.registry;
  if (win::Registry* registry = options.registry) {
    modules_.setTrustedFoldersSource([this, registry] {
      return trustedPathsFromRegistry(*registry, services_.registryProductRootKey(),
                                      services_.currentProfileName());
    });
  }
  // The host's own menu, as a fresh session shows it.
  MenuGroup* group = menus_.addGroup("KESTRA").value();
  const char* popups[][3] = {{"&File", "&Open...", "_OPEN\n"},
                             {"&Edit", "&Undo", "_U\n"},
                             {"&View", "&Redraw", "_REDRAW\n"},
                             {"&Tools", "&Load Application...", "_APPLOAD\n"}};
  for (auto& p : popups) {
    PopupMenu* popup = group->menus().add(p[0]).value();
    popup->addMenuItem(0, p[1], p[2]);
    popup->insertInMenuBar(menus_.menuBar().count());
  }
}

HeadlessHost::~HeadlessHost() {
  // Drawings close first, while the modules that watch them are still there; modules go
  // while every service they may call on their way out still exists.
  documents_.closeAll();
  modules_.shutdown();
}

Status HeadlessHost::typeCommand(std::string_view name) {
  return host::typeCommand(commands_, commandLine_, name);
}

Status HeadlessHost::chooseMenuItem(std::string_view popupName, std::string_view label) {
  auto macro = menus_.macroOf(popupName, label);
  if (!macro.ok()) return macro.status();
  std::string command = macroCommand(macro.value());
  if (command.empty()) return Status::InvalidInput;
  return typeCommand(command);
}

int HeadlessHost::loadStartupModules() {
  return host::loadStartupModules(registry_, services_.registryProductRootKey(), modules_,
                                  commandLine_);
}

}  // namespace host::headless
