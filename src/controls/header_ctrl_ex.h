#pragma once
// The list's header: grey item lines, centred text, a height factor, and in the export
// tool per-column choosers that switch a column to another field.

#include <QHeaderView>
#include <QPointer>
#include <map>

#include "controls/list_cell_combo.h"

namespace controls {

class CHeaderCtrlEx final : public QHeaderView {
  Q_OBJECT
 public:
  static constexpr int kTextTop = 6;
  inline static const QColor kLineColour{190, 190, 190};

  CHeaderCtrlEx(double heightFactor, QWidget* parent);
  CHeaderCtrlEx(const CHeaderCtrlEx&) = delete;
  CHeaderCtrlEx& operator=(const CHeaderCtrlEx&) = delete;

  double heightFactor() const { return heightFactor_; }
  void setHeightFactor(double factor);

  // Every column but the first offers the choices (one per line).
  void SetHeaderChoices(const QString& choices);
  bool hasChooser(int column) const;
  // The open chooser, or nullptr.
  CListCellCombo* chooser() const { return chooser_; }
  // Opens the chooser over a column's item; false when the column offers none.
  bool openChooser(int column);

  QSize sizeHint() const override;

 signals:
  // A chooser ended with a choice; reported once per chooser.
  void choiceMade(int column, const QString& text);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void chooserDone(int column, const QString& text);

  struct ChooserEntry {
    int kind = 0;  // 1: the column offers a chooser
    QString choices;
  };
  double heightFactor_;
  std::map<int, ChooserEntry> choosers_;
  QPointer<CListCellCombo> chooser_;
  bool dropOnRelease_ = false;
};

}  // namespace controls
