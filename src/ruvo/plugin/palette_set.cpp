#include "ruvo/plugin/palette_set.h"

#include <QResizeEvent>

namespace ruvo {

CMyPaletteSet::CMyPaletteSet(Edition edition, QWidget* parent)
    : ui::PaletteSet(QString::fromUtf8(kPaletteTitle), parent) {
  setObjectName(QStringLiteral("CMyPaletteSet"));
  if (edition == Edition::Legacy) {
    setMinimumSize(210, 210);
    resize(310, 425);
  } else {
    setMinimumSize(300, 400);
    setMaximumSize(600, 800);
    resize(400, 425);
  }
}

CMyPaletteSet::~CMyPaletteSet() = default;

CMyPalette::CMyPalette(PageContext& context, QWidget* parent)
    : ui::Palette(parent), m_childDlg(context, this) {
  setObjectName(QStringLiteral("CMyPalette"));
  setWindowTitle(QStringLiteral("数据"));
  m_childDlg.OnInitDialog();
  m_childDlg.LayoutControls(width(), height());
}

CMyPalette::~CMyPalette() = default;

void CMyPalette::resizeEvent(QResizeEvent* event) {
  ui::Palette::resizeEvent(event);
  m_childDlg.LayoutControls(event->size().width(), event->size().height());
}

}  // namespace ruvo
