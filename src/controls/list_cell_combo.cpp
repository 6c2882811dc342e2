#include "controls/list_cell_combo.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace controls {

CListCellCombo::CListCellCombo(int column, const QStringList& choices, const QString& current,
                               QWidget* parent)
    : QComboBox(parent), column_(column) {
  setMaxVisibleItems(kMaxVisibleChoices);
  addItems(choices);
  const int found = static_cast<int>(choices.indexOf(current));
  setCurrentIndex(found >= 0 ? found : 0);
  connect(this, &QComboBox::activated, this, [this](int) {
    chosen_ = true;
    EndEdit(true);
  });
}

CListCellCombo::~CListCellCombo() { EndEdit(false); }

void CListCellCombo::showPopup() {
  const QFontMetrics metrics(view()->font());
  int widest = 0;
  for (int i = 0; i < count(); ++i)
    widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
  int width = std::min(widest, kMaxChoiceWidth);
  if (count() > kMaxVisibleChoices) width += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  width += metrics.horizontalAdvance(QLatin1Char('0'));
  view()->setMinimumWidth(width);
  QComboBox::showPopup();
}

void CListCellCombo::EndEdit(bool commit) {
  if (ended_) return;
  ended_ = true;
  const QString text = currentText();
  if (commit && chosen_ && !text.isEmpty()) emit choiceDone(column_, text);
  hide();
  deleteLater();
}

void CListCellCombo::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    EndEdit(true);
    return;
  }
  QComboBox::keyPressEvent(event);
}

void CListCellCombo::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  // Its own drop-down taking the focus is not the end of the choice.
  if (event->reason() == Qt::PopupFocusReason || view()->isVisible()) return;
  EndEdit(true);
}

}  // namespace controls
