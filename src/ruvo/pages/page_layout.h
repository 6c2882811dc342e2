#pragma once
// What both pages' layouts share: the pages lay their controls out in rows that take the
// page's width, so that a wider palette widens the edit boxes, lists and the preview, and
// every caption keeps the room its text needs in the palette's font.

#include <QBoxLayout>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <utility>

namespace ruvo {

// Room between the controls of a row and between rows, in pixels.
inline constexpr int kRowSpacing = 4;

// The up-down control beside an edit: +1 for the upper arrow, -1 for the lower one.
class SpinArrows final : public QWidget {
 public:
  SpinArrows(std::function<void(int)> stepped, QWidget* parent) : QWidget(parent) {
    for (int i = 0; i < 2; ++i) {
      auto* b = new QToolButton(this);
      b->setArrowType(i == 0 ? Qt::UpArrow : Qt::DownArrow);
      b->setObjectName(i == 0 ? QStringLiteral("up") : QStringLiteral("down"));
      b->setAutoRepeat(true);
      b->setFocusPolicy(Qt::NoFocus);
      connect(b, &QToolButton::clicked, this, [stepped, i] { stepped(i == 0 ? 1 : -1); });
      buttons_[i] = b;
    }
    setFixedWidth(16);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  }
  QSize sizeHint() const override { return {16, 22}; }
  QSize minimumSizeHint() const override { return {16, 16}; }

 protected:
  void resizeEvent(QResizeEvent*) override {
    const int h = height() / 2;
    buttons_[0]->setGeometry(0, 0, width(), h);
    buttons_[1]->setGeometry(0, h, width(), height() - h);
  }

 private:
  QToolButton* buttons_[2] = {};
};

// A push button as narrow as its text allows (the style's usual minimum width would not let
// a row of short buttons fit the narrowest palette), growing with its row.
inline void FitButton(QPushButton* button) {
  const QFontMetrics fm = button->fontMetrics();
  const QStringList lines = button->text().split(QLatin1Char('\n'));
  int wide = 0;
  for (const QString& line : lines) wide = std::max(wide, fm.horizontalAdvance(line));
  const int high = static_cast<int>(lines.size()) * fm.lineSpacing();
  button->setMinimumSize(wide + 16, std::max(high + 10, button->sizeHint().height()));
  button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

// An edit box that gives up room before any caption does, but never below a few digits.
inline void FitEdit(QWidget* edit, int digits = 5) {
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * digits + 12);
  edit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

// A check box or radio button never narrower than its caption.
inline void FitCaption(QWidget* button) { button->setMinimumWidth(button->sizeHint().width()); }

// A drop-down list as wide as its longest entry needs, growing with its row.
inline void FitList(QComboBox* list) {
  int wide = 0;
  for (int i = 0; i < list->count(); ++i)
    wide = std::max(wide, list->fontMetrics().horizontalAdvance(list->itemText(i)));
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  list->setMinimumContentsLength(1);
  list->setMinimumWidth(wide + 32);
  list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

// A step heading: the caption and an etched line to the right edge.
inline QHBoxLayout* Heading(QWidget* parent, const QString& text) {
  auto* row = new QHBoxLayout;
  row->setSpacing(kRowSpacing);
  row->addWidget(new QLabel(text, parent));
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  row->addWidget(line, 1);
  return row;
}

// A row of widgets; a null entry is a stretch.
inline QHBoxLayout* Row(std::initializer_list<std::pair<QWidget*, int>> items) {
  auto* row = new QHBoxLayout;
  row->setSpacing(kRowSpacing);
  for (const auto& [w, stretch] : items) {
    if (w == nullptr) {
      row->addStretch(stretch);
    } else {
      row->addWidget(w, stretch);
    }
  }
  return row;
}

}  // namespace ruvo
