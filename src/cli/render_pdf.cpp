#include "cli/render_pdf.h"

#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "platform/win/atomic_file.h"

namespace cli {

int WriteRenderPdf(const cad::Database& db, const render::Picture& picture,
                   const std::optional<geom::Extents2d>& window, const std::string& out) {
  std::vector<render::PdfPage> pages;
  const char* what = "the window";
  if (window) {
    pages.push_back(render::pageForWindow(*window));
  } else {
    pages = render::framePages(db);
    what = "paper frames";
    if (pages.empty()) {
      pages.push_back(render::pageForWindow(picture.extents()));
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
  const std::string bytes = render::writePdf(picture, pages, options);
  if (bytes.empty() || !win::writeFileAtomically(out, bytes)) {
    std::fprintf(stderr, "ruvo render: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("render: %zu page%s of %s\n", pages.size(), pages.size() == 1 ? "" : "s", what);
  return 0;
}

}  // namespace cli
