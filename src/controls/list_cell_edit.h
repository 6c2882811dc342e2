#pragma once
// The in-place editor of one list cell. It lives from EditSubItem until it loses the focus
// and then deletes itself.

#include <QLineEdit>
#include <QPointer>

namespace controls {

class ListCtrl;

class CListCellEdit final : public QLineEdit {
  Q_OBJECT
 public:
  static constexpr int kWidthReserve = 15;

  CListCellEdit(ListCtrl& list, int row, int column, const QString& text, QWidget* parent);
  CListCellEdit(const CListCellEdit&) = delete;
  CListCellEdit& operator=(const CListCellEdit&) = delete;

  int row() const { return row_; }
  int column() const { return column_; }
  bool modified() const { return modified_; }
  // A proposed text counts as typed: leaving the editor commits it.
  void markModified() { modified_ = true; }

  // Hands a modified text to the list when `commit`; runs once, later calls change nothing.
  void EndEdit(bool commit);
  // Ends without a commit and goes away: the row it was opened on is no longer there.
  void Discard();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void widenForText();

  QPointer<ListCtrl> list_;
  int row_;
  int column_;
  bool modified_ = false;
  bool ended_ = false;
};

}  // namespace controls
