#pragma once
// The sub-commands of the `ruvo` program. Each lives in its own file: its Define function
// gives the sub-command its options and returns what runs once they are parsed, which
// returns the exit status (cli::Exit). A new sub-command is one such file, its line in
// kCommands (main.cpp) and its source in CMakeLists.txt.

#include <functional>

namespace CLI {
class App;
}

namespace cli {

using Run = std::function<int()>;

Run DefineSection(CLI::App& sub);
Run DefineLines(CLI::App& sub);
Run DefineShow(CLI::App& sub);
Run DefineProfile(CLI::App& sub);
Run DefineRender(CLI::App& sub);
Run DefineSettings(CLI::App& sub);
Run DefineDemo(CLI::App& sub);
Run DefineStations(CLI::App& sub);

}  // namespace cli
