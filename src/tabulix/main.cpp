// tabulix: section data files as tables, from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "platform/win/module_path.h"
#include "tabulix/cli.h"

int main(int argc, char** argv) {
  static const int anchor = 0;
  const auto folder = win::moduleFolder(&anchor);
  const std::string ini = (folder ? *folder + "/" : std::string()) + "Tabulix.ini";
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return tabulix::RunCommandLine(args, ini, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "tabulix: " << e.what() << '\n';
    return 1;
  }
}
