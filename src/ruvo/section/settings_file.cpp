#include "ruvo/section/settings_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "platform/win/atomic_file.h"
#include "platform/win/profile.h"
#include "platform/win/utf8.h"

namespace ruvo {

namespace {

constexpr std::size_t kRemarkChars = 1023;

bool writable(const std::filesystem::path& path) { return ::access(path.c_str(), W_OK) == 0; }

// Whether a file can be made in the folder: permissions alone do not say so on a read-only
// mount, nor for the superuser.
bool folderTakesFiles(const std::filesystem::path& folder) {
  if (!writable(folder)) return false;
  const std::filesystem::path probe = folder / (".tabulix-probe-" + std::to_string(::getpid()));
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

std::string stripQuotes(std::string_view s) {
  while (!s.empty() && s.front() == '"') s.remove_prefix(1);
  while (!s.empty() && s.back() == '"') s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

std::filesystem::path PerUserSettingsFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
    return std::filesystem::path(config) / "kestra";
  }
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::filesystem::path(home) / ".config" / "kestra";
  }
  return {};
}

SettingsFileLocation LocateSettingsFile(const std::filesystem::path& programFolder) {
  const std::filesystem::path beside = programFolder / kTabulixIni;
  std::error_code ec;
  const bool exists = std::filesystem::exists(beside, ec);
  if (folderTakesFiles(programFolder.empty() ? "." : programFolder) &&
      (!exists || writable(beside))) {
    return {beside, beside};
  }
  const std::filesystem::path folder = PerUserSettingsFolder();
  if (folder.empty()) return {beside, beside};
  const std::filesystem::path own = folder / kTabulixIni;
  return {std::filesystem::exists(own, ec) ? own : beside, own};
}

bool PrepareSettingsWrite(const SettingsFileLocation& location) {
  if (location.read == location.write) return true;
  std::error_code ec;
  std::filesystem::create_directories(location.write.parent_path(), ec);
  if (std::filesystem::exists(location.write, ec)) return true;
  const auto bytes = win::readFileBytes(location.read);
  return win::writeFileAtomically(location.write, bytes ? *bytes : std::string());
}

std::vector<std::pair<std::string, std::string>> ReadCodeSection(const std::filesystem::path& ini) {
  std::vector<std::pair<std::string, std::string>> codes;
  // One reading of the file for all keys: one per key made thousands of keys quadratic.
  for (const auto& [code, value] : win::getProfileSection(ini, "CODE")) {
    codes.emplace_back(code, stripQuotes(win::leftChars(value, kRemarkChars)));
  }
  return codes;
}

std::vector<std::pair<std::string, std::string>> ReadSharedCodes(
    const std::filesystem::path& moduleFolder) {
  auto codes = ReadCodeSection(moduleFolder / kTabulixIni);
  const std::filesystem::path folder = PerUserSettingsFolder();
  if (folder.empty()) return codes;
  for (auto& entry : ReadCodeSection(folder / kTabulixIni)) {
    const auto same = std::find_if(codes.begin(), codes.end(), [&](const auto& pair) {
      return win::equalsIgnoreAsciiCase(pair.first, entry.first);
    });
    if (same != codes.end()) {
      same->second = std::move(entry.second);
    } else {
      codes.push_back(std::move(entry));
    }
  }
  return codes;
}

}  // namespace ruvo
