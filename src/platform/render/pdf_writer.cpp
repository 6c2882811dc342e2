#include "platform/render/pdf_writer.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <algorithm>

#include "platform/render/qt_painter.h"

namespace render {

namespace {

constexpr int kResolution = 1200;  // device units per inch: fine enough for 0.02 mm
constexpr double kMarginMm = 10;

QPageSize SizeOf(const PdfPage& page) {
  return QPageSize(QSizeF(page.widthMm, page.heightMm), QPageSize::Millimeter, QString(),
                   QPageSize::ExactMatch);
}

}  // namespace

PdfPage PageForWindow(const geom::Extents2d& window) {
  PdfPage page;
  const double w = std::max(window.max.x - window.min.x, 1.0);
  const double h = std::max(window.max.y - window.min.y, 1.0);
  const double longSide = std::max(w, h), shortSide = std::min(w, h);
  page.window = window;
  if (longSide <= 1189 - 2 * kMarginMm && shortSide <= 841 - 2 * kMarginMm) {
    page.widthMm = w + 2 * kMarginMm;
    page.heightMm = h + 2 * kMarginMm;
  } else {
    page.widthMm = w >= h ? 420 : 297;
    page.heightMm = w >= h ? 297 : 420;
  }
  // the margin in world units at the scale the window will take on the sheet
  const double k =
      std::min((page.widthMm - 2 * kMarginMm) / w, (page.heightMm - 2 * kMarginMm) / h);
  const double m = kMarginMm / k;
  page.window = geom::Extents2d::of({window.min.x - m, window.min.y - m},
                                    {window.max.x + m, window.max.y + m});
  return page;
}

std::string WritePdf(const Picture& picture, const std::vector<PdfPage>& pages,
                     const PdfOptions& options) {
  if (pages.empty()) return {};
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    writer.setCreator(QStringLiteral("Kestra"));
    if (!options.title.empty()) writer.setTitle(QString::fromStdString(options.title));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    writer.setPageSize(SizeOf(pages.front()));
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    PaintOptions paint;
    const double perMm = kResolution / 25.4;
    paint.hairline = options.hairlineMm * perMm;
    for (std::size_t i = 0; i < pages.size(); ++i) {
      const PdfPage& page = pages[i];
      if (i > 0) {
        writer.setPageSize(SizeOf(page));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        if (!writer.newPage()) return {};
      }
      const QRectF device(0, 0, page.widthMm * perMm, page.heightMm * perMm);
      painter.save();
      painter.setClipRect(device);
      Paint(painter, picture, FitWindow(page.window, device), paint);
      painter.restore();
    }
    if (!painter.end()) return {};
  }
  return bytes.toStdString();
}

}  // namespace render
