// cadtool: looks into drawings, copies them as a save does, and runs crossing selections.

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cli/program.h"
#include "platform/cad/database.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/dxf/out_tags.h"
#include "platform/win/number_parse.h"
#include "platform/win/utf8.h"

namespace {

constexpr int kOk = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

const char* const kHelp =
    "usage: cadtool info DRAWING [--json]\n"
    "       cadtool copy DRAWING -o OUT\n"
    "       cadtool select DRAWING --crossing X1,Y1,X2,Y2 [--json]\n"
    "\n"
    "  info    version, code page, entity counts by kind and by layer, extents, and the\n"
    "          problems found while reading\n"
    "  copy    read the drawing and write it again, as a save does\n"
    "  select  handles of the model space entities a crossing window selects\n"
    "\n"
    "Exit status: 0 success, 1 a drawing that cannot be read or written, 2 usage error.\n";

int usage(const std::string& message) {
  std::fprintf(stderr, "cadtool: %s (see cadtool --help)\n", message.c_str());
  return kUsage;
}

std::string number(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

std::string kindName(const cad::Entity& e) {
  if (e.kind() == cad::ObjectKind::Polyline2d) return "POLYLINE (2D)";
  if (e.kind() == cad::ObjectKind::Polyline3d) return "POLYLINE (3D)";
  return dxf::entityTypeName(e);
}

std::unique_ptr<cad::Database> load(const std::string& path, dxf::ReadReport& report) {
  auto db = dxf::readDrawing(path, report);
  if (!db) std::fprintf(stderr, "cadtool: %s: %s\n", path.c_str(), report.message.c_str());
  return db;
}

int info(const std::string& path, bool json) {
  dxf::ReadReport report;
  auto db = load(path, report);
  if (!db) return kRefused;
  std::map<std::string, std::size_t> byKind, byLayer;
  std::size_t total = 0;
  db->forEachEntity(db->modelSpaceId(), [&](const cad::Entity& e) {
    ++byKind[kindName(e)];
    ++byLayer[e.layer()];
    ++total;
    return true;
  });
  const geom::Extents3d ext = db->updateExtents();
  const std::string version = report.version.empty() ? "(no header)" : report.version;
  if (json) {
    auto map = [](const std::map<std::string, std::size_t>& m) {
      std::string out = "{";
      for (const auto& [k, v] : m) {
        out += (out.size() > 1 ? ", " : "") + win::jsonString(k) + ": " + std::to_string(v);
      }
      return out + "}";
    };
    std::string problems = "[";
    for (const auto& p : report.problems) {
      problems += (problems.size() > 1 ? ", " : "") + win::jsonString(p);
    }
    problems += "]";
    std::string extents = "null";
    if (!ext.empty()) {
      extents = "[" + number(ext.min.x) + ", " + number(ext.min.y) + ", " + number(ext.min.z) +
                ", " + number(ext.max.x) + ", " + number(ext.max.y) + ", " + number(ext.max.z) +
                "]";
    }
    std::printf(
        "{\"version\": %s, \"binary\": %s, \"codepage\": %s, \"encoding\": %s, \"entities\": %zu, "
        "\"by_kind\": %s, \"by_layer\": %s, \"extents\": %s, \"problems\": %s}\n",
        win::jsonString(report.version).c_str(), report.binary ? "true" : "false",
        win::jsonString(report.codepage).c_str(), win::jsonString(report.encoding).c_str(), total,
        map(byKind).c_str(), map(byLayer).c_str(), extents.c_str(), problems.c_str());
    return kOk;
  }
  std::printf("version:   %s%s\n", version.c_str(), report.binary ? " (binary)" : "");
  std::printf("code page: %s (text read as %s)\n",
              report.codepage.empty() ? "(none)" : report.codepage.c_str(),
              report.encoding.c_str());
  std::printf("entities:  %zu in model space\n", total);
  std::printf("by kind:\n");
  for (const auto& [k, v] : byKind) std::printf("  %-24s %zu\n", k.c_str(), v);
  std::printf("by layer:\n");
  for (const auto& [k, v] : byLayer) std::printf("  %-24s %zu\n", k.c_str(), v);
  if (ext.empty()) {
    std::printf("extents:   (empty)\n");
  } else {
    std::printf("extents:   %s,%s,%s .. %s,%s,%s\n", number(ext.min.x).c_str(),
                number(ext.min.y).c_str(), number(ext.min.z).c_str(), number(ext.max.x).c_str(),
                number(ext.max.y).c_str(), number(ext.max.z).c_str());
  }
  std::printf("problems:  %zu\n", report.problems.size());
  for (const auto& p : report.problems) std::printf("  %s\n", p.c_str());
  return kOk;
}

int copy(const std::string& path, const std::string& out) {
  dxf::ReadReport report;
  auto db = load(path, report);
  if (!db) return kRefused;
  dxf::WriteReport written;
  if (dxf::writeDrawing(*db, out, written) != cad::Status::Ok) {
    std::fprintf(stderr, "cadtool: %s\n", written.message.c_str());
    return kRefused;
  }
  for (const auto& n : written.notes) std::printf("%s\n", n.c_str());
  return kOk;
}

bool parseWindow(const std::string& text, double (&v)[4]) {
  const auto values = win::parseFiniteNumberList(text, 4);
  if (!values) return false;
  std::copy(values->begin(), values->end(), v);
  return true;
}

int select(const std::string& path, const std::string& window, bool json) {
  double v[4];
  if (!parseWindow(window, v)) return usage("--crossing wants X1,Y1,X2,Y2");
  dxf::ReadReport report;
  auto db = load(path, report);
  if (!db) return kRefused;
  const double x1 = std::min(v[0], v[2]), x2 = std::max(v[0], v[2]);
  const double y1 = std::min(v[1], v[3]), y2 = std::max(v[1], v[3]);
  std::vector<geom::Point2d> polygon{{x2, y2}, {x1, y2}, {x1, y1}, {x2, y1}};
  std::vector<cad::ObjectId> ids = db->selectCrossing(polygon);
  if (json) {
    std::string out = "[";
    for (cad::ObjectId id : ids) {
      out += (out.size() > 1 ? ", " : "") + win::jsonString(dxf::handleText(id.handle()));
    }
    std::printf("%s]\n", out.c_str());
    return kOk;
  }
  for (cad::ObjectId id : ids) std::printf("%s\n", dxf::handleText(id.handle()).c_str());
  return kOk;
}

int run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return kOk;
    }
  }
  if (args.size() < 2) return usage(args.empty() ? "no command" : "no drawing");
  const std::string command = args[0], drawing = args[1];
  bool json = false;
  std::string out, crossing;
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "-o" && i + 1 < args.size()) {
      out = args[++i];
    } else if (args[i] == "--crossing" && i + 1 < args.size()) {
      crossing = args[++i];
    } else {
      return usage("unexpected argument '" + args[i] + "'");
    }
  }
  if (command == "info") {
    if (!out.empty() || !crossing.empty()) return usage("info takes only --json");
    return info(drawing, json);
  }
  if (command == "copy") {
    if (out.empty()) return usage("copy needs -o OUT");
    if (json || !crossing.empty()) return usage("copy takes only -o OUT");
    return copy(drawing, out);
  }
  if (command == "select") {
    if (crossing.empty()) return usage("select needs --crossing X1,Y1,X2,Y2");
    if (!out.empty()) return usage("select takes --crossing and --json");
    return select(drawing, crossing, json);
  }
  return usage("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) {
  return cli::Guarded(
      "cadtool", [&] { return run(argc, argv); }, std::cerr);
}
