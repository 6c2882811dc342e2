#pragma once
// Where "Tabulix.ini" lives, for the export tool that writes it and the plug-in that reads
// its remark codes. Beside the program as on the home platform; where that folder cannot
// be written (an installed program) a per-user copy under
// ${XDG_CONFIG_HOME:-~/.config}/kestra/ takes the writes, so settings are never lost.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ruvo {

inline constexpr const char* kTabulixIni = "Tabulix.ini";

// ${XDG_CONFIG_HOME:-~/.config}/kestra; empty when neither variable is set.
std::filesystem::path PerUserSettingsFolder();

struct SettingsFileLocation {
  std::filesystem::path read;   // the file whose values are in force
  std::filesystem::path write;  // where changes go
};

// Beside the program when its folder (and the file, if present) can be written. Otherwise
// writes go to the per-user copy, which is read once it exists; until then the file beside
// the program is read.
SettingsFileLocation LocateSettingsFile(const std::filesystem::path& programFolder);

// Makes `location.write` ready to take single keys: a per-user copy starts as a copy of
// the file read so far, so keys the program no longer holds stay. False when it cannot.
bool PrepareSettingsWrite(const SettingsFileLocation& location);

// The "CODE" section of a settings file in file order, values without their enclosing
// double quotes.
std::vector<std::pair<std::string, std::string>> ReadCodeSection(const std::filesystem::path& ini);

// The remark codes the plug-in expands: "CODE" of "Tabulix.ini" beside the module, then of
// the per-user copy, whose values win (it holds what the export tool saved last when the
// module's folder was not writable).
std::vector<std::pair<std::string, std::string>> ReadSharedCodes(
    const std::filesystem::path& moduleFolder);

}  // namespace ruvo
