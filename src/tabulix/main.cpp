// tabulix: section data files as tables, from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/program.h"
#include "tabulix/cli.h"

int main(int argc, char** argv) {
  return cli::Guarded(
      "tabulix",
      [&] {
        const std::string ini = (cli::ProgramFolder() / "Tabulix.ini").string();
        std::vector<std::string> args(argv + 1, argv + argc);
        return tabulix::RunCommandLine(args, ini, std::cout, std::cerr);
      },
      std::cerr);
}
