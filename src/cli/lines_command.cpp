// ruvo lines: the drawing's candidate section lines, so that nobody has to read the DXF to
// find a handle for --line.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/program.h"
#include "cli/section_line.h"
#include "cli/section_output.h"
#include "cli/session.h"
#include "ruvo/section/text_format.h"

namespace cli {
namespace {

constexpr const char* kCommand = "ruvo lines";

struct LinesArgs {
  std::string drawing;
  std::optional<std::string> layers;
  bool usable = false;
  bool json = false;
};

int Execute(const LinesArgs& a) {
  std::string error;
  auto session = Session::Open(a.drawing, error);
  if (!session) return Refused(kCommand, error);
  std::vector<LineInfo> lines = CandidateLines(session->document().database());
  const std::vector<std::string> layers =
      a.layers ? SplitNameList(*a.layers) : std::vector<std::string>{};
  std::erase_if(lines, [&](const LineInfo& l) {
    return (a.usable && !l.unusable.empty()) ||
           (a.layers && std::find(layers.begin(), layers.end(), l.layer) == layers.end());
  });
  if (a.json) {
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const LineInfo& l : lines) {
      out.push_back({{"handle", l.handle},
                     {"type", l.type},
                     {"layer", l.layer},
                     {"length", l.length},
                     {"vertices", l.vertices},
                     {"unusable", l.unusable.empty() ? nlohmann::ordered_json(nullptr)
                                                     : nlohmann::ordered_json(l.unusable)}});
    }
    std::cout << out.dump(1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    return kDone;
  }
  std::vector<std::vector<std::string>> rows = {
      {"handle", "type", "layer", "length", "vertices", "note"}};
  for (const LineInfo& l : lines) {
    rows.push_back({l.handle, l.type, l.layer, ruvo::FormatFixed(l.length, 3),
                    std::to_string(l.vertices), l.unusable});
  }
  WriteAligned(std::cout, rows);
  std::cerr << kCommand << ": " << lines.size() << " candidate section lines"
            << (a.usable ? "" : " (--usable leaves out those that cannot be cut along)") << '\n';
  return kDone;
}

}  // namespace

Run DefineLines(CLI::App& sub) {
  auto a = std::make_shared<LinesArgs>();
  DescribeCommand(
      sub,
      "Lists the LINEs and polylines of the model space that can serve as section lines: "
      "handle (for --line), type, layer, length in plan and vertex count; those that cannot "
      "be cut along say why.");
  sub.add_option("DRAWING", a->drawing, "the drawing (DXF)")->required();
  sub.add_option("--layers", a->layers, "A,B: only lines on these layers");
  sub.add_flag("--usable", a->usable, "only lines that can be cut along");
  sub.add_flag("--json", a->json, "print a JSON array");
  return [a] { return Execute(*a); };
}

}  // namespace cli
