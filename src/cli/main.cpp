// ruvo: the plug-in's section and drawing engine on the command line, over the headless host.

#include <cstdio>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/program.h"

namespace {

struct Command {
  std::string_view name;
  int (*run)(cli::Args);
  std::string_view summary;
};

constexpr Command kCommands[] = {
    {"section", cli::runSection, "cut a drawing along a section line and list the points"},
    {"show", cli::runShow, "print a section data file"},
    {"profile", cli::runProfile, "draw the section profile into the drawing"},
    {"render", cli::runRender, "render a drawing (or a window of it) to SVG or PDF"},
    {"stations", cli::runStations, "cross-sections at stations along a centreline, on sheets"},
    {"demo", cli::runDemo, "run the main job on the bundled sample drawing"},
};

void printUsage(std::FILE* out) {
  std::fputs("usage: ruvo COMMAND [OPTIONS]   (ruvo COMMAND --help for its options)\n\n", out);
  for (const auto& c : kCommands) {
    std::fprintf(out, "  %-10.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                 static_cast<int>(c.summary.size()), c.summary.data());
  }
}

int Run(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) {
    printUsage(stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    printUsage(stdout);
    return 0;
  }
  for (const auto& c : kCommands) {
    if (c.name == args[0]) return c.run(cli::Args(args).subspan(1));
  }
  std::fprintf(stderr, "ruvo: unknown command '%.*s' (ruvo --help lists them)\n",
               static_cast<int>(args[0].size()), args[0].data());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  return cli::Guarded(
      "ruvo", [&] { return Run(argc, argv); }, std::cerr);
}
