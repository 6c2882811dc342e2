// ruvo profile: the section's profile drawn into the drawing, as the drawing page's
// generate buttons do inside the host.

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/profile_run.h"
#include "platform/win/registry.h"
#include "ruvo/drawing/profile_geometry.h"
#include "ruvo/plugin/settings_store.h"
#include "ruvo/section/data_file.h"
#include "ruvo/section/get_data.h"

namespace cli {
namespace {

constexpr const char* kProfileHelp =
    "usage: ruvo profile DRAWING (--line HANDLE | --pick X,Y | --data DATAFILE) --at X,Y\n"
    "                    [--frame KIND] [--set NAME=VALUE]... [-o OUT.dxf] [--svg OUT.svg]\n"
    "\n"
    "Cuts the section (or loads a section data file, as \"导入\" does), draws its profile\n"
    "into the drawing and places it at --at, as the drawing page's generate buttons do.\n"
    "\n"
    "  --line HANDLE      pick the section line by its DXF handle (hex)\n"
    "  --pick X,Y         pick the section line at a point\n"
    "  --data DATAFILE    take the points from a section data file instead\n"
    "  --at X,Y           the insertion point (the left end of the profile's baseline)\n"
    "  --frame KIND       draw inside a paper frame: 0 A4 landscape, 1 A4 portrait, 2 A3\n"
    "                     landscape, 3 A3 portrait, ... 8 A0 landscape, 9 A0 portrait\n"
    "  --set NAME=VALUE   override a setting (XScale=1000, bXScale=1, bDirection2=1, ...)\n"
    "  -o OUT.dxf         write the drawing with the profile\n"
    "  --svg OUT.svg      write a picture of the profile\n"
    "\n"
    "The host's command-line messages go to standard error.\n"
    "Exit status: 0 done, 1 refused input, 2 usage error.\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "ruvo profile: %s (ruvo profile --help)\n", message.c_str());
  return 2;
}

int Refused(const std::string& message) {
  std::fprintf(stderr, "ruvo profile: %s\n", message.c_str());
  return 1;
}

struct ProfileArgs {
  std::string drawing, data, out;
  std::optional<std::uint64_t> handle;
  std::optional<geom::Point3d> pickAt;
  std::optional<geom::Point3d> at;
  std::vector<std::string> settings;
  ProfileRequest request;
};

std::optional<geom::Point3d> Point(std::string_view text) {
  const auto v = ParseNumberList(text, 2);
  if (!v) return std::nullopt;
  return geom::Point3d{(*v)[0], (*v)[1], 0};
}

// Empty when the arguments are complete; else the usage message.
std::string Parse(Args args, ProfileArgs& a, bool& help) {
  ArgReader r(args);
  std::string_view value;
  while (!r.done()) {
    if (r.flag("--help") || r.flag("-h")) {
      help = true;
      return {};
    }
    if (r.option("--line", value)) {
      std::uint64_t h = 0;
      const auto res = std::from_chars(value.data(), value.data() + value.size(), h, 16);
      if (res.ec != std::errc() || res.ptr != value.data() + value.size() || h == 0) {
        return "--line needs a hex handle";
      }
      a.handle = h;
    } else if (r.option("--pick", value)) {
      if (!(a.pickAt = Point(value))) return "--pick needs X,Y";
    } else if (r.option("--data", value)) {
      a.data = value;
    } else if (r.option("--at", value)) {
      if (!(a.at = Point(value))) return "--at needs X,Y";
    } else if (r.option("--frame", value)) {
      const auto v = ParseNumberList(value, 1);
      if (!v || (*v)[0] < 0 || (*v)[0] > 9 || (*v)[0] != static_cast<int>((*v)[0])) {
        return "--frame needs a kind from 0 to 9";
      }
      a.request.frame = static_cast<int>((*v)[0]);
    } else if (r.option("--set", value)) {
      a.settings.emplace_back(value);
    } else if (r.option("-o", value)) {
      a.out = value;
    } else if (r.option("--svg", value)) {
      a.request.svg = value;
    } else if (!r.peek().starts_with("-") && a.drawing.empty()) {
      a.drawing = r.take();
    } else {
      return "unknown argument " + std::string(r.peek());
    }
    if (r.missingValue()) return std::string(r.missingName()) + " needs a value";
  }
  if (a.drawing.empty()) return "a DRAWING is needed";
  const int sources = a.handle.has_value() + a.pickAt.has_value() + !a.data.empty();
  if (sources != 1) return "give one of --line, --pick and --data";
  if (!a.at) return "--at X,Y is needed";
  a.request.at = *a.at;
  return {};
}

}  // namespace

int runProfile(Args args) {
  ProfileArgs a;
  bool help = false;
  if (const std::string message = Parse(args, a, help); !message.empty()) return Usage(message);
  if (help) {
    std::fputs(kProfileHelp, stdout);
    return 0;
  }
  ruvo::CDocData doc;
  ruvo::ReadSettings(win::Registry::currentUser(), doc);
  if (const auto replaced = ruvo::ReplaceUnusableSettings(doc); !replaced.empty()) {
    std::string line;
    for (const std::string& r : replaced) line += (line.empty() ? "" : ", ") + r;
    std::fprintf(stderr, "ruvo profile: unusable stored settings: %s\n", line.c_str());
  }
  std::string error;
  for (const std::string& s : a.settings) {
    if (!ApplySetting(doc, s, error)) return Usage(error);
  }
  if (const std::string bad = CheckDrawingSettings(doc); !bad.empty()) return Usage(bad);

  auto session = Session::Open(a.drawing, error);
  if (!session) return Refused(error);
  if (!a.data.empty()) {
    const ruvo::DataFileResult loaded = ruvo::LoadSectionFile(doc, a.data);
    if (!loaded.ok()) return Refused(a.data + ": " + loaded.message);
    doc.bFromDrawing = 0;
  } else {
    auto& script = session->host().script();
    script.push(a.handle ? host::headless::ScriptAnswer::pickHandle(*a.handle)
                         : host::headless::ScriptAnswer::pickAt(*a.pickAt));
    if (!ruvo::CGetData(session->host()).AcquireSection(doc, ruvo::kModeCommon)) {
      return Refused("no usable section line was picked");
    }
    doc.bFromDrawing = 1;
  }
  if (doc.pointList.size() < 2) return Refused("the section has fewer than two points");

  const ProfileOutcome outcome = DrawAndPicture(*session, doc, a.request);
  if (!outcome.error.empty()) return Refused(outcome.error);
  if (outcome.result.outcome != ruvo::DrawProfileResult::Placed) {
    if (!outcome.result.refused.empty()) return Refused(outcome.result.refused);
    return Refused("the profile was not placed");
  }
  if (!a.out.empty() && !session->SaveDrawingAs(a.out, error)) return Refused(error);
  const auto& e = outcome.extents;
  std::printf("profile: %zu points, %zu entities placed at %g,%g; extent %.1f,%.1f to %.1f,%.1f\n",
              doc.pointList.size(), outcome.result.ids.size(), a.request.at.x, a.request.at.y,
              e.min.x, e.min.y, e.max.x, e.max.y);
  if (!a.out.empty()) std::printf("profile: drawing written to %s\n", a.out.c_str());
  if (!a.request.svg.empty())
    std::printf("profile: picture written to %s\n", a.request.svg.c_str());
  return 0;
}

}  // namespace cli
