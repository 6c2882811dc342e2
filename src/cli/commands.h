#pragma once
// The sub-commands of the `ruvo` program. Each lives in its own file and gets the
// arguments after its name; it returns the process exit status (0 done, 1 refused input,
// 2 usage error).

#include <span>
#include <string_view>

namespace cli {

using Args = std::span<const std::string_view>;

int runSection(Args args);
int runShow(Args args);
int runProfile(Args args);
int runRender(Args args);
int runDemo(Args args);
int runStations(Args args);

}  // namespace cli
