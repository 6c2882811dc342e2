#include <cstdio>

#include "cli/commands.h"

namespace cli {

int runSection(Args) {
  std::fputs("ruvo section: not built yet\n", stderr);
  return 2;
}

}  // namespace cli
