#include "platform/win/module_path.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace win {

std::optional<std::string> moduleFileName(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return std::nullopt;
  std::filesystem::path name = info.dli_fname;
  std::error_code ec;
  // The loader reports the main program by the name it was started with, which may be
  // relative to a working folder that has changed since; the kernel knows the real one.
  if (name.empty() || name.is_relative()) {
    name = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
  }
  std::filesystem::path canonical = std::filesystem::weakly_canonical(name, ec);
  return (ec ? name : canonical).string();
}

std::string folderOf(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash);
}

std::optional<std::string> moduleFolder(const void* address) {
  auto name = moduleFileName(address);
  if (!name) return std::nullopt;
  return folderOf(*name);
}

}  // namespace win
