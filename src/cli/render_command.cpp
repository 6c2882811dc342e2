#include <cstdio>

#include "cli/commands.h"

namespace cli {

int runRender(Args) {
  std::fputs("ruvo render: not built yet\n", stderr);
  return 2;
}

}  // namespace cli
