#include "controls/header_ctrl_ex.h"

#include <QMouseEvent>
#include <QPainter>

#include "controls/list_cell_combo.h"

namespace controls {

CHeaderCtrlEx::CHeaderCtrlEx(double heightFactor, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), heightFactor_(heightFactor) {
  setSectionsClickable(true);
  setHighlightSections(false);
  setDefaultAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

void CHeaderCtrlEx::setHeightFactor(double factor) {
  heightFactor_ = factor;
  updateGeometry();
  viewport()->update();
}

QSize CHeaderCtrlEx::sizeHint() const {
  QSize size = QHeaderView::sizeHint();
  size.setHeight(static_cast<int>(size.height() * heightFactor_));
  return size;
}

void CHeaderCtrlEx::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  painter->save();
  painter->fillRect(rect, palette().button());
  painter->setPen(kLineColour);
  painter->drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
  painter->drawLine(rect.right(), rect.bottom(), rect.left(), rect.bottom());
  painter->setPen(palette().color(QPalette::ButtonText));
  painter->setFont(font());
  const QString text =
      model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
  painter->drawText(rect.adjusted(0, kTextTop, 0, 0), Qt::AlignHCenter | Qt::AlignTop, text);
  painter->restore();
}

void CHeaderCtrlEx::SetHeaderChoices(const QString& choices) {
  choosers_.clear();
  for (int column = 1; column < count(); ++column) choosers_[column] = {1, choices};
  viewport()->update();
}

bool CHeaderCtrlEx::hasChooser(int column) const {
  const auto found = choosers_.find(column);
  return found != choosers_.end() && found->second.kind == 1 && !found->second.choices.isEmpty();
}

bool CHeaderCtrlEx::openChooser(int column) {
  if (!hasChooser(column)) return false;
  if (chooser_) chooser_->EndEdit(false);
  const QStringList choices = choosers_[column].choices.split(QLatin1Char('\n'));
  const QString current = model()->headerData(column, orientation()).toString();
  auto* combo = new CListCellCombo(column, choices, current, this);
  combo->setFont(font());
  combo->setGeometry(sectionViewportPosition(column), 0, sectionSize(column), height());
  connect(combo, &CListCellCombo::choiceDone, this, &CHeaderCtrlEx::chooserDone);
  chooser_ = combo;
  combo->show();
  combo->setFocus(Qt::MouseFocusReason);
  return true;
}

void CHeaderCtrlEx::chooserDone(int column, const QString& text) {
  if (chooser_ && chooser_->hasFocus()) setFocus(Qt::OtherFocusReason);
  chooser_ = nullptr;
  emit choiceMade(column, text);
}

void CHeaderCtrlEx::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    const int column = logicalIndexAt(event->position().toPoint());
    if (column >= 0 && openChooser(column)) {
      dropOnRelease_ = true;
      return;
    }
  }
  QHeaderView::mousePressEvent(event);
}

void CHeaderCtrlEx::mouseReleaseEvent(QMouseEvent* event) {
  // The list drops down once the click that opened the chooser is over; dropped on the
  // press, it would take that click's release as a click outside itself.
  if (dropOnRelease_) {
    dropOnRelease_ = false;
    if (chooser_) chooser_->showPopup();
    return;
  }
  QHeaderView::mouseReleaseEvent(event);
}

}  // namespace controls
