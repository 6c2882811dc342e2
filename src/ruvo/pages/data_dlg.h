#pragma once
// The palette's first page: getting the section points and editing them.

#include <QWidget>

namespace ruvo {

class PageContext;

class CDataDlg final : public QWidget {
  Q_OBJECT
 public:
  explicit CDataDlg(PageContext& context, QWidget* parent = nullptr);
  ~CDataDlg() override;
  CDataDlg(const CDataDlg&) = delete;
  CDataDlg& operator=(const CDataDlg&) = delete;

  // Shows the current document's record.
  void RefreshFromDocument();

 private:
  PageContext& context_;
};

}  // namespace ruvo
