// cadtool: looks into drawings, copies them as a save does, and runs crossing selections.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cli/program.h"
#include "platform/cad/database.h"
#include "platform/cad/queries.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/dxf/out_tags.h"
#include "platform/win/number_parse.h"
#include "platform/win/utf8.h"

namespace {

constexpr int kOk = cli::kDone;
constexpr int kRefused = cli::kRefused;

std::string number(double v) { return cli::ShortestNumber(v); }

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
  const geom::Extents3d ext = db->modelExtents().update();
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
  // Names and counts in columns; layer names are often Chinese, two terminal columns each.
  auto table = [](const char* title, const std::map<std::string, std::size_t>& counts) {
    std::printf("%s\n", title);
    std::vector<std::vector<std::string>> rows;
    for (const auto& [k, v] : counts) rows.push_back({" ", k, std::to_string(v)});
    std::cout.flush();
    cli::WriteAligned(std::cout, rows);
    std::cout.flush();
  };
  table("by kind:", byKind);
  table("by layer:", byLayer);
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
  if (!parseWindow(window, v)) {
    return cli::UsageError("cadtool select", "--crossing wants X1,Y1,X2,Y2");
  }
  dxf::ReadReport report;
  auto db = load(path, report);
  if (!db) return kRefused;
  const double x1 = std::min(v[0], v[2]), x2 = std::max(v[0], v[2]);
  const double y1 = std::min(v[1], v[3]), y2 = std::max(v[1], v[3]);
  std::vector<geom::Point2d> polygon{{x2, y2}, {x1, y2}, {x1, y1}, {x2, y1}};
  std::vector<cad::ObjectId> ids = cad::selectCrossing(*db, polygon);
  auto typeAndLayer = [&](cad::ObjectId id) -> std::pair<std::string, std::string> {
    const auto* e = cad::objectCast<cad::Entity>(db->peek(id));
    return e == nullptr ? std::pair<std::string, std::string>()
                        : std::pair(kindName(*e), e->layer());
  };
  if (json) {
    std::string out = "[";
    for (cad::ObjectId id : ids) {
      const auto [type, layer] = typeAndLayer(id);
      out += (out.size() > 1 ? ",\n " : "") + std::string("{\"handle\": ") +
             win::jsonString(dxf::handleText(id.handle())) +
             ", \"type\": " + win::jsonString(type) + ", \"layer\": " + win::jsonString(layer) +
             "}";
    }
    std::printf("%s]\n", out.c_str());
    return kOk;
  }
  std::vector<std::vector<std::string>> rows;
  for (cad::ObjectId id : ids) {
    const auto [type, layer] = typeAndLayer(id);
    rows.push_back({dxf::handleText(id.handle()), type, layer});
  }
  cli::WriteAligned(std::cout, rows);
  return kOk;
}

int run(int argc, char** argv) {
  CLI::App app(
      "Looks into DXF drawings, copies them as a save does, and runs crossing selections.");
  cli::PrepareApp(app, "cadtool");
  app.require_subcommand(1);
  std::string drawing, out, crossing;
  bool json = false;
  CLI::App* infoCommand =
      app.add_subcommand("info",
                         "version, code page, entity counts by kind and by layer, extents, and the "
                         "problems found while reading");
  CLI::App* copyCommand =
      app.add_subcommand("copy", "read the drawing and write it again, as a save does");
  CLI::App* selectCommand = app.add_subcommand(
      "select", "handle, type and layer of the model space entities a crossing window selects");
  for (CLI::App* sub : {infoCommand, copyCommand, selectCommand}) {
    sub->add_option("DRAWING", drawing, "the drawing (DXF)")->required()->type_name("");
  }
  infoCommand->add_flag("--json", json, "print one JSON object");
  copyCommand->add_option("-o,--out", out, "the copy to write")->required()->type_name("OUT.dxf");
  selectCommand->add_option("--crossing", crossing, "the window's corners")
      ->required()
      ->type_name("X1,Y1,X2,Y2");
  selectCommand->add_flag("--json", json, "print a JSON array");
  if (auto status = cli::Parse(app, argc, argv, std::cout, std::cerr)) return *status;
  if (infoCommand->parsed()) return info(drawing, json);
  if (copyCommand->parsed()) return copy(drawing, out);
  return select(drawing, crossing, json);
}

}  // namespace

int main(int argc, char** argv) {
  return cli::Guarded(
      "cadtool", [&] { return run(argc, argv); }, std::cerr);
}
