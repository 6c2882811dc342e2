#include "controls/list_cell_edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <algorithm>

#include "controls/list_ctrl.h"

namespace controls {

CListCellEdit::CListCellEdit(ListCtrl& list, int row, int column, const QString& text,
                             QWidget* parent)
    : QLineEdit(text, parent), list_(&list), row_(row), column_(column) {
  setObjectName(QStringLiteral("CListCellEdit"));
  setFrame(true);
  // Only what the user types counts; setting the initial or restored text does not.
  connect(this, &QLineEdit::textEdited, this, [this] { modified_ = true; });
}

void CListCellEdit::EndEdit(bool commit) {
  if (ended_) return;
  ended_ = true;
  if (commit && modified_ && list_) list_->commitEdit(*this, text());
}

void CListCellEdit::Discard() {
  EndEdit(false);
  hide();
  deleteLater();
}

bool CListCellEdit::event(QEvent* event) {
  // These keys belong to the editor, not to the dialog's default button or shortcuts.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Escape:
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_Delete:
        event->accept();
        return true;
      default:
        if (key->modifiers() & Qt::ControlModifier) {
          event->accept();
          return true;
        }
    }
  }
  return QLineEdit::event(event);
}

void CListCellEdit::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Escape) {
    if (list_) setText(list_->GetItemText(row_, column_));
    selectAll();
    return;
  }
  if (list_ && list_->navigateFromEditor(*this, key)) return;
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return;
  if (!event->text().isEmpty() && event->text().front().isPrint()) widenForText();
  QLineEdit::keyPressEvent(event);
}

void CListCellEdit::widenForText() {
  const int needed = fontMetrics().horizontalAdvance(text()) + kWidthReserve;
  if (width() >= needed || !parentWidget()) return;
  const int right = std::min(x() + needed, parentWidget()->width());
  if (right - x() > width()) resize(right - x(), height());
}

void CListCellEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A context menu of its own takes the focus for a moment; the edit goes on.
  if (event->reason() == Qt::PopupFocusReason) return;
  EndEdit(true);
  hide();
  deleteLater();
}

}  // namespace controls
