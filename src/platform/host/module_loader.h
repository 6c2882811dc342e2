#pragma once
// The module manager every host of this platform uses: dlopen, the exported entry points,
// the module messages, the unlock and MDI-aware flags, and the trusted-folder rule.

#include <functional>
#include <memory>

#include "platform/host/module_manager.h"
#include "platform/host/trusted_folders.h"

namespace host {

class ModuleLoader final : public ModuleManager {
 public:
  // `openDocuments` tells how many drawings are open; a module that does not declare itself
  // MDI-aware is not kept while more than one is.
  ModuleLoader(Host& host, std::function<std::size_t()> openDocuments);
  ~ModuleLoader() override;
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;

  void setTrustedFolders(TrustedFolders folders) { trusted_ = std::move(folders); }
  // Asked at every load for more trusted folders (the profile's "TRUSTEDPATHS" as it is
  // now, since the user or a plug-in may change it while the host runs).
  void setTrustedFoldersSource(std::function<std::string()> source) {
    trustedSource_ = std::move(source);
  }
  const TrustedFolders& trustedFolders() const { return trusted_; }
  // Whether the module would load without the user's confirmation.
  bool trusts(std::string_view fileName) const;

  ModuleResult loadModule(std::string_view fileName, LoadOptions options = {}) override;
  ModuleResult unloadModule(ModuleId id) override;
  Status unlockModule(ModuleId id) override;
  Status lockModule(ModuleId id) override;
  Status declareMdiAware(ModuleId id) override;
  void broadcast(ModuleMessage message) override;
  std::vector<ModuleInfo> modules() const override;
  const ModuleInfo* find(ModuleId id) const override;
  const ModuleInfo* findByFileName(std::string_view fileName) const override;
  bool allMdiAware() const override;

  // The host is ending: every module, locked or not, gets the pre-quit, quit and unload
  // messages (newest first) and is closed.
  void shutdown();

 private:
  struct Loaded;
  Loaded* findLoaded(ModuleId id);
  int send(Loaded& module, ModuleMessage message);
  void close(std::unique_ptr<Loaded>& module);
  void discard(ModuleId id);
  ModuleResult refuse(Status status, std::string reason);

  Host& host_;
  std::function<std::size_t()> openDocuments_;
  TrustedFolders trusted_;
  std::function<std::string()> trustedSource_;
  std::vector<std::unique_ptr<Loaded>> loaded_;
  unsigned long long nextId_ = 1;
};

}  // namespace host
