#include "platform/app/command_line_widget.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace app {
namespace {
constexpr int kVisibleLines = 3;
constexpr int kScrollBackLines = 5000;
}  // namespace

CommandLineWidget::CommandLineWidget(QWidget* parent)
    : QWidget(parent),
      history_(new QPlainTextEdit(this)),
      promptLabel_(new QLabel(this)),
      input_(new QLineEdit(this)) {
  history_->setReadOnly(true);
  history_->setFocusPolicy(Qt::NoFocus);
  history_->setMaximumBlockCount(kScrollBackLines);
  history_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  const QFontMetrics metrics(history_->font());
  history_->setFixedHeight(metrics.lineSpacing() * kVisibleLines + 12);
  input_->setAccessibleName(QStringLiteral("command"));
  input_->installEventFilter(this);
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(promptLabel_);
  row->addWidget(input_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  layout->addWidget(history_);
  layout->addLayout(row);
  connect(input_, &QLineEdit::returnPressed, this, &CommandLineWidget::submit);
  setPrompt(QStringLiteral("Command:"));
}

void CommandLineWidget::print(const QString& text) {
  if (text.isEmpty()) return;
  transcript_ += text;
  QTextCursor cursor = history_->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  history_->verticalScrollBar()->setValue(history_->verticalScrollBar()->maximum());
}

void CommandLineWidget::setPrompt(const QString& prompt) {
  prompt_ = prompt.trimmed();
  promptLabel_->setText(prompt_);
}

void CommandLineWidget::enter(const QString& line) {
  input_->setText(line);
  submit();
}

void CommandLineWidget::forwardKey(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit cancelled();
    return;
  }
  input_->setFocus(Qt::OtherFocusReason);
  QApplication::sendEvent(input_, event);
}

void CommandLineWidget::submit() {
  const QString line = input_->text();
  input_->clear();
  print(QStringLiteral("\n") + prompt_ + QLatin1Char(' ') + line + QLatin1Char('\n'));
  if (!line.trimmed().isEmpty() && (typed_.isEmpty() || typed_.back() != line)) typed_.append(line);
  recall_ = static_cast<int>(typed_.size());
  emit submitted(line);
}

bool CommandLineWidget::eventFilter(QObject* watched, QEvent* event) {
  // Undo, redo and save act on the drawing, not on the text of the input line.
  if (watched == input_ && event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    for (const auto k : {QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Save}) {
      if (key->matches(k)) return true;
    }
    if (key->key() == Qt::Key_Y && key->modifiers() == Qt::ControlModifier) return true;
  }
  if (watched == input_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      input_->clear();
      emit cancelled();
      return true;
    }
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
      if (typed_.isEmpty()) return true;
      recall_ += key->key() == Qt::Key_Up ? -1 : 1;
      recall_ = std::clamp(recall_, 0, static_cast<int>(typed_.size()));
      input_->setText(recall_ < typed_.size() ? typed_[recall_] : QString());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace app
