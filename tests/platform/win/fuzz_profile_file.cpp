// Any profile file can be read, and a value written into it reads back as written while
// the file's other sections keep their names.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win/profile.h"

namespace {

std::filesystem::path scratchFile() {
  static const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                            ("fuzz_profile_" + std::to_string(getpid()) + ".ini");
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto file = scratchFile();
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const auto sections = win::getProfileSectionNames(file);
  for (const std::string& section : sections) {
    for (const std::string& key : win::getProfileKeyNames(file, section)) {
      (void)win::getProfileString(file, section, key, "");
      (void)win::getProfileInt(file, section, key, 0);
    }
  }
  if (!win::writeProfileString(file, "Kestra", "Value", "高程 0.25")) std::abort();
  if (win::getProfileString(file, "Kestra", "Value", "") != "高程 0.25") std::abort();
  const auto after = win::getProfileSectionNames(file);
  for (const std::string& section : sections) {
    bool found = false;
    for (const std::string& name : after) found = found || name == section;
    if (!found) std::abort();
  }
  std::filesystem::remove(file);
  return 0;
}
