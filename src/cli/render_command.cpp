// ruvo render: a drawing (or a window of it) as an SVG picture.

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/render_pdf.h"
#include "platform/cad/symbol_table.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/render/drawing_renderer.h"
#include "platform/render/svg_writer.h"
#include "platform/win/atomic_file.h"

namespace cli {
namespace {

constexpr const char* kRenderHelp =
    "usage: ruvo render DRAWING -o OUT.svg|OUT.pdf [--window X1,Y1,X2,Y2] [--layers NAME,...]\n"
    "                   [--size PIXELS]\n"
    "\n"
    "Draws the model space of a DXF drawing as SVG or PDF (by the extension of OUT): lines,\n"
    "polylines with widths and arcs, circles, ellipses, splines, texts and block references.\n"
    "A PDF has one page per paper frame in model space, at the frame's paper size and true\n"
    "scale (one drawing unit to the millimetre); with --window, one page of the window; with\n"
    "neither, one page of the drawing's extents (true scale when they fit an A0 sheet, else\n"
    "shrunk onto an A3 sheet). Lines stay vector lines, texts stay selectable text.\n"
    "\n"
    "  -o OUT             the picture to write (.svg or .pdf)\n"
    "  --window X1,Y1,X2,Y2  only this part of the drawing (world coordinates)\n"
    "  --layers A,B       only entities on these layers (\"\\,\" for a comma in a name)\n"
    "  --size PIXELS      length of the picture's longer side (default 2000)\n"
    "\n"
    "Exit status: 0 done, 1 refused input (unreadable drawing, unwritable output), 2 usage\n"
    "error.\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "ruvo render: %s (ruvo render --help)\n", message.c_str());
  return 2;
}

}  // namespace

int runRender(Args args) {
  ArgReader r(args);
  std::string_view value;
  std::string drawing, out;
  render::RenderOptions options;
  render::SvgOptions svg;
  while (!r.done()) {
    if (r.flag("--help") || r.flag("-h")) {
      std::fputs(kRenderHelp, stdout);
      return 0;
    }
    if (r.option("-o", value)) {
      out = value;
    } else if (r.option("--window", value)) {
      const auto v = ParseNumberList(value, 4);
      if (!v) return Usage("--window needs X1,Y1,X2,Y2");
      options.window = geom::Extents2d::of({(*v)[0], (*v)[1]}, {(*v)[2], (*v)[3]});
      svg.window = options.window;
    } else if (r.option("--layers", value)) {
      options.layers = SplitNameList(value);
    } else if (r.option("--size", value)) {
      const auto v = ParseNumberList(value, 1);
      if (!v || (*v)[0] < 16 || (*v)[0] > 20000) return Usage("--size needs 16 to 20000 pixels");
      svg.size = static_cast<int>((*v)[0]);
    } else if (!r.peek().starts_with("-") && drawing.empty()) {
      drawing = r.take();
    } else {
      return Usage("unknown argument " + std::string(r.peek()));
    }
    if (r.missingValue()) return Usage(std::string(r.missingName()) + " needs a value");
  }
  if (drawing.empty()) return Usage("a DRAWING is needed");
  if (out.empty()) return Usage("-o OUT.svg is needed");

  dxf::ReadReport read;
  const auto db = dxf::readDrawing(drawing, read);
  if (!db) {
    std::fprintf(stderr, "ruvo render: %s: %s\n", drawing.c_str(), read.message.c_str());
    return 1;
  }
  render::RenderReport report;
  const render::Picture picture = render::RenderModelSpace(*db, options, &report);
  const bool pdf = out.size() > 4 && cad::foldName(out.substr(out.size() - 4)) == ".PDF";
  if (pdf) {
    if (const int status = WriteRenderPdf(*db, picture, options.window, out); status != 0)
      return status;
  } else {
    std::string why;
    const auto document = render::WriteSvg(picture, svg, why);
    if (!document) {
      std::fprintf(stderr, "ruvo render: %s: %s\n", out.c_str(), why.c_str());
      return 1;
    }
    if (!win::writeFileAtomically(out, *document)) {
      std::fprintf(stderr, "ruvo render: cannot write %s\n", out.c_str());
      return 1;
    }
  }
  std::printf("render: %zu entities drawn into %s", report.entities, out.c_str());
  for (const auto& [kind, count] : report.skipped)
    std::printf(", %zu %s skipped", count, kind.c_str());
  std::printf("\n");
  return 0;
}

}  // namespace cli
