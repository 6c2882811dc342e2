#pragma once
// The in-place drop-down that switches a header item to another choice.

#include <QComboBox>

namespace controls {

class CListCellCombo final : public QComboBox {
  Q_OBJECT
 public:
  static constexpr int kMaxVisibleChoices = 7;
  static constexpr int kMaxChoiceWidth = 200;

  // `choices` in order; the one equal to `current` is selected, else the first.
  CListCellCombo(int column, const QStringList& choices, const QString& current, QWidget* parent);
  ~CListCellCombo() override;
  CListCellCombo(const CListCellCombo&) = delete;
  CListCellCombo& operator=(const CListCellCombo&) = delete;

  int column() const { return column_; }
  // Ends the chooser once: a commit after a choice reports it, anything else reports none.
  void EndEdit(bool commit);
  void showPopup() override;

 signals:
  void choiceDone(int column, const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int column_;
  bool chosen_ = false;
  bool ended_ = false;
};

}  // namespace controls
