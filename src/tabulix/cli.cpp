#include "tabulix/cli.h"

#include <algorithm>
#include <optional>
#include <ostream>

#include "platform/win/display_width.h"
#include "platform/win/utf8.h"
#include "ruvo/section/text_format.h"
#include "tabulix/table.h"

namespace tabulix {

namespace {

constexpr const char* kHelp =
    R"(Usage:
  tabulix export DATAFILE -o OUT.csv|OUT.txt [options]
  tabulix show DATAFILE [options]

Reads a section data file (versions ZRK3.0, ZRK3.6, ZRK3.8) and writes its points as a
table: `export` writes the table file (first line the row count, then one line per row,
comma separated, CR LF, code page 936); `show` prints the same table with its row numbers.

Options (settings start from Tabulix.ini beside the program):
  --ini FILE            read the settings from FILE instead
  --fields NAME,...     fields of the data columns in order, by title: 编号 坐标X 坐标Y
                        高程Z 与起点距离 与前点距离 注释 方位 图层 (2 to 9 columns)
  --decimals D          decimals of coordinates (0 to 6); elevations and distances
                        use at most 3
  --mode 0|1|2          0 crossings only, 1 crossings and knee points, 2 knee points only
  --renumber            number the rows 1, 2, ... instead of the file's point numbers
  --reverse             list from the end of the section to its start
  --layers NAME,...     show only crossings on these layers (may be repeated)
  --layer NAME          the same for one name that contains a comma
  -h, --help            show this text

Exit status: 0 done, 1 refused input (unreadable or damaged data file, no rows,
output not written), 2 usage error.
)";

struct Options {
  std::string command, dataFile, output, ini;
  std::optional<std::vector<std::string>> fields;
  std::optional<int> decimals, mode;
  bool renumber = false, reverse = false;
  std::optional<std::vector<std::string>> layers;
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

// Parses the arguments; an error text means a usage error.
std::optional<std::string> parse(const std::vector<std::string>& args, Options& o) {
  if (args.empty()) return "no command given";
  o.command = args[0];
  if (o.command != "export" && o.command != "show") return "unknown command '" + o.command + "'";
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& into) -> bool {
      if (i + 1 >= args.size()) return false;
      into = args[++i];
      return true;
    };
    std::string v;
    if (a == "-o" || a == "--output") {
      if (!value(o.output)) return a + " needs a file name";
    } else if (a == "--ini") {
      if (!value(o.ini)) return "--ini needs a file name";
    } else if (a == "--fields") {
      if (!value(v)) return "--fields needs a list of titles";
      o.fields = splitList(v);
      for (const std::string& f : *o.fields) {
        if (std::find(kDefaultTitles.begin(), kDefaultTitles.end(), f) == kDefaultTitles.end()) {
          return "unknown field '" + f + "'";
        }
      }
      if (o.fields->empty()) return "--fields needs at least one title";
    } else if (a == "--decimals" || a == "--mode") {
      if (!value(v)) return a + " needs a number";
      const auto n = ruvo::ParseInteger(v);
      if (!n || *n < 0 || *n > (a == "--mode" ? 2 : 6)) return "bad value for " + a + ": " + v;
      (a == "--mode" ? o.mode : o.decimals) = static_cast<int>(*n);
    } else if (a == "--renumber") {
      o.renumber = true;
    } else if (a == "--reverse") {
      o.reverse = true;
    } else if (a == "--layers" || a == "--layer") {
      if (!value(v)) return a + " needs a layer name";
      if (!o.layers) o.layers.emplace();
      if (a == "--layer") {
        o.layers->push_back(v);
      } else {
        for (std::string& name : splitList(v)) o.layers->push_back(std::move(name));
      }
    } else if (a.starts_with("-") && a.size() > 1) {
      return "unknown option '" + a + "'";
    } else if (o.dataFile.empty()) {
      o.dataFile = a;
    } else {
      return "unexpected argument '" + a + "'";
    }
  }
  if (o.dataFile.empty()) return "no data file given";
  if (o.command == "export") {
    if (o.output.empty()) return "export needs -o OUT.csv or OUT.txt";
    const std::string ext = win::asciiLower(std::filesystem::path(o.output).extension().string());
    if (ext != ".csv" && ext != ".txt") return "the output must end in .csv or .txt";
  } else if (!o.output.empty()) {
    return "show writes to standard output; -o belongs to export";
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

int RunCommandLine(const std::vector<std::string>& args, const std::string& defaultIni,
                   std::ostream& out, std::ostream& err) {
  if (std::find(args.begin(), args.end(), "--help") != args.end() ||
      std::find(args.begin(), args.end(), "-h") != args.end()) {
    out << kHelp;
    return 0;
  }
  Options o;
  if (auto problem = parse(args, o)) {
    err << "tabulix: " << *problem << " (see tabulix --help)\n";
    return 2;
  }
  TabulixSettings settings;
  LoadSettings(o.ini.empty() ? defaultIni : o.ini, settings);
  if (o.fields) {
    for (std::size_t i = 0; i < o.fields->size() && i < kFieldCount; ++i) {
      settings.titles[i] = (*o.fields)[i];
    }
    settings.columnCount = ClampColumnCount(static_cast<int>(o.fields->size()));
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
  if (o.layers) ApplyLayerFilter(data.points, *o.layers);
  const Table table = FillTable(data.points, TableView::FromSettings(settings, o.reverse));
  if (o.command == "show") {
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
    case ExportStatus::CannotWrite:
      err << "tabulix: 保存文件失败: " << o.output << '\n';
      return 1;
  }
  return 1;
}

}  // namespace tabulix
