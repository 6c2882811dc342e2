#include "controls/check_combo_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include "controls/cell_rules.h"

namespace controls {

namespace {

// One row of the open list: a check box in a square as high as the text plus a margin,
// then the text after one blank.
class CheckItemDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QFontMetrics metrics(option.font);
    const int height = metrics.lineSpacing() + 2;
    return {boxSide(metrics) + metrics.horizontalAdvance(QLatin1Char(' ') + text(index)) + 4,
            height};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const QFontMetrics metrics(option.font);
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect,
                      option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
    QStyleOptionButton box;
    box.state = QStyle::State_Enabled |
                (index.data(CCheckComboBox::kCheckRole).toInt() != 0 ? QStyle::State_On
                                                                     : QStyle::State_Off);
    const int side = boxSide(metrics);
    const QRect square(option.rect.left(), option.rect.top() + 1, side, option.rect.height() - 2);
    const QSize indicator(option.widget->style()->pixelMetric(QStyle::PM_IndicatorWidth),
                          option.widget->style()->pixelMetric(QStyle::PM_IndicatorHeight));
    box.rect = QRect(QPoint(0, 0), indicator.boundedTo(square.size()));
    box.rect.moveCenter(square.center());
    option.widget->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter,
                                          option.widget);
    const QRect textRect = option.rect.adjusted(side, 0, 0, 0);
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(
        textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
        metrics.elidedText(QLatin1Char(' ') + text(index), Qt::ElideRight, textRect.width()));
    if (selected && (option.state & QStyle::State_HasFocus)) {
      QStyleOptionFocusRect focus;
      focus.rect = option.rect;
      focus.palette = option.palette;
      option.widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter,
                                            option.widget);
    }
    painter->restore();
  }

 private:
  static int boxSide(const QFontMetrics& metrics) { return metrics.lineSpacing() + 6; }
  static QString text(const QModelIndex& index) { return index.data(Qt::DisplayRole).toString(); }
};

}  // namespace

CCheckComboBox::CCheckComboBox(QWidget* parent)
    : QComboBox(parent), separator_(ListSeparatorFor(QLocale::system())) {
  setItemDelegate(new CheckItemDelegate(this));
  view()->viewport()->installEventFilter(this);
  view()->installEventFilter(this);
}

void CCheckComboBox::SetListSeparator(const QString& separator) {
  separator_ = separator;
  invalidate();
}

int CCheckComboBox::AddString(const QString& text) {
  int index = count();
  if (sorted_) {
    index = 0;
    while (index < count() && QString::compare(itemText(index), text, Qt::CaseInsensitive) <= 0) {
      ++index;
    }
  }
  insertItem(index, text, 0);
  setItemData(index, 0, kCheckRole);
  return index;
}

void CCheckComboBox::ResetContent() {
  clear();
  invalidate();
}

bool CCheckComboBox::SetCheck(int index, bool check) {
  if (index < 0 || index >= count()) return false;
  setItemData(index, check ? 1 : 0, kCheckRole);
  invalidate();
  return true;
}

bool CCheckComboBox::GetCheck(int index) const {
  return index >= 0 && index < count() && itemData(index, kCheckRole).toInt() != 0;
}

void CCheckComboBox::CheckAll(bool check) {
  for (int i = 0; i < count(); ++i) SetCheck(i, check);
}

void CCheckComboBox::ClearText() {
  text_.clear();
  textValid_ = true;
  update();
}

void CCheckComboBox::invalidate() {
  textValid_ = false;
  update();
}

QStringList CCheckComboBox::CheckedTexts() const {
  QStringList texts;
  for (int i = 0; i < count(); ++i) {
    if (GetCheck(i)) texts << itemText(i);
  }
  return texts;
}

QString CCheckComboBox::GetWindowText() const {
  if (!textValid_) {
    text_ = JoinChecked(CheckedTexts(), separator_);
    textValid_ = true;
  }
  return text_;
}

void CCheckComboBox::toggle(int index) {
  if (index < 0 || index >= count()) return;
  SetCheck(index, !GetCheck(index));
  view()->update(model()->index(index, modelColumn(), rootModelIndex()));
  emit checksChanged();
}

bool CCheckComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view()->viewport()) {
    if (event->type() == QEvent::MouseButtonPress) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const QModelIndex index = view()->indexAt(mouse->position().toPoint());
      if (mouse->button() == Qt::LeftButton && index.isValid()) {
        toggle(index.row());
      } else if (mouse->button() == Qt::RightButton) {
        CheckAll(CheckedTexts().size() != count());
        view()->viewport()->update();
        emit checksChanged();
      }
      return false;
    }
    // Swallowing the release keeps the list open while the user ticks.
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      return true;
    }
  } else if (watched == view() && event->type() == QEvent::KeyPress &&
             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
    toggle(view()->currentIndex().row());
    return true;
  }
  return QComboBox::eventFilter(watched, event);
}

void CCheckComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  painter.setPen(palette().color(QPalette::Text));
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentIcon = QIcon();
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  option.currentText = fontMetrics().elidedText(GetWindowText(), Qt::ElideRight, field.width());
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace controls
