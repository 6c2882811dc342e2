#include "cli/render_pdf.h"

#include <QGuiApplication>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include "platform/cad/block_reference.h"
#include "platform/cad/symbol_table.h"
#include "platform/win/atomic_file.h"
#include "ruvo/section/paper_choice.h"

namespace cli {

std::vector<render::PdfPage> FramePages(const cad::Database& db) {
  std::vector<render::PdfPage> pages;
  db.forEachEntity(db.modelSpaceId(), [&](const cad::Entity& e) {
    const auto* r = cad::objectCast<cad::BlockReference>(&e);
    if (!r) return true;
    const std::string name = cad::foldName(r->blockName());
    for (int kind = 0; kind < 10; ++kind) {
      const auto& k = ruvo::CPreviewPaper::Kind(kind);
      if (name != k.blockName) continue;
      const double a = r->rotationDegrees() * std::numbers::pi / 180;
      const double c = std::cos(a), s = std::sin(a);
      const geom::Vector3d scale = r->scale();
      const geom::Point3d p = r->position();
      geom::Extents2d window;
      for (const auto& [x, y] :
           {std::pair{0.0, 0.0}, {k.width, 0.0}, {k.width, k.height}, {0.0, k.height}}) {
        const double u = x * scale.x, v = y * scale.y;
        window.add(geom::Point2d{p.x + u * c - v * s, p.y + u * s + v * c});
      }
      render::PdfPage page;
      page.window = window;
      // a frame turned upright prints on the sheet turned the other way
      const bool across = std::fabs(s) > std::fabs(c);
      page.widthMm = across ? k.height : k.width;
      page.heightMm = across ? k.width : k.height;
      pages.push_back(page);
      break;
    }
    return true;
  });
  return pages;
}

int WriteRenderPdf(const cad::Database& db, const render::Picture& picture,
                   const std::optional<geom::Extents2d>& window, const std::string& out) {
  std::vector<render::PdfPage> pages;
  const char* what = "the window";
  if (window) {
    pages.push_back(render::PageForWindow(*window));
  } else {
    pages = FramePages(db);
    what = "paper frames";
    if (pages.empty()) {
      pages.push_back(render::PageForWindow(picture.extents()));
      what = "the extents";
    }
  }
  // The PDF writer shapes text with Qt's fonts, which need a GUI application; this command
  // shows no window, so the offscreen platform serves wherever it runs.
  std::unique_ptr<QGuiApplication> app;
  static int argc = 1;
  static char name[] = "ruvo";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
  }
  render::PdfOptions options;
  options.title = std::filesystem::path(out).stem().string();
  const std::string bytes = render::WritePdf(picture, pages, options);
  if (bytes.empty() || !win::writeFileAtomically(out, bytes)) {
    std::fprintf(stderr, "ruvo render: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("render: %zu page%s of %s\n", pages.size(), pages.size() == 1 ? "" : "s", what);
  return 0;
}

}  // namespace cli
