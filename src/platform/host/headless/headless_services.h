#pragma once
// Where the headless host keeps its per-user things.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/document_collection.h"
#include "platform/host/host_services.h"

namespace host {
class DocumentManager;
class ModuleManager;
class SystemVariables;
}  // namespace host

namespace host::headless {

// The per-user folder: ${XDG_DATA_HOME:-$HOME/.local/share}/kestra/ (trailing "/"). Empty
// when neither variable gives an absolute path.
std::string defaultUserDataFolder();

inline constexpr const char* kRegistryProductRootKey = "Software\\Kestra\\Host\\R1";

class HeadlessServices final : public HostServices {
 public:
  // `userDataFolder` overrides the default (tests give a temporary folder).
  HeadlessServices(const ModuleManager& modules, const SystemVariables& variables,
                   DocumentManager& documents, DrawingFileIo files,
                   std::optional<std::string> userDataFolder = std::nullopt,
                   std::vector<std::string> supportFolders = {});

  std::string userDataFolder() override;
  std::string registryProductRootKey() const override { return kRegistryProductRootKey; }
  std::string currentProfileName() const override;
  Result<std::string> moduleFileName(ModuleId module) const override;
  Result<std::string> findFile(std::string_view name) const override;
  Result<std::unique_ptr<cad::Database>> readDrawingFile(std::string_view fileName) override;

 private:
  const ModuleManager& modules_;
  const SystemVariables& variables_;
  DocumentManager& documents_;
  DrawingFileIo files_;
  std::string folder_;
  std::vector<std::string> supportFolders_;
};

}  // namespace host::headless
