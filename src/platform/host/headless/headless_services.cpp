#include "platform/host/headless/headless_services.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/host/module_manager.h"
#include "platform/host/system_variables.h"

namespace host::headless {

std::string defaultUserDataFolder() {
  std::string base;
  const char* data = std::getenv("XDG_DATA_HOME");
  // A relative value is invalid by the XDG rules and is ignored.
  if (data != nullptr && data[0] == '/') {
    base = data;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    base = std::string(home) + "/.local/share";
  } else {
    return {};
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/kestra/";
}

HeadlessServices::HeadlessServices(const ModuleManager& modules, const SystemVariables& variables,
                                   std::optional<std::string> userDataFolder)
    : modules_(modules),
      variables_(variables),
      folder_(userDataFolder ? *userDataFolder : defaultUserDataFolder()) {
  if (!folder_.empty() && folder_.back() != '/') folder_.push_back('/');
}

std::string HeadlessServices::userDataFolder() {
  if (!folder_.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
  }
  return folder_;
}

std::string HeadlessServices::currentProfileName() const {
  auto v = variables_.getVariable("CPROFILE");
  if (v.ok() && std::holds_alternative<std::string>(v.value)) return std::get<std::string>(v.value);
  return {};
}

Result<std::string> HeadlessServices::moduleFileName(ModuleId module) const {
  const ModuleInfo* info = modules_.find(module);
  if (info == nullptr) return Status::NotFound;
  return Result<std::string>(info->fileName);
}

}  // namespace host::headless
