#include "ruvo/pages/data_dlg.h"

#include "ruvo/pages/page_context.h"

namespace ruvo {

CDataDlg::CDataDlg(PageContext& context, QWidget* parent) : QWidget(parent), context_(context) {
  setObjectName(QStringLiteral("CDataDlg"));
}

CDataDlg::~CDataDlg() = default;

void CDataDlg::RefreshFromDocument() {}

}  // namespace ruvo
