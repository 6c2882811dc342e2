// ruvo profile: the section's profile drawn into the drawing, as the drawing page's
// generate buttons do inside the host.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/profile_run.h"
#include "cli/program.h"
#include "cli/section_line.h"
#include "cli/section_output.h"
#include "platform/cad/symbol_table.h"
#include "platform/win/atomic_file.h"
#include "platform/win/registry.h"
#include "ruvo/drawing/profile_geometry.h"
#include "ruvo/section/data_file.h"
#include "ruvo/section/get_data.h"
#include "ruvo/settings/settings_store.h"

namespace cli {
namespace {

constexpr const char* kCommand = "ruvo profile";

struct ProfileArgs {
  std::string drawing, data, out, at, svg;
  LineOptions line;
  std::optional<int> frame;
  std::vector<std::string> settings;
};

int Execute(const ProfileArgs& a) {
  if (!a.svg.empty()) {
    if (cad::foldName(std::filesystem::path(a.svg).extension().string()) != ".SVG")
      return UsageError(kCommand, "--svg must end in .svg");
    if (win::sameFile(a.svg, a.drawing) || win::sameFile(a.svg, a.data))
      return UsageError(kCommand, "--svg names an input: the picture would replace it");
    if (win::sameFile(a.svg, a.out)) return UsageError(kCommand, "-o and --svg name the same file");
  }
  if (win::sameFile(a.out, a.data))
    return UsageError(kCommand, "-o names the data file: the drawing would replace it");
  const auto at = ParseNumberList(a.at, 2);
  if (!at) return UsageError(kCommand, "--at needs X,Y, not '" + a.at + "'");
  const bool fromLine =
      !a.line.handle.empty() || !a.line.pick.empty() || !a.line.from.empty() || !a.line.to.empty();
  if (fromLine == !a.data.empty()) {
    return UsageError(kCommand, "give the section with one of --line, --pick, --from/--to, --data");
  }
  ProfileRequest request;
  request.at = {(*at)[0], (*at)[1], 0};
  request.frame = a.frame;
  request.svg = a.svg;

  ruvo::CDocData doc;
  ruvo::ReadSettings(win::Registry::currentUser(), doc);
  if (const auto replaced = ruvo::ReplaceUnusableSettings(doc); !replaced.empty()) {
    std::string line;
    for (const std::string& r : replaced) line += (line.empty() ? "" : ", ") + r;
    std::cerr << kCommand << ": unusable stored settings: " << line << '\n';
  }
  std::string error;
  auto session = Session::Open(a.drawing, error);
  if (!session) return Refused(kCommand, error);
  if (!a.data.empty()) {
    const ruvo::DataFileResult loaded = ruvo::LoadSectionFile(doc, a.data);
    if (!loaded.ok()) return Refused(kCommand, a.data + ": " + loaded.message);
    doc.bFromDrawing = 0;
  } else {
    LineChoice choice = LineChoice::Make(*session, a.line);
    if (!choice.ok()) {
      return choice.usage() ? UsageError(kCommand, choice.error())
                            : Refused(kCommand, choice.error());
    }
    choice.Push(*session);
    if (!ruvo::CGetData(session->host()).AcquireSection(doc, ruvo::kModeCommon)) {
      const std::string why = session->lastMessage();
      return Refused(kCommand, "no usable section line" + (why.empty() ? "" : " (" + why + ")"));
    }
    choice.Finish(*session);
    doc.bFromDrawing = 1;
  }
  // What the command line says wins over what the data file's header brought.
  for (const std::string& s : a.settings) {
    if (!ApplySetting(doc, s, error)) return UsageError(kCommand, error);
  }
  if (const std::string bad = CheckDrawingSettings(doc); !bad.empty()) {
    return UsageError(kCommand, bad);
  }
  if (doc.pointList.size() < 2) return Refused(kCommand, "the section has fewer than two points");

  const ProfileOutcome outcome = DrawAndPicture(*session, doc, request);
  if (!outcome.error.empty()) return Refused(kCommand, outcome.error);
  if (outcome.result.outcome != ruvo::DrawProfileResult::Placed) {
    if (!outcome.result.refused.empty()) return Refused(kCommand, outcome.result.refused);
    return Refused(kCommand, "the profile was not placed");
  }
  if (!a.out.empty() && !session->SaveDrawingAs(a.out, error)) return Refused(kCommand, error);
  if (!a.svg.empty() && !WritePicture(outcome, a.svg, error)) return Refused(kCommand, error);
  const auto& e = outcome.extents;
  std::cout << "profile: " << doc.pointList.size() << " points, " << outcome.result.ids.size()
            << " entities placed at " << JsonNumber(request.at.x) << ',' << JsonNumber(request.at.y)
            << (outcome.result.frame.isNull() ? "" : " in a frame") << "; extent "
            << JsonNumber(e.min.x) << ',' << JsonNumber(e.min.y) << " to " << JsonNumber(e.max.x)
            << ',' << JsonNumber(e.max.y) << '\n';
  if (!a.out.empty()) std::cout << "profile: drawing written to " << a.out << '\n';
  if (!a.svg.empty()) std::cout << "profile: picture written to " << a.svg << '\n';
  return kDone;
}

}  // namespace

Run DefineProfile(CLI::App& sub) {
  auto a = std::make_shared<ProfileArgs>();
  DescribeCommand(
      sub,
      "Cuts the section (or loads a section data file, as \"导入\" does), draws its profile "
      "into the drawing and places it at --at, as the drawing page's generate buttons do. "
      "Settings given with --set win over those a data file brings.\n\n" +
          SettingsHelp());
  sub.add_option("DRAWING", a->drawing, "the drawing (DXF)")->required()->type_name("");
  AddLineOptions(sub, a->line);
  sub.add_option("--data", a->data, "take the points from a section data file instead")
      ->type_name("DATAFILE");
  sub.add_option("--at", a->at, "the insertion point (left end of the profile's baseline)")
      ->required()
      ->type_name("X,Y");
  sub.add_option("--frame", a->frame,
                 "draw inside a paper frame: 0 A4 landscape, 1 A4 portrait, 2 A3 landscape, 3 A3 "
                 "portrait, ... 8 A0 landscape, 9 A0 portrait; a frame too small for the "
                 "profile is refused with the kind that fits")
      ->check(CLI::Range(0, 9))
      ->type_name("KIND");
  sub.add_option("--set", a->settings,
                 "NAME=VALUE: a setting (XScale=1000, bXScale=1, ...); `ruvo settings` lists "
                 "them all")
      ->allow_extra_args(false)
      ->type_name("NAME=VALUE");
  sub.add_option("-o,--out", a->out, "write the drawing with the profile")->type_name("OUT.dxf");
  sub.add_option("--svg", a->svg, "write a picture of the profile")->type_name("OUT.svg");
  return [a] { return Execute(*a); };
}

}  // namespace cli
