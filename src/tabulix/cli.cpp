#include "tabulix/cli.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <optional>
#include <ostream>
#include <sstream>
#include <system_error>

#include "cli/program.h"
#include "platform/win/display_width.h"
#include "platform/win/utf8.h"
#include "ruvo/section/text_format.h"
#include "tabulix/table.h"

namespace tabulix {

namespace {

constexpr const char* kDescription =
    R"(Reads a section data file (versions ZRK3.0, ZRK3.6, ZRK3.8) and writes its points as a
table:
  tabulix export DATAFILE -o OUT.csv|OUT.txt [options]
  tabulix show DATAFILE [options]
  tabulix [DATAFILE]                  the export tool's window (opened on DATAFILE)
  tabulix --script FILE [DATAFILE]    the window, driven by the widget directives in FILE
`export` writes the table file (first line the row count, then one line per row, comma
separated, CR LF, code page 936); `show` prints the same table with its row numbers.
Settings start from Tabulix.ini beside the program.)";

struct Options {
  std::string dataFile, output, ini;
  std::optional<std::string> fields;
  std::optional<int> decimals, mode;
  bool renumber = false, reverse = false;
  std::vector<std::string> layerLists, layerNames;
};

std::vector<std::string> splitList(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    std::string part = win::trim(text.substr(start, comma - start));
    if (!part.empty()) parts.push_back(std::move(part));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

void addTableOptions(CLI::App& sub, Options& o) {
  sub.add_option("DATAFILE", o.dataFile, "the section data file")->required()->type_name("");
  sub.add_option("--ini", o.ini, "read the settings from this file instead of Tabulix.ini")
      ->type_name("FILE");
  sub.add_option("--fields", o.fields,
                 "fields of the data columns in order, by title: 编号 坐标X 坐标Y 高程Z "
                 "与起点距离 与前点距离 注释 方位 图层 (2 to 9 columns)")
      ->type_name("NAME,...");
  sub.add_option("--decimals", o.decimals,
                 "decimals of coordinates (0 to 6); elevations and distances use at most 3")
      ->check(CLI::Range(0, 6))
      ->type_name("D");
  sub.add_option("--mode", o.mode,
                 "0 crossings only, 1 crossings and knee points, 2 knee points only")
      ->check(CLI::Range(0, 2))
      ->type_name("0|1|2");
  sub.add_flag("--renumber", o.renumber, "number the rows 1, 2, ... instead of the file's numbers");
  sub.add_flag("--reverse", o.reverse, "list from the end of the section to its start");
  sub.add_option("--layers", o.layerLists,
                 "show only crossings and added points on these layers (may be repeated)")
      ->allow_extra_args(false)
      ->type_name("NAME,...");
  sub.add_option("--layer", o.layerNames, "the same for one name that contains a comma")
      ->allow_extra_args(false)
      ->type_name("NAME");
}

std::pair<CLI::App*, CLI::App*> Define(CLI::App& app, Options& o) {
  cli::PrepareApp(app, "tabulix");
  app.description(kDescription);
  app.require_subcommand(1);
  CLI::App* exportCommand = app.add_subcommand("export", "write the table file");
  addTableOptions(*exportCommand, o);
  exportCommand->add_option("-o,--output", o.output, "the table file (.csv or .txt)")
      ->required()
      ->type_name("OUT.csv|OUT.txt");
  CLI::App* showCommand = app.add_subcommand("show", "print the table");
  addTableOptions(*showCommand, o);
  return {exportCommand, showCommand};
}

// What the parser cannot check; an error text means a usage error.
std::optional<std::string> check(const Options& o, bool exporting) {
  if (o.fields) {
    const std::vector<std::string> fields = splitList(*o.fields);
    if (fields.empty()) return "--fields needs at least one title";
    // one title is the first column, the next default one completing the table's two
    if (fields.size() > 9)
      return "--fields takes at most 9 titles, not " + std::to_string(fields.size());
    for (const std::string& f : fields) {
      if (std::find(kDefaultTitles.begin(), kDefaultTitles.end(), f) == kDefaultTitles.end()) {
        return "unknown field '" + f + "'";
      }
    }
  }
  if (exporting) {
    const std::string ext = win::asciiLower(std::filesystem::path(o.output).extension().string());
    if (ext != ".csv" && ext != ".txt") return "the output must end in .csv or .txt";
  }
  return std::nullopt;
}

void printAligned(const Table& table, std::ostream& out) {
  std::vector<std::size_t> widths(table.headers.size(), 0);
  auto measure = [&](const std::vector<std::string>& row) {
    for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c) {
      widths[c] = std::max(widths[c], win::displayWidth(row[c]));
    }
  };
  measure(table.headers);
  for (const auto& row : table.rows) measure(row);
  auto print = [&](const std::vector<std::string>& row) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c) line += "  ";
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] - win::displayWidth(row[c]), ' ');
    }
    out << line << '\n';
  };
  print(table.headers);
  for (const auto& row : table.rows) print(row);
}

}  // namespace

std::size_t DisplayWidth(const std::string& text) { return cli::DisplayWidth(text); }

std::string HelpText() {
  CLI::App app;
  Options o;
  std::ostringstream out, err;
  Define(app, o);
  cli::Parse(app, std::vector<std::string>{"--help"}, out, err);
  return out.str();
}

bool IsWindowRequest(const std::vector<std::string>& args) {
  if (args.empty()) return true;
  return args.size() == 1 && args[0] != "export" && args[0] != "show" && !args[0].starts_with("-");
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& defaultIni,
                   std::ostream& out, std::ostream& err) {
  CLI::App app;
  Options o;
  auto [exportCommand, showCommand] = Define(app, o);
  if (auto status = cli::Parse(app, args, out, err)) return *status;
  const bool exporting = exportCommand->parsed();
  if (auto problem = check(o, exporting)) {
    err << "tabulix " << (exporting ? "export" : "show") << ": " << *problem << " (tabulix "
        << (exporting ? "export" : "show") << " --help)\n";
    return cli::kUsage;
  }
  (void)showCommand;
  std::error_code ec;
  if (!o.ini.empty() && !std::filesystem::is_regular_file(o.ini, ec)) {
    err << "tabulix: the settings file " << o.ini << " does not exist\n";
    return cli::kRefused;
  }
  TabulixSettings settings;
  LoadSettings(o.ini.empty() ? defaultIni : o.ini, settings);
  if (o.fields) {
    const std::vector<std::string> fields = splitList(*o.fields);
    for (std::size_t i = 0; i < fields.size() && i < kFieldCount; ++i) {
      settings.titles[i] = fields[i];
    }
    settings.columnCount = ClampColumnCount(static_cast<int>(fields.size()));
  }
  if (o.decimals) settings.decimals = *o.decimals;
  if (o.mode) settings.displayMode = *o.mode;
  if (o.renumber) settings.renumber = 1;

  TabulixData data;
  const ruvo::DataFileResult read = OpenDataFile(o.dataFile, data);
  for (const std::string& note : read.notes) err << win::trim(note) << '\n';
  if (!read.ok()) {
    err << "tabulix: " << read.message << ": " << o.dataFile << '\n';
    return 1;
  }
  if (!o.layerLists.empty() || !o.layerNames.empty()) {
    std::vector<std::string> layers = o.layerNames;
    for (const std::string& list : o.layerLists) {
      for (std::string& name : splitList(list)) layers.push_back(std::move(name));
    }
    ApplyLayerFilter(data.points, layers);
  }
  const Table table = FillTable(data.points, TableView::FromSettings(settings, o.reverse));
  if (!exporting) {
    printAligned(table, out);
    return 0;
  }
  switch (ExportTable(table, o.output)) {
    case ExportStatus::Written:
      err << "tabulix: " << table.rows.size() << " rows written to " << o.output << '\n';
      return 0;
    case ExportStatus::NothingToExport:
      err << "tabulix: the table has no rows; nothing exported\n";
      return 1;
    case ExportStatus::CannotWrite: {
      // The system's reason, as the user would see it from any other program.
      std::error_code why;
      const auto folder = std::filesystem::path(o.output).parent_path();
      std::string reason = "cannot be written";
      if (!folder.empty() && !std::filesystem::is_directory(folder, why)) {
        reason = std::generic_category().message(ENOENT);
      } else if (::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0) {
        reason = std::generic_category().message(errno);
      }
      err << "tabulix: 保存文件失败: " << reason << ": " << o.output << '\n';
      return 1;
    }
      return 1;
  }
  return 1;
}

}  // namespace tabulix
