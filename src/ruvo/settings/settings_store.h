#pragma once
// The user's palette settings in the registry of the current user, the palette's visibility
// and the host's auto-load registration of the plug-in.
//
// Every registry failure is silent: reads leave the members as they are, writes do nothing.

#include <string>

#include "platform/win/registry.h"
#include "ruvo/section/doc_data.h"
#include "ruvo/section/edition.h"

namespace ruvo {

inline constexpr std::string_view kSettingsKey = "Software\\Korvane\\Ridav";

// What the auto-load registration needs to know from the host.
struct AutoLoadTarget {
  std::string productRootKey;  // the host's per-user registry product root key
  std::string profileName;     // the system variable "CPROFILE"
  std::string moduleFileName;  // the plug-in module's full file name
};

// Fills the persisted members of `doc` from the key, writing back every value that is
// missing or unusable with the member's current value (so a first run stores the defaults).
void ReadSettings(win::Registry& registry, CDocData& doc);

// Writes the 25 persisted members of `doc`.
// False when the store could not be written (nothing of it changed).
bool WriteSettings(win::Registry& registry, const CDocData& doc);

// The palette's stored visibility; the legacy edition keeps none (false, nothing written).
bool ReadPltState(win::Registry& registry, Edition edition);
void WritePltState(win::Registry& registry, bool visible, Edition edition);

// The legacy edition's palette width, "nPaletteWidth", stored as 310 when missing.
int ReadPaletteWidth(win::Registry& registry);

// Registers the plug-in for loading at the host's start and trusts its folder. The legacy
// edition has no auto-load: false, nothing changes.
bool EnableAutoLoad(win::Registry& registry, const AutoLoadTarget& target, Edition edition);
bool DisableAutoLoad(win::Registry& registry, const AutoLoadTarget& target, Edition edition);

// The shortest text that reads back as the same number, with at least one decimal
// ("1000.0", "0.25", "-3.0").
std::string SettingsNumberText(double value);

}  // namespace ruvo
