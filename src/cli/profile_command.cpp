#include <cstdio>

#include "cli/commands.h"

namespace cli {

int runProfile(Args) {
  std::fputs("ruvo profile: not built yet\n", stderr);
  return 2;
}

}  // namespace cli
