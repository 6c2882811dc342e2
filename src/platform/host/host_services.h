#pragma once
// What the host application services report about where the host keeps its things.

#include <memory>
#include <string>
#include <string_view>

#include "platform/host/module_abi.h"
#include "platform/host/status.h"

namespace cad {
class Database;
}

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
  // Finds a support file ("acadiso.lin", a font, ...) by name: a name with a folder as it
  // is, otherwise in the current drawing's folder and then the host's support folders.
  virtual Result<std::string> findFile(std::string_view name) const = 0;
  // Reads a drawing file into a side database that belongs to no document.
  virtual Result<std::unique_ptr<cad::Database>> readDrawingFile(std::string_view fileName) = 0;
};

}  // namespace host
