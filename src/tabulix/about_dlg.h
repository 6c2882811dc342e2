#pragma once
// The export tool's about box.

#include <QDialog>

namespace tabulix {

class CAboutDlg final : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent);
  CAboutDlg(const CAboutDlg&) = delete;
  CAboutDlg& operator=(const CAboutDlg&) = delete;
};

}  // namespace tabulix
