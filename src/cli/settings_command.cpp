// ruvo settings: every setting the plug-in keeps, with its value, default and meaning, and
// their reset.

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/program.h"
#include "cli/section_output.h"
#include "platform/win/registry.h"
#include "ruvo/settings/settings_store.h"

namespace cli {
namespace {

struct SettingsArgs {
  bool reset = false;
  bool json = false;
};

int Execute(const SettingsArgs& a) {
  win::Registry& registry = win::Registry::currentUser();
  if (a.reset) {
    if (!ruvo::WriteSettings(registry, ruvo::CDocData()))
      return Refused("ruvo settings", "nothing was reset: the settings in " +
                                          registry.hiveFile().string() + " cannot be written");
    std::cerr << "ruvo settings: every setting restored to its default in "
              << registry.hiveFile().string() << '\n';
  }
  ruvo::CDocData doc;
  ruvo::ReadSettings(registry, doc);
  const std::vector<SettingInfo> infos = DescribeSettings(doc);
  if (a.json) {
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const SettingInfo& s : infos) {
      out.push_back({{"name", s.name},
                     {"value", s.value},
                     {"default", s.fallback},
                     {"stored", s.stored},
                     {"meaning", s.meaning}});
    }
    std::cout << out.dump(1) << '\n';
    return kDone;
  }
  std::vector<std::vector<std::string>> rows = {{"name", "value", "default", "kept", "meaning"}};
  for (const SettingInfo& s : infos) {
    rows.push_back({s.name, s.value, s.fallback, s.stored ? "yes" : "no", s.meaning});
  }
  WriteAligned(std::cout, rows);
  return kDone;
}

}  // namespace

Run DefineSettings(CLI::App& sub) {
  auto a = std::make_shared<SettingsArgs>();
  DescribeCommand(
      sub,
      "Lists every setting: its name (for --set NAME=VALUE), its value in the user's settings "
      "store, its default, whether it is kept between runs, and its meaning. Settings not "
      "kept start from their default in every run.");
  sub.add_flag("--reset", a->reset, "restore every kept setting to its default first");
  sub.add_flag("--json", a->json, "print a JSON array");
  return [a] { return Execute(*a); };
}

}  // namespace cli
