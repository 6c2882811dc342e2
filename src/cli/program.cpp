#include "cli/program.h"

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <ostream>
#include <system_error>

#include "platform/win/module_path.h"

namespace cli {
namespace {

// A message as one line: the reader of a one-line error must not get a second.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// Where ResourceFile looks, relative to the program's own folder: beside it (the build
// folder and lib/kestra hold programs, modules and their files together), then the data
// folder of the build tree and of an installation, then lib/kestra for a program copied
// into bin.
constexpr const char* kRelativeFolders[] = {".", "../share/kestra", "../../share/kestra",
                                            "../lib/kestra"};

}  // namespace

std::string_view Version() { return KESTRA_VERSION; }

int Guarded(std::string_view program, const std::function<int()>& body, std::ostream& err) {
  try {
    return body();
  } catch (const std::exception& e) {
    err << program << ": internal error: " << OneLine(e.what()) << '\n';
  } catch (...) {
    err << program << ": internal error: an unknown exception\n";
  }
  return kInternal;
}

std::filesystem::path ProgramFolder() {
  static const int anchor = 0;
  return std::filesystem::path(win::moduleFolder(&anchor).value_or("."));
}

std::optional<std::filesystem::path> ResourceFile(std::string_view name) {
  const std::filesystem::path folder = ProgramFolder();
  for (const char* relative : kRelativeFolders) {
    std::filesystem::path candidate = (folder / relative / name).lexically_normal();
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  }
  return std::nullopt;
}

std::string ResourceFolders() {
  const std::filesystem::path folder = ProgramFolder();
  std::string text;
  for (const char* relative : kRelativeFolders) {
    if (!text.empty()) text += ", ";
    std::string one = (folder / relative).lexically_normal().string();
    if (one.size() > 1 && one.back() == '/') one.pop_back();
    text += one;
  }
  return text;
}

void PrepareApp(CLI::App& app, std::string_view program) {
  app.name(std::string(program));
  app.set_version_flag("--version", std::string(program) + " " + std::string(Version()));
  app.footer(
      "Exit status: 0 done, 1 refused input or a result not obtained as asked, 2 usage "
      "error, 3 internal error.");
  app.get_formatter()->column_width(26);
}

std::optional<int> Parse(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                         std::ostream& err) {
  try {
    app.parse(argc, argv);
    return std::nullopt;
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kDone;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return kDone;
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << '\n';
    return kDone;
  } catch (const CLI::ParseError& e) {
    // The command the error belongs to, so that the user knows whose --help to read.
    std::string whose = app.get_name();
    for (const CLI::App* sub = &app; !sub->get_subcommands().empty();) {
      sub = sub->get_subcommands().front();
      whose += " " + sub->get_name();
    }
    err << whose << ": " << OneLine(e.what()) << " (" << whose << " --help)\n";
    return kUsage;
  }
}

int Refused(std::string_view program, std::string_view message) {
  std::cerr << program << ": " << OneLine(std::string(message)) << '\n';
  return kRefused;
}

}  // namespace cli
