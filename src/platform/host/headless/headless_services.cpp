#include "platform/host/headless/headless_services.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/cad/database.h"
#include "platform/host/document_manager.h"
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
                                   DocumentManager& documents, DrawingFileIo files,
                                   std::optional<std::string> userDataFolder,
                                   std::vector<std::string> supportFolders)
    : modules_(modules),
      variables_(variables),
      documents_(documents),
      files_(std::move(files)),
      folder_(userDataFolder ? *userDataFolder : defaultUserDataFolder()),
      supportFolders_(std::move(supportFolders)) {
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
  if (v.ok() && std::holds_alternative<std::string>(v.value()))
    return std::get<std::string>(v.value());
  return {};
}

Result<std::string> HeadlessServices::moduleFileName(ModuleId module) const {
  const ModuleInfo* info = modules_.find(module);
  if (info == nullptr) return Status::NotFound;
  return Result<std::string>(info->fileName);
}

}  // namespace host::headless

namespace host::headless {

Result<std::string> HeadlessServices::findFile(std::string_view name) const {
  namespace fs = std::filesystem;
  if (name.empty()) return Status::InvalidInput;
  std::error_code ec;
  fs::path given(name);
  auto found = [&](const fs::path& p) { return fs::is_regular_file(p, ec); };
  if (given.has_parent_path()) {
    if (found(given))
      return Result<std::string>(fs::absolute(given, ec).lexically_normal().string());
    return Status::NotFound;
  }
  std::vector<fs::path> folders;
  // The host is asked from the current drawing's point of view.
  if (Document* doc = documents_.curDocument(); doc != nullptr && !doc->fileName().empty()) {
    folders.push_back(fs::path(doc->fileName()).parent_path());
  }
  for (const auto& f : supportFolders_) folders.emplace_back(f);
  for (const auto& folder : folders) {
    fs::path candidate = folder / given;
    if (found(candidate)) {
      return Result<std::string>(fs::absolute(candidate, ec).lexically_normal().string());
    }
  }
  return Status::NotFound;
}

Result<std::unique_ptr<cad::Database>> HeadlessServices::readDrawingFile(
    std::string_view fileName) {
  if (!files_.read) return Status::NotSupported;
  auto db = files_.read(std::string(fileName));
  if (!db.ok() || !db.value()) return Status::FileError;
  return Result<std::unique_ptr<cad::Database>>(std::move(db.value()));
}

}  // namespace host::headless
