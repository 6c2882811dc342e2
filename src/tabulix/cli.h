#pragma once
// The command line of the export tool: `tabulix export` and `tabulix show`.

#include <iosfwd>
#include <string>
#include <vector>

namespace tabulix {

// The program's --help.
std::string HelpText();

// No arguments, or a single one that is neither a command nor an option (a data file):
// what opens the export tool's window.
bool IsWindowRequest(const std::vector<std::string>& args);

// Runs the command line; returns the exit status (0 done, 1 refused input, 2 usage error).
// `defaultIni` is "Tabulix.ini" beside the program.
int RunCommandLine(const std::vector<std::string>& args, const std::string& defaultIni,
                   std::ostream& out, std::ostream& err);

// Display width of a text in a terminal: wide East Asian characters take two cells.

}  // namespace tabulix
