#pragma once
// What every Kestra program shares around its own work: the exit statuses, the version, the
// one exception barrier of its main, the folder of its resources, and the command-line
// parser's common set-up (help, version, one-line errors).

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace CLI {
class App;
}

namespace cli {

// Exit statuses of every program.
enum Exit : int {
  kDone = 0,
  kRefused = 1,   // input refused, output not written, or a result not obtained as asked
  kUsage = 2,     // the command line itself is wrong
  kInternal = 3,  // a fault of the program; the message says what escaped
};

// "0.1.0": the project's version.
std::string_view Version();

// Runs a program's body behind the one barrier where nothing may escape: an exception is
// turned into one line on `err` ("ruvo: internal error: ...") and kInternal, so that a
// fault never ends in an abort with a core dump or a half-written message.
int Guarded(std::string_view program, const std::function<int()>& body, std::ostream& err);

// The folder of the running program, symbolic links resolved.
std::filesystem::path ProgramFolder();

// A file shipped with the programs ("TK.dxf", "samples/topo_small.dxf"), looked for beside
// the program and where an installation puts it relative to the program: lib/kestra for the
// modules and their files, share/kestra for data. Nullopt when none of those has it.
std::optional<std::filesystem::path> ResourceFile(std::string_view name);

// The folders ResourceFile looks in, in order (for messages).
std::string ResourceFolders();

// Gives `app` the common options and texts: --help, --version, the exit statuses in the
// footer, and errors in one line.
void PrepareApp(CLI::App& app, std::string_view program);

// Parses the arguments. Nullopt when the program should go on; otherwise the exit status
// after help or the version was printed to `out` or a one-line usage error to `err`.
std::optional<int> Parse(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                         std::ostream& err);

// One line for a refusal: "program: message"; returns kRefused.
int Refused(std::string_view program, std::string_view message);

}  // namespace cli
