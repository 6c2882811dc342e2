// tabulix: section data files as tables, from the command line.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/program.h"
#include "tabulix/cli.h"
#include "tabulix/run_window.h"

namespace {

// Without a command, or with a data file alone, the export tool opens its window. This
// build has none yet: it shows the help.
int OpenWindow(const std::optional<std::string>& dataFile) {
  if (dataFile) {
    std::cerr << "tabulix: this build has no window; `tabulix show " << *dataFile
              << "` prints the table\n";
    return cli::kUsage;
  }
  std::cout << tabulix::HelpText();
  return cli::kDone;
}

int Run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (tabulix::IsWindowRequest(args)) {
    return OpenWindow(args.empty() ? std::nullopt : std::optional(args[0]));
  }
  const std::string ini = (cli::ProgramFolder() / "Tabulix.ini").string();
  return tabulix::RunCommandLine(args, ini, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  if (tabulix::WantsWindow(argc, argv)) {
    return cli::Guarded(
        "tabulix", [&] { return tabulix::RunWindow(argc, argv); }, std::cerr);
  }
  return cli::Guarded(
      "tabulix", [&] { return Run(argc, argv); }, std::cerr);
}
