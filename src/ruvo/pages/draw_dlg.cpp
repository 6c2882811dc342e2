#include "ruvo/pages/draw_dlg.h"

#include "ruvo/pages/page_context.h"

namespace ruvo {

CDrawDlg::CDrawDlg(PageContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  setObjectName(QStringLiteral("CDrawDlg"));
}

CDrawDlg::~CDrawDlg() = default;

void CDrawDlg::LoadFromDocument() {}

}  // namespace ruvo
