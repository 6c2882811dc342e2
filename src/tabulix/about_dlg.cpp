#include "tabulix/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tabulix {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8("关于 Tabulix"));
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
  auto* texts = new QVBoxLayout;
  texts->addWidget(new QLabel(QString::fromUtf8("Tabulix，1.0 版"), this));
  texts->addWidget(new QLabel(QString::fromUtf8("Korvane软件 版权所有"), this));
  auto* row = new QHBoxLayout;
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addLayout(texts, 1);
  auto* ok = new QPushButton(QString::fromUtf8("确定"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  row->addWidget(ok, 0, Qt::AlignTop);
  setLayout(row);
}

}  // namespace tabulix
