#include "cli/program.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <exception>
#include <iostream>
#include <ostream>
#include <system_error>

#include "platform/win/display_width.h"
#include "platform/win/module_path.h"
#include "platform/win/utf8.h"

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

constexpr const char* kExitStatuses =
    "Exit status: 0 done, 1 refused input or a result not obtained as asked, 2 usage error, 3 "
    "internal error.";

void DescribeCommand(CLI::App& sub, const std::string& text) {
  sub.footer(text + "\n\n" + kExitStatuses);
}

void PrepareApp(CLI::App& app, std::string_view program) {
  app.name(std::string(program));
  app.set_version_flag("--version", std::string(program) + " " + std::string(Version()));
  app.footer(kExitStatuses);
  app.get_formatter()->column_width(26);
}

namespace {

template <class ParseFn>
std::optional<int> ParseWith(CLI::App& app, ParseFn parse, std::ostream& out, std::ostream& err) {
  try {
    parse();
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

}  // namespace

std::optional<int> Parse(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                         std::ostream& err) {
  return ParseWith(
      app, [&] { app.parse(argc, argv); }, out, err);
}

std::optional<int> Parse(CLI::App& app, std::vector<std::string> args, std::ostream& out,
                         std::ostream& err) {
  // The parser takes the arguments last first.
  std::reverse(args.begin(), args.end());
  return ParseWith(
      app, [&] { app.parse(args); }, out, err);
}

std::size_t DisplayWidth(std::string_view text) { return win::displayWidth(text); }

void WriteAligned(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t c = 0; c < row.size(); ++c) {
      widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c) line += "  ";
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(row[c]), ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

std::string ShortestNumber(double value) {
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : std::string("?");
}

int UsageError(std::string_view command, std::string_view message) {
  std::cerr << command << ": " << OneLine(std::string(message)) << " (" << command << " --help)\n";
  return kUsage;
}

int Refused(std::string_view program, std::string_view message) {
  std::cerr << program << ": " << OneLine(std::string(message)) << '\n';
  return kRefused;
}

}  // namespace cli
