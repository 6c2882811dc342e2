#include <cstdio>

#include "cli/commands.h"

namespace cli {

int runDemo(Args) {
  std::puts(
      "ruvo demo: the section engine is not built yet; nothing was cut and no file was written.");
  return 0;
}

}  // namespace cli
