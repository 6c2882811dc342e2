// tabulix: section data files as tables, from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/program.h"
#include "tabulix/cli.h"
#include "tabulix/run_window.h"

int main(int argc, char** argv) {
  if (tabulix::WantsWindow(argc, argv)) {
    return cli::Guarded(
        "tabulix", [&] { return tabulix::RunWindow(argc, argv); }, std::cerr);
  }
  return cli::Guarded(
      "tabulix",
      [&] {
        const std::string ini = (cli::ProgramFolder() / "Tabulix.ini").string();
        std::vector<std::string> args(argv + 1, argv + argc);
        return tabulix::RunCommandLine(args, ini, std::cout, std::cerr);
      },
      std::cerr);
}
