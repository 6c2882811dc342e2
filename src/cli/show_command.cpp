#include <cstdio>

#include "cli/commands.h"

namespace cli {

int runShow(Args) {
  std::fputs("ruvo show: not built yet\n", stderr);
  return 2;
}

}  // namespace cli
