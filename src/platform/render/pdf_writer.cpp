#include "platform/render/pdf_writer.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <algorithm>

#include "platform/render/qt_painter.h"

namespace render {

namespace {

constexpr int kResolution = 1200;  // device units per inch: fine enough for 0.02 mm

QPageSize sizeOf(const PdfPage& page) {
  return QPageSize(QSizeF(page.widthMm, page.heightMm), QPageSize::Millimeter, QString(),
                   QPageSize::ExactMatch);
}

}  // namespace

std::string writePdf(const Picture& picture, const std::vector<PdfPage>& pages,
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
    writer.setPageSize(sizeOf(pages.front()));
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    PaintOptions paintOptions;
    const double perMm = kResolution / 25.4;
    paintOptions.hairline = options.hairlineMm * perMm;
    for (std::size_t i = 0; i < pages.size(); ++i) {
      const PdfPage& page = pages[i];
      if (i > 0) {
        writer.setPageSize(sizeOf(page));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        if (!writer.newPage()) return {};
      }
      const QRectF device(0, 0, page.widthMm * perMm, page.heightMm * perMm);
      painter.save();
      painter.setClipRect(device);
      paint(painter, picture, fitWindow(page.window, device), paintOptions);
      painter.restore();
    }
    if (!painter.end()) return {};
  }
  return bytes.toStdString();
}

}  // namespace render
