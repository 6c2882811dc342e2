#pragma once
// A drop-down list whose items carry tick marks; closed, it shows the ticked items as one
// text. The pages use it as their layer chooser.

#include <QComboBox>
#include <QString>

namespace controls {

class CCheckComboBox final : public QComboBox {
  Q_OBJECT
 public:
  // An item's tick: non-zero is ticked.
  static constexpr int kCheckRole = Qt::UserRole;

  explicit CCheckComboBox(QWidget* parent);
  CCheckComboBox(const CCheckComboBox&) = delete;
  CCheckComboBox& operator=(const CCheckComboBox&) = delete;

  // Keeps the items in ascending order (the data page's chooser does).
  void SetSorted(bool sorted) { sorted_ = sorted; }
  // The separator between ticked items; by default that of the system locale.
  void SetListSeparator(const QString& separator);

  // Adds an unticked item; returns its index.
  int AddString(const QString& text);
  void ResetContent();

  // False when the index is not an item.
  bool SetCheck(int index, bool check);
  bool GetCheck(int index) const;
  void CheckAll(bool check);
  // Empties the shown text until the next tick change.
  void ClearText();

  // The ticked items' texts joined by the list separator and one blank.
  QString GetWindowText() const;
  // The ticked items' texts themselves, in item order.
  QStringList CheckedTexts() const;

 signals:
  // One per tick change made with the mouse or the keyboard in the open list.
  void checksChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void toggle(int index);
  void invalidate();

  mutable QString text_;
  mutable bool textValid_ = false;
  QString separator_;
  bool sorted_ = false;
};

}  // namespace controls
