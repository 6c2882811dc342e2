// ruvo render: a drawing (or a window of it) as an SVG picture.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/program.h"
#include "cli/render_pdf.h"
#include "platform/cad/symbol_table.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/render/drawing_renderer.h"
#include "platform/render/svg_writer.h"
#include "platform/win/atomic_file.h"

namespace cli {
namespace {

constexpr const char* kCommand = "ruvo render";

struct RenderArgs {
  std::string drawing, out, window, layers;
  int size = 2000;
};

int Execute(const RenderArgs& a) {
  render::RenderOptions options;
  render::SvgOptions svg;
  if (!a.window.empty()) {
    const auto v = ParseNumberList(a.window, 4);
    if (!v) return UsageError(kCommand, "--window needs X1,Y1,X2,Y2");
    options.window = geom::Extents2d::of({(*v)[0], (*v)[1]}, {(*v)[2], (*v)[3]});
    if (!(options.window->width() > 0) || !(options.window->height() > 0))
      return UsageError(kCommand, "--window needs two opposite corners of a window with an area");
    svg.window = options.window;
  }
  if (!a.layers.empty()) options.layers = SplitNameList(a.layers);
  svg.size = a.size;
  // the format by the extension: a picture written under another name would be mistaken
  const std::string extension = cad::foldName(std::filesystem::path(a.out).extension().string());
  const bool pdf = extension == ".PDF";
  if (!pdf && extension != ".SVG") return UsageError(kCommand, "OUT must end in .svg or .pdf");

  dxf::ReadReport read;
  const auto db = dxf::readDrawing(a.drawing, read);
  if (!db) return Refused(kCommand, a.drawing + ": " + read.message);
  render::RenderReport report;
  for (const std::string& layer : options.layers) {
    if (db->layers().getIdAt(layer).isNull())
      return Refused(kCommand, "the drawing has no layer " + layer);
  }
  const render::Picture picture = render::renderModelSpace(*db, options, &report);
  if (pdf) {
    if (const int status = WriteRenderPdf(*db, picture, options.window, a.out); status != 0)
      return status;
  } else {
    std::string why;
    const auto document = render::writeSvg(picture, svg, why);
    if (!document) return Refused(kCommand, a.out + ": " + why);
    if (!win::writeFileAtomically(a.out, *document, &why)) {
      return Refused(kCommand, a.out + ": " + why);
    }
  }
  std::cout << "render: " << report.entities << " entities drawn into " << a.out;
  for (const auto& [kind, count] : report.skipped)
    std::cout << ", " << count << ' ' << kind << " skipped";
  std::cout << '\n';
  return kDone;
}

}  // namespace

Run DefineRender(CLI::App& sub) {
  auto a = std::make_shared<RenderArgs>();
  DescribeCommand(
      sub,
      "Draws the model space of a DXF drawing as SVG or PDF (by the extension of OUT): lines, "
      "polylines with widths and arcs, circles, ellipses, splines, texts and block references. "
      "A PDF has one page per paper frame in model space, at the frame's paper size and true "
      "scale (one drawing unit to the millimetre); with --window, one page of the window; with "
      "neither, one page of the drawing's extents. Lines stay vector lines, texts stay "
      "selectable text.");
  sub.add_option("DRAWING", a->drawing, "the drawing (DXF)")->required();
  sub.add_option("-o,--out", a->out, "the picture to write (.svg or .pdf)")->required();
  sub.add_option("--window", a->window, "X1,Y1,X2,Y2: only this part of the drawing");
  sub.add_option("--layers", a->layers, "A,B: only entities on these layers (\"\\,\" for a comma)");
  sub.add_option("--size", a->size, "length of the picture's longer side in pixels (default 2000)")
      ->check(CLI::Range(16, 20000));
  return [a] { return Execute(*a); };
}

}  // namespace cli
