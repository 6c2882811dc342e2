#pragma once
// Loading and unloading of plug-in modules, and what a module may ask of the loader.

#include <string>
#include <string_view>
#include <vector>

#include "platform/host/module_abi.h"
#include "platform/host/status.h"

namespace host {

enum class ModuleEdition { Current, Legacy };

struct ModuleInfo {
  ModuleId id;
  std::string fileName;  // full, normalised path
  ModuleEdition edition = ModuleEdition::Current;
  bool unlocked = false;  // may be unloaded while the host runs
  bool mdiAware = false;  // works with several open drawings
};

struct LoadOptions {
  // The user confirmed loading from a folder that is not trusted.
  bool allowUntrustedFolder = false;
};

// Status plus a sentence that says why, for the command line.
struct ModuleResult {
  Status status = Status::Error;
  ModuleId id;
  std::string reason;
  bool ok() const { return status == Status::Normal; }
};

class ModuleManager {
 public:
  virtual ~ModuleManager() = default;

  virtual ModuleResult loadModule(std::string_view fileName, LoadOptions options = {}) = 0;
  // Refused (with the reason) while the module is locked or when it answers the unload
  // message with an error.
  virtual ModuleResult unloadModule(ModuleId id) = 0;

  // What a module calls during initialisation.
  virtual Status unlockModule(ModuleId id) = 0;
  virtual Status lockModule(ModuleId id) = 0;
  virtual Status declareMdiAware(ModuleId id) = 0;

  // Sends a message to every loaded module, in load order.
  virtual void broadcast(ModuleMessage message) = 0;

  virtual std::vector<ModuleInfo> modules() const = 0;
  virtual const ModuleInfo* find(ModuleId id) const = 0;
  virtual const ModuleInfo* findByFileName(std::string_view fileName) const = 0;
  // True when every loaded module declared itself MDI-aware.
  virtual bool allMdiAware() const = 0;
};

}  // namespace host
