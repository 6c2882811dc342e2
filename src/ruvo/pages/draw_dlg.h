#pragma once
// The palette's second page: scales, elevation range, options, frame preview, drawing.

#include <QWidget>

namespace ruvo {

class PageContext;

class CDrawDlg final : public QWidget {
  Q_OBJECT
 public:
  explicit CDrawDlg(PageContext& context, QWidget* parent = nullptr);
  ~CDrawDlg() override;
  CDrawDlg(const CDrawDlg&) = delete;
  CDrawDlg& operator=(const CDrawDlg&) = delete;

  // Shows the current document's record.
  void LoadFromDocument();

 private:
  PageContext& context_;
};

}  // namespace ruvo
