#pragma once
// What the host application services report about where the host keeps its things.

#include <string>

#include "platform/host/module_abi.h"
#include "platform/host/status.h"

namespace host {

class HostServices {
 public:
  virtual ~HostServices() = default;
  // The host's per-user folder, with a trailing separator; created on first use.
  virtual std::string userDataFolder() = 0;
  // A key path under HKEY_CURRENT_USER (no leading separator) under which the host keeps
  // its per-user settings, "Applications" and "Profiles" included.
  virtual std::string registryProductRootKey() const = 0;
  // The name of the current profile (the system variable "CPROFILE").
  virtual std::string currentProfileName() const = 0;
  // The full file name of a loaded module.
  virtual Result<std::string> moduleFileName(ModuleId module) const = 0;
};

}  // namespace host
