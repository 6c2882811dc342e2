// ruvo: the plug-in's section and drawing engine on the command line, over the headless host.

#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/program.h"
#include "cli/session.h"

namespace {

struct Command {
  const char* name;
  const char* summary;
  cli::Run (*define)(CLI::App&);
};

constexpr Command kCommands[] = {
    {"section", "cut a drawing along a section line and list the points", cli::DefineSection},
    {"lines", "list the drawing's candidate section lines (handle, type, layer, length)",
     cli::DefineLines},
    {"show", "print a section data file", cli::DefineShow},
    {"profile", "draw the section profile into the drawing", cli::DefineProfile},
    {"render", "render a drawing (or a window of it) to SVG or PDF", cli::DefineRender},
    {"stations", "cross-sections at stations along a centreline, on sheets", cli::DefineStations},
    {"settings", "list every setting with its value, default and meaning; reset them",
     cli::DefineSettings},
    {"demo", "run the main job on the bundled sample drawing", cli::DefineDemo},
};

int Run(int argc, char** argv) {
  CLI::App app(
      "Cuts terrain cross-sections out of topographic drawings (DXF), lists their "
      "points, and draws the section profile.");
  cli::PrepareApp(app, "ruvo");
  bool verbose = false;
  app.add_flag("--verbose", verbose, "show the host's prompts and messages on standard error");
  app.require_subcommand(1);
  app.fallthrough();
  std::vector<std::pair<CLI::App*, cli::Run>> commands;
  for (const Command& c : kCommands) {
    CLI::App* sub = app.add_subcommand(c.name, c.summary);
    commands.emplace_back(sub, c.define(*sub));
  }
  // A mistyped command would otherwise read as none at all.
  if (argc > 1 && argv[1][0] != '-') {
    std::string names;
    bool known = false;
    for (const Command& c : kCommands) {
      known = known || std::string_view(argv[1]) == c.name;
      names += (names.empty() ? "" : ", ") + std::string(c.name);
    }
    if (!known) {
      std::cerr << "ruvo: no command '" << argv[1] << "' (the commands: " << names
                << "; ruvo --help)\n";
      return cli::kUsage;
    }
  }
  if (auto status = cli::Parse(app, argc, argv, std::cout, std::cerr)) return *status;
  cli::SetVerbose(verbose);
  for (auto& [sub, run] : commands) {
    if (sub->parsed()) return run();
  }
  return cli::kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  return cli::Guarded(
      "ruvo", [&] { return Run(argc, argv); }, std::cerr);
}
